#include "accessiblecontrols.h"

#include "checkableroundlabel.h"
#include "clickableroundlabel.h"
#include "roundlabel.h"
#include "togglediconlabel.h"

namespace {

bool isChecked(const QWidget *widget, bool *checkable)
{
    *checkable = true;
    if (const auto *check = qobject_cast<const CheckableRoundLabel *>(widget))
        return check->isChecked();
    if (const auto *toggle = qobject_cast<const ToggledIconLabel *>(widget))
        return toggle->isSelected();
    *checkable = false;
    return false;
}

QString fallbackName(const QWidget *widget)
{
    if (const auto *round = qobject_cast<const RoundLabel *>(widget)) {
        if (!round->caption().isEmpty())
            return round->caption();
    }
    return widget->toolTip();
}

} // namespace

AccessibleControl::AccessibleControl(QWidget *widget, QAccessible::Role role)
    : QAccessibleWidget(widget, role)
{}

QString AccessibleControl::caption() const
{
    return fallbackName(widget());
}

QString AccessibleControl::text(QAccessible::Text t) const
{
    const QWidget *control = widget();
    switch (t) {
    case QAccessible::Name:
        return !control->accessibleName().isEmpty() ? control->accessibleName() : caption();
    case QAccessible::Description:
        if (!control->accessibleDescription().isEmpty())
            return control->accessibleDescription();
        return control->toolTip() != text(QAccessible::Name) ? control->toolTip() : QString();
    default:
        return QAccessibleWidget::text(t);
    }
}

QAccessible::State AccessibleControl::state() const
{
    QAccessible::State state = QAccessibleWidget::state();
    bool checkable = false;
    const bool checked = isChecked(widget(), &checkable);
    if (checkable) {
        state.checkable = true;
        state.checked = checked;
    }
    return state;
}

QStringList AccessibleControl::actionNames() const
{
    if (role() == QAccessible::Whitespace)
        return {};
    QStringList names{role() == QAccessible::CheckBox || role() == QAccessible::RadioButton
                          ? toggleAction()
                          : pressAction()};
    names += QAccessibleWidget::actionNames();
    return names;
}

void AccessibleControl::doAction(const QString &actionName)
{
    if (!widget()->isEnabled())
        return;
    if (actionName == pressAction() || actionName == toggleAction())
        QMetaObject::invokeMethod(widget(), "activate");
    else
        QAccessibleWidget::doAction(actionName);
}

QWidget *AccessibleControl::askedWidget(const QString &className, QObject *object)
{
    // Asked once per class of the object's hierarchy, most derived first: answer for the object's
    // own class only.
    if (!object || className != QLatin1String(object->metaObject()->className()))
        return nullptr;
    return qobject_cast<QWidget *>(object);
}

QAccessibleInterface *AccessibleControl::create(const QString &className, QObject *object)
{
    QWidget *widget = askedWidget(className, object);
    if (!widget)
        return nullptr;
    if (qobject_cast<ClickableRoundLabel *>(widget))
        return new AccessibleControl(widget, QAccessible::Button);
    if (qobject_cast<CheckableRoundLabel *>(widget))
        return new AccessibleControl(widget, QAccessible::CheckBox);
    if (auto *toggle = qobject_cast<ToggledIconLabel *>(widget)) {
        // One of several that exclude each other is a radio button; a switch of its own a box.
        const bool radio = toggle->group().size() > 1 && !toggle->isDeselectable();
        return new AccessibleControl(widget,
                                     radio ? QAccessible::RadioButton : QAccessible::CheckBox);
    }
    return nullptr;
}
