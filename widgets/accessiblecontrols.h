#pragma once

#include <QAccessibleWidget>

// How picture controls appear to assistive technology: the kit's round buttons and toggles here,
// the editor's tiles and tabs beside the editor. They are labels and frames to Qt, which would
// present them as static text; here they are buttons, check boxes, radio buttons and tabs with
// their state, and the press action does what a click (the control's activate()) does.
class AccessibleControl : public QAccessibleWidget
{
public:
    AccessibleControl(QWidget *widget, QAccessible::Role role);

    QString text(QAccessible::Text t) const override;
    QAccessible::State state() const override;
    QStringList actionNames() const override;
    void doAction(const QString &actionName) override;

    // The factory of the kit's controls, to install with QAccessible::installFactory.
    static QAccessibleInterface *create(const QString &className, QObject *object);
    // For factories: the widget when the object's own class is the one asked for, else nullptr.
    static QWidget *askedWidget(const QString &className, QObject *object);

protected:
    // The name when the widget has no accessible name of its own: its caption or tool tip.
    virtual QString caption() const;
};
