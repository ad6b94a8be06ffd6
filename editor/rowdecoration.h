#pragma once

#include <QColor>
#include <QPoint>
#include <QRect>

class QPainter;

// The marks a program row carries besides its content: the breakpoint in its left margin and the
// frame that tells whether the controller runs the row now or goes on with it next. They are
// painted over the row, not built from widgets, so that any make of row can carry them.
namespace RowDecoration {

enum class Marker
{
    None,
    // The controller is executing this command.
    Running,
    // A paused run goes on with this command.
    Next,
};

// The row's frame: margins, border width and corner radius, which the rows' style sheet
// (ProgramListItemWidget::styleRules) is built from, and the layout's space inside it.
constexpr int kMarginLeft = 15;
constexpr int kMarginRight = 15;
constexpr int kMarginTop = 5;
constexpr int kBorder = 3;
constexpr int kRadius = 8;
constexpr int kInnerSpace = 9;

// The framed part of a row of this size, inside the margins the rows' style sheet gives it.
QRect frameRect(const QRect &row);
// Presses this close to a row's left side toggle its breakpoint: the margin, the frame's border
// and the space before the row's picture.
bool onBreakpointEdge(const QPoint &position);

QColor markerColor(Marker marker);

// The frame of a marked row; nothing for Marker::None.
void paintMarker(QPainter &painter, const QRect &row, Marker marker);
// The breakpoint dot in the left margin, and over it the arrow of the command a paused run goes
// on with. The dot's diameter comes from the dimension "BreakpointSize".
void paintEdge(QPainter &painter, const QRect &row, bool breakpoint, Marker marker);

} // namespace RowDecoration
