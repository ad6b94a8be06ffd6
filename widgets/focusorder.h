#pragma once

#include <QList>

class QWidget;

// Tab and Shift+Tab through a window region by region, in the order a person sees them (top
// menu, command menu, program area, property panel, ...), and within a region in the order its
// controls were built. Qt's own chain follows the order in which widgets were created, which the
// rebuild of a menu or a new row scrambles across regions.
namespace FocusOrder {

// The controls Tab visits in `window`: visible, enabled, reachable by Tab. Controls outside every
// region follow the regions.
QList<QWidget *> chain(QWidget *window, const QList<QWidget *> &regions);

// Moves the focus to the control after (or before) the focused one, wrapping at the ends; false
// when the window has no control to move to.
bool move(QWidget *window, const QList<QWidget *> &regions, bool forward);

} // namespace FocusOrder
