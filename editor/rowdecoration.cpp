#include "rowdecoration.h"

#include "appcontext.h"

#include <QPainter>
#include <QPainterPath>

namespace RowDecoration {

namespace {
const QColor kBreakpointColor(214, 40, 40);
} // namespace

QRect frameRect(const QRect &row)
{
    return row.adjusted(kMarginLeft, kMarginTop, -kMarginRight, 0);
}

bool onBreakpointEdge(const QPoint &position)
{
    return position.x() >= 0 && position.x() < kMarginLeft + kBorder + kInnerSpace;
}

QColor markerColor(Marker marker)
{
    switch (marker) {
    case Marker::Running:
        return QColor(Qt::red);
    case Marker::Next:
        return QColor(255, 170, 0);
    case Marker::None:
        break;
    }
    return QColor(Qt::white);
}

void paintMarker(QPainter &painter, const QRect &row, Marker marker)
{
    if (marker == Marker::None)
        return;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    QPen pen(markerColor(marker), kBorder);
    // A paused row must differ from a running one in more than its colour.
    if (marker == Marker::Next)
        pen.setStyle(Qt::DashLine);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    const qreal inset = kBorder / 2.0;
    painter.drawRoundedRect(QRectF(frameRect(row)).adjusted(inset, inset, -inset, -inset),
                            kRadius - inset, kRadius - inset);
    painter.restore();
}

void paintEdge(QPainter &painter, const QRect &row, bool breakpoint, Marker marker)
{
    if (!breakpoint && marker != Marker::Next)
        return;
    const int size =
        qBound(4, AppContext::instance().dimension(QStringLiteral("BreakpointSize"), 12),
               kMarginLeft + kBorder);
    const QRect frame = frameRect(row);
    const QPointF centre((kMarginLeft + kBorder) / 2.0, frame.center().y() + 0.5);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    if (breakpoint) {
        painter.setPen(QPen(Qt::white, 1.5));
        painter.setBrush(kBreakpointColor);
        painter.drawEllipse(centre, size / 2.0, size / 2.0);
    }
    if (marker == Marker::Next) {
        // Inside the dot, when there is one, so that its red ring still shows.
        QPainterPath arrow;
        const qreal half = size / 2.0 * (breakpoint ? 0.6 : 1.0);
        arrow.moveTo(centre.x() - half * 0.7, centre.y() - half);
        arrow.lineTo(centre.x() + half, centre.y());
        arrow.lineTo(centre.x() - half * 0.7, centre.y() + half);
        arrow.closeSubpath();
        painter.setPen(QPen(QColor(60, 40, 0), 1));
        painter.setBrush(markerColor(Marker::Next));
        painter.drawPath(arrow);
    }
    painter.restore();
}

} // namespace RowDecoration
