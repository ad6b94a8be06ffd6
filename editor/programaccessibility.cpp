#include "programaccessibility.h"

#include "accessiblecontrols.h"
#include "keyboardaccess.h"
#include "qlabeldragdrop.h"
#include "subprogramtabwidget.h"

#include <QAccessible>
#include <QApplication>

namespace {

class AccessibleProgramTab : public AccessibleControl
{
public:
    explicit AccessibleProgramTab(SubProgramTabWidget *tab)
        : AccessibleControl(tab, QAccessible::PageTab)
    {}

    QAccessible::State state() const override
    {
        QAccessible::State state = AccessibleControl::state();
        state.selectable = true;
        state.selected = tab()->isSelected();
        return state;
    }

protected:
    QString caption() const override { return tab()->caption(); }

private:
    const SubProgramTabWidget *tab() const
    {
        return static_cast<const SubProgramTabWidget *>(widget());
    }
};

QAccessibleInterface *create(const QString &className, QObject *object)
{
    QWidget *widget = AccessibleControl::askedWidget(className, object);
    if (auto *tile = qobject_cast<QLabelDragDrop *>(widget)) {
        // The placeholder of an empty place in the command menu is no control.
        return new AccessibleControl(widget, tile->isPlaceholder() ? QAccessible::Whitespace
                                                                   : QAccessible::Button);
    }
    if (auto *tab = qobject_cast<SubProgramTabWidget *>(widget))
        return new AccessibleProgramTab(tab);
    return nullptr;
}

} // namespace

namespace ProgramAccessibility {

void install()
{
    KeyboardAccess::install();
    static bool installed = false;
    if (installed || !qApp)
        return;
    installed = true;
    QAccessible::installFactory(&create);
}

} // namespace ProgramAccessibility
