#include "focusorder.h"

#include <QApplication>
#include <QHash>
#include <QWidget>

#include <algorithm>

namespace FocusOrder {

namespace {

struct Place
{
    int region;
    int chainIndex;
    bool operator<(const Place &other) const
    {
        return region != other.region ? region < other.region : chainIndex < other.chainIndex;
    }
};

int regionOf(const QWidget *widget, const QList<QWidget *> &regions)
{
    for (int i = 0; i < regions.size(); ++i) {
        const QWidget *region = regions.at(i);
        if (region && (region == widget || region->isAncestorOf(widget)))
            return i;
    }
    return int(regions.size());
}

bool reachable(const QWidget *widget, const QWidget *window)
{
    return widget != window && widget->window() == window &&
           (widget->focusPolicy() & Qt::TabFocus) == Qt::TabFocus && widget->isVisible() &&
           widget->isEnabled() && !widget->focusProxy();
}

// Qt's focus chain of the window: the order in which its widgets were built.
QHash<const QWidget *, int> chainIndexes(QWidget *window)
{
    QHash<const QWidget *, int> indexes;
    int index = 0;
    for (QWidget *widget = window->nextInFocusChain(); widget && widget != window;
         widget = widget->nextInFocusChain()) {
        if (indexes.contains(widget))
            break;
        indexes.insert(widget, index++);
    }
    return indexes;
}

} // namespace

QList<QWidget *> chain(QWidget *window, const QList<QWidget *> &regions)
{
    const QHash<const QWidget *, int> indexes = chainIndexes(window);
    QList<QPair<Place, QWidget *>> placed;
    for (auto it = indexes.cbegin(); it != indexes.cend(); ++it) {
        auto *widget = const_cast<QWidget *>(it.key());
        if (reachable(widget, window))
            placed.append({Place{regionOf(widget, regions), it.value()}, widget});
    }
    std::sort(placed.begin(), placed.end(),
              [](const auto &a, const auto &b) { return a.first < b.first; });
    QList<QWidget *> result;
    result.reserve(placed.size());
    for (const auto &entry : std::as_const(placed))
        result.append(entry.second);
    return result;
}

bool move(QWidget *window, const QList<QWidget *> &regions, bool forward)
{
    const QList<QWidget *> order = chain(window, regions);
    if (order.isEmpty())
        return false;
    QWidget *current = QApplication::focusWidget();
    QWidget *target = nullptr;
    if (!current || current->window() != window) {
        target = forward ? order.first() : order.last();
    } else {
        // The focused control need not be a Tab stop itself (a cell reached by an arrow key):
        // its place among the stops decides.
        const QHash<const QWidget *, int> indexes = chainIndexes(window);
        const Place here{regionOf(current, regions), indexes.value(current, -1)};
        const auto placeOf = [&](const QWidget *widget) {
            return Place{regionOf(widget, regions), indexes.value(widget, -1)};
        };
        if (forward) {
            for (QWidget *widget : order) {
                if (here < placeOf(widget)) {
                    target = widget;
                    break;
                }
            }
            if (!target)
                target = order.first();
        } else {
            for (auto it = order.crbegin(); it != order.crend(); ++it) {
                if (placeOf(*it) < here) {
                    target = *it;
                    break;
                }
            }
            if (!target)
                target = order.last();
        }
    }
    target->setFocus(forward ? Qt::TabFocusReason : Qt::BacktabFocusReason);
    return true;
}

} // namespace FocusOrder
