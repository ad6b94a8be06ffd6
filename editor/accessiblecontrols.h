#pragma once

#include <QAccessibleWidget>

// How the editor's picture controls appear to assistive technology: the round buttons and
// toggles, the menu buttons and command tiles, the program tabs. They are labels and frames to
// Qt, which would present them as static text; here they are buttons, check boxes, radio buttons
// and tabs with their state, and the press action does what a click does.
class AccessibleControl : public QAccessibleWidget
{
public:
    AccessibleControl(QWidget *widget, QAccessible::Role role);

    QString text(QAccessible::Text t) const override;
    QAccessible::State state() const override;
    QStringList actionNames() const override;
    void doAction(const QString &actionName) override;

    // The factory to install with QAccessible::installFactory.
    static QAccessibleInterface *create(const QString &className, QObject *object);
};
