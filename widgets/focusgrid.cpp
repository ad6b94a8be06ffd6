#include "focusgrid.h"

#include <QEvent>
#include <QKeyEvent>
#include <QWidget>

FocusGrid::FocusGrid(int columns, QObject *parent)
    : QObject(parent)
    , m_columns(qMax(1, columns))
{}

void FocusGrid::setWidgets(const QList<QWidget *> &widgets)
{
    for (const QPointer<QWidget> &widget : std::as_const(m_widgets)) {
        if (widget)
            widget->removeEventFilter(this);
    }
    m_widgets.clear();
    m_stop = -1;
    for (QWidget *widget : widgets) {
        m_widgets.append(widget);
        if (!widget)
            continue;
        widget->setFocusPolicy(Qt::NoFocus);
        widget->installEventFilter(this);
        connect(widget, &QObject::destroyed, this, &FocusGrid::forget, Qt::UniqueConnection);
    }
    repairTabStop();
}

QWidget *FocusGrid::tabStop() const
{
    return m_stop >= 0 && m_stop < m_widgets.size() ? m_widgets.at(m_stop).data() : nullptr;
}

void FocusGrid::setTabStop(QWidget *widget)
{
    const int index = int(m_widgets.indexOf(widget));
    if (eligible(index))
        makeTabStop(index);
}

bool FocusGrid::eligible(int index) const
{
    if (index < 0 || index >= m_widgets.size())
        return false;
    const QWidget *widget = m_widgets.at(index);
    return widget && widget->isEnabled() && !widget->isHidden();
}

int FocusGrid::walk(int from, int step) const
{
    for (int index = from + step; index >= 0 && index < m_widgets.size(); index += step) {
        if (eligible(index))
            return index;
    }
    return -1;
}

void FocusGrid::makeTabStop(int index)
{
    if (QWidget *old = tabStop(); old && index != m_stop)
        old->setFocusPolicy(Qt::NoFocus);
    m_stop = index;
    if (QWidget *stop = tabStop())
        stop->setFocusPolicy(Qt::TabFocus);
}

void FocusGrid::repairTabStop()
{
    if (eligible(m_stop)) {
        makeTabStop(m_stop);
        return;
    }
    // The stop went away or was disabled: the group must stay reachable by Tab.
    const int first = walk(-1, 1);
    if (QWidget *old = tabStop())
        old->setFocusPolicy(Qt::NoFocus);
    m_stop = -1;
    if (first >= 0)
        makeTabStop(first);
}

void FocusGrid::forget(QObject *object)
{
    for (QPointer<QWidget> &widget : m_widgets) {
        if (!widget || widget == object)
            widget = nullptr;
    }
    repairTabStop();
}

bool FocusGrid::eventFilter(QObject *watched, QEvent *event)
{
    // The cells see every paint and mouse move: only these events concern the grid.
    switch (event->type()) {
    case QEvent::FocusIn:
    case QEvent::EnabledChange:
    case QEvent::ShowToParent:
    case QEvent::HideToParent:
    case QEvent::KeyPress:
        break;
    default:
        return QObject::eventFilter(watched, event);
    }
    auto *widget = qobject_cast<QWidget *>(watched);
    const int index = widget ? int(m_widgets.indexOf(widget)) : -1;
    if (index < 0)
        return QObject::eventFilter(watched, event);

    switch (event->type()) {
    case QEvent::FocusIn:
        if (index != m_stop)
            makeTabStop(index);
        break;
    case QEvent::EnabledChange:
    case QEvent::ShowToParent:
    case QEvent::HideToParent:
        repairTabStop();
        break;
    case QEvent::KeyPress: {
        const auto *key = static_cast<QKeyEvent *>(event);
        if (key->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))
            break;
        int target = -1;
        switch (key->key()) {
        case Qt::Key_Left:
            target = walk(index, -1);
            break;
        case Qt::Key_Right:
            target = walk(index, 1);
            break;
        case Qt::Key_Up:
            target = walk(index, -m_columns);
            break;
        case Qt::Key_Down:
            target = walk(index, m_columns);
            break;
        case Qt::Key_Home:
            target = walk(-1, 1);
            break;
        case Qt::Key_End:
            target = walk(int(m_widgets.size()), -1);
            break;
        default:
            return QObject::eventFilter(watched, event);
        }
        // An arrow at the edge stays where it is and goes nowhere else either.
        if (target >= 0) {
            makeTabStop(target);
            m_widgets.at(target)->setFocus(Qt::TabFocusReason);
        }
        return true;
    }
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}
