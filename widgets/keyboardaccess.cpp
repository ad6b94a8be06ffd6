#include "keyboardaccess.h"

#include "accessiblecontrols.h"
#include "focusring.h"

#include <QAccessible>
#include <QApplication>
#include <QKeyEvent>
#include <QScrollArea>

namespace KeyboardAccess {

namespace {

// A control reached by Tab or an arrow key in a scrolled panel comes into view.
void showFocused(QWidget *, QWidget *now)
{
    // A click needs no scrolling: the control clicked is in view.
    if (!now || !FocusRing::instance() || !FocusRing::instance()->keyboardUsed())
        return;
    for (QWidget *parent = now->parentWidget(); parent; parent = parent->parentWidget()) {
        if (auto *area = qobject_cast<QScrollArea *>(parent)) {
            if (area->widget() && area->widget()->isAncestorOf(now))
                area->ensureWidgetVisible(now, 16, 16);
        }
    }
}

} // namespace

bool isHistoryShortcut(const QEvent *event)
{
    if (event->type() != QEvent::ShortcutOverride)
        return false;
    const auto *key = static_cast<const QKeyEvent *>(event);
    return key->matches(QKeySequence::Undo) || key->matches(QKeySequence::Redo);
}

bool isActivationKey(const QKeyEvent *event)
{
    const int key = event->key();
    return (key == Qt::Key_Space || key == Qt::Key_Return || key == Qt::Key_Enter) &&
           (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
}

bool pressByKey(QKeyEvent *event, const std::function<void()> &press)
{
    if (!isActivationKey(event))
        return false;
    if (!event->isAutoRepeat())
        press();
    event->accept();
    return true;
}

void install()
{
    static bool installed = false;
    if (installed || !qApp)
        return;
    installed = true;
    QAccessible::installFactory(&AccessibleControl::create);
    FocusRing::install();
    QObject::connect(qApp, &QApplication::focusChanged, qApp, &showFocused);
}

} // namespace KeyboardAccess
