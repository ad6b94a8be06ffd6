#include "leftmenuwidget.h"

#include "accessibletext.h"
#include "actionreasons.h"
#include "appcontext.h"
#include "command.h"
#include "focusgrid.h"
#include "hardwaredescription.h"
#include "programlistwidget.h"
#include "qlabeldragdrop.h"
#include "uilogging.h"

#include <QDragEnterEvent>
#include <QGridLayout>
#include <QPointer>
#include <QUndoStack>

#include <algorithm>

LeftMenuWidget::LeftMenuWidget(QWidget *parent)
    : QFrame(parent)
{
    setAcceptDrops(true);
    m_grid = new QGridLayout(this);
    m_grid->setAlignment(Qt::AlignTop);
    m_grid->setSpacing(14);
    m_focusGrid = new FocusGrid(columns, this);
}

LeftMenuWidget *LeftMenuWidget::instance()
{
    // The main window's layout takes ownership; should it go, the next caller gets a fresh menu.
    static QPointer<LeftMenuWidget> menu;
    if (!menu)
        menu = new LeftMenuWidget;
    return menu;
}

void LeftMenuWidget::buildMenu(const QList<Command *> &commands)
{
    AppContext &context = AppContext::instance();
    const int width = context.dimension(QStringLiteral("LeftMenuButtonWidth"), 50);
    const int height = context.dimension(QStringLiteral("LeftMenuButtonHeight"), 50);
    for (const Command *command : commands) {
        if (!command)
            continue;
        const int n = static_cast<int>(m_tiles.size());
        const bool draggable = command->name() != QLatin1String("empty");
        auto *tile = new QLabelDragDrop(context.icon(command->onIcon()),
                                        context.icon(command->disabledIcon()),
                                        context.icon(command->offIcon()), command->name(),
                                        command->toolTip(), width, height, draggable, this);
        tile->setAccessibleName(command->toolTip());
        tile->setTip(command->toolTip(), AccessibleText::text(QStringLiteral("TileHint")));
        connect(tile, &QLabelDragDrop::chosen, this, &LeftMenuWidget::commandChosen);
        m_grid->addWidget(tile, n / columns, n % columns);
        m_tiles.append(tile);
    }
    QList<QWidget *> cells;
    for (QLabelDragDrop *tile : std::as_const(m_tiles))
        cells.append(tile->isPlaceholder() ? nullptr : tile);
    m_focusGrid->setWidgets(cells);
    update();
}

void LeftMenuWidget::buildMenu()
{
    const HardwareDescription *description = AppContext::instance().description();
    if (!description) {
        qCWarning(lcUi) << "Command menu: no hardware description loaded";
        return;
    }
    buildMenu(description->commands());
}

void LeftMenuWidget::emptyMenu()
{
    for (QLabelDragDrop *tile : std::as_const(m_tiles)) {
        tile->clearLabel();
        m_grid->removeWidget(tile);
        tile->hide();
        tile->deleteLater();
    }
    m_tiles.clear();
    m_focusGrid->setWidgets({});
}

QLabelDragDrop *LeftMenuWidget::tile(const QString &command) const
{
    for (QLabelDragDrop *tile : m_tiles) {
        if (tile->command() == command)
            return tile;
    }
    return nullptr;
}

void LeftMenuWidget::SlotToChangeCurrentActiveProgramm(int index)
{
    qCDebug(lcUi) << index;
    // Subprograms are called from the main program only.
    for (QLabelDragDrop *tile : std::as_const(m_tiles)) {
        if (tile->command() == QLatin1String("call"))
            showReason(tile, ActionReasons::tileKey(tile->command(), 0, index));
    }
}

void LeftMenuWidget::slotToChangeSettings(int settingstatus)
{
    // A tile that needs a gadget on a pin says which one, until the settings put it there; the
    // others keep their state.
    for (QLabelDragDrop *tile : std::as_const(m_tiles)) {
        if (!ActionReasons::tileKey(tile->command(), 0, 0).isEmpty())
            showReason(tile, ActionReasons::tileKey(tile->command(),
                                                    static_cast<quint32>(settingstatus), 0));
    }
}

void LeftMenuWidget::showReason(QLabelDragDrop *tile, const QString &key)
{
    tile->setDisabledReason(key.isEmpty() ? QString() : AppContext::instance().text(key));
}

void LeftMenuWidget::dragEnterEvent(QDragEnterEvent *event)
{
    event->acceptProposedAction();
    emit programRowEntered();
}

void LeftMenuWidget::dropEvent(QDropEvent *event)
{
    auto *list = qobject_cast<ProgramListWidget *>(event->source());
    if (!list) {
        event->ignore();
        return;
    }
    deleteSelectedRows(list);
    event->setDropAction(Qt::MoveAction);
    event->accept();
}

void LeftMenuWidget::deleteSelectedRows(ProgramListWidget *list)
{
    list->deleteSelectedRows();
}
