#include "programlistwidget.h"

#include "appcontext.h"
#include "command.h"
#include "commandlistitem.h"
#include "deletedqlistitemwidgetcommand.h"
#include "focusring.h"
#include "programitemcombobox.h"
#include "programlistitemwidget.h"
#include "programvalues.h"
#include "setcommandjsoncommand.h"
#include "sliderwithicons.h"
#include "uilogging.h"

#include <QDrag>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QJsonObject>
#include <QKeyEvent>
#include <QMimeData>
#include <QPainter>
#include <QResizeEvent>
#include <QScrollBar>
#include <QUndoStack>

#include <algorithm>
#include <functional>

namespace {

const QString kBegin = QStringLiteral("BEGIN");
const QString kEnd = QStringLiteral("END");
const QString kStartCycle = QStringLiteral("mStartCycle");
const QString kEndCycle = QStringLiteral("mEndCycle");
const QString kCall = QStringLiteral("call");
const QString kConditions = QStringLiteral("conditions");
// The drawn scroll bar's width, which the rows keep free while it is hidden.
constexpr int kScrollBarWidth = 40;

int callTarget(const Command *command)
{
    return ProgramValues::readInt(
        command->json().value(QStringLiteral("action")).toObject().value(QStringLiteral("proc")));
}

} // namespace

ProgramListWidget::ProgramListWidget(QWidget *parent)
    : QListWidget(parent)
    , m_undoStack(new QUndoStack(this))
{
    setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    setAutoScroll(true);
    setAutoScrollMargin(50);
    auto *scrollBar = new SliderWithIcons(0, 300, 1, this);
    scrollBar->setLanguage();
    setVerticalScrollBar(scrollBar);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    // The rows keep their width when only the scroll bar comes or goes, as it does when the
    // transfer bar below shortens the list: their texts would otherwise jump or be cut.
    connect(scrollBar, &QScrollBar::rangeChanged, this, [this](int minimum, int maximum) {
        setViewportMargins(0, 0, maximum > minimum ? 0 : kScrollBarWidth, 0);
    });
    setViewportMargins(0, 0, kScrollBarWidth, 0);
    // The focus mark of the current row runs in the gaps above and below its frame, where it
    // hides neither this frame nor a neighbour's (the amber one of a paused run, say).
    using RowDecoration::kMarginTop;
    setProperty(
        FocusRing::RowInsetProperty,
        QVariant::fromValue(QMargins(0, kMarginTop - FocusRing::LineWidth + FocusRing::Margin, 0,
                                     FocusRing::Margin - kMarginTop)));
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setDragEnabled(true);
    setDragDropMode(QAbstractItemView::InternalMove);
    setDefaultDropAction(Qt::MoveAction);
    setDropIndicatorShown(true);
    setAcceptDrops(true);
    viewport()->setAcceptDrops(true);
    setContentsMargins(0, 0, 30, 0);
    setAttribute(Qt::WA_TranslucentBackground);
    viewport()->setAttribute(Qt::WA_TranslucentBackground);
    viewport()->setAttribute(Qt::WA_Hover);
    setStyleSheet(
        QStringLiteral(
            "ProgramListWidget::item {font: bold;background-color: "
            "#00ffffff;}ProgramListWidget::item:selected {background-color: cyan;border-radius: "
            "8px;}ProgramListWidget {background-color: #00ffffff;border-radius: "
            "12;}ProgramListWidget QScrollBar:vertical { width: %1px; margin: 0px 0px 0px 0px;}")
            .arg(kScrollBarWidth) +
        ProgramListItemWidget::styleRules());

    connect(this, &QListWidget::itemClicked, this, &ProgramListWidget::setSettings);
    connect(this, &QListWidget::currentItemChanged, this, &ProgramListWidget::itemChanged);
}

ProgramListWidget::~ProgramListWidget()
{
    // Undo steps may hold rows taken out of this list; drop them while the list still exists.
    m_undoStack->clear();
    clear();
}

bool ProgramListWidget::addRowByName(const QString &name)
{
    const AppContext &context = AppContext::instance();
    if (name == kBegin || name == kEnd) {
        const bool begin = name == kBegin;
        auto *item = new CommandListItem(nullptr, this);
        item->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemIsDropEnabled);
        auto *widget = new ProgramListItemWidget(
            begin ? ProgramListItemWidget::RowKind::Begin : ProgramListItemWidget::RowKind::End,
            context.text(begin ? QStringLiteral("StartLabel") : QStringLiteral("EndLabel")), item,
            viewport());
        item->setRowWidget(widget);
        item->setSizeHint(
            QSize(0, context.dimension(QStringLiteral("ProgramStartStopItemHeight"), 70)));
        setItemWidget(item, widget);
        return true;
    }

    const Command *menuCommand = context.commandMap().value(name);
    if (!menuCommand) {
        qCDebug(lcUi).noquote() << "Unknown command" << name;
        return false;
    }
    beginEdit();
    appendCommandRow(new Command(*menuCommand));
    notifyChanged();
    const int scrollPosition = verticalScrollBar()->value();
    setCurrentRow(count() - 1);
    verticalScrollBar()->setValue(scrollPosition);
    endEdit();
    return true;
}

void ProgramListWidget::appendCommandRow(Command *command)
{
    auto *item = new CommandListItem(command, this);
    item->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemIsDragEnabled |
                   Qt::ItemIsDropEnabled);
    // Built inside the viewport: children made under the styled list take their style once, while
    // reparenting a finished row would restyle it and make every chooser build its popup.
    auto *widget = new ProgramListItemWidget(command->name(), command->offIcon(), item, viewport());
    item->setRowWidget(widget);
    item->setSizeHint(
        QSize(0, AppContext::instance().dimension(QStringLiteral("ProgramItemHeight"), 70)));
    setItemWidget(item, widget);

    connect(widget, &ProgramListItemWidget::conditionKindChosen, this,
            [this, widget](int kind) { changeConditionKind(row(widget->listItem()), kind); });
    connect(widget, &ProgramListItemWidget::changeConditions, this,
            &ProgramListWidget::setSettings);
    connect(widget, &ProgramListItemWidget::ClickOnComboBoxEvent, this,
            &ProgramListWidget::SlotToClickByComboBoxOnItem);
    connect(widget, &ProgramListItemWidget::programListItemChanged, this,
            &ProgramListWidget::programListItemChanged);
    widget->setCommand(command);
    notifyChanged();
}

void ProgramListWidget::checkCycles()
{
    m_structureValid = true;
    bool open = false;
    QList<int> collected;
    auto setRowEnabled = [this](int row, bool enabled) {
        if (ProgramListItemWidget *widget = rowWidget(row))
            widget->setEnabled(enabled);
    };

    for (int i = 0; i < count(); ++i) {
        if (!m_structureValid) {
            setRowEnabled(i, false);
            continue;
        }
        setRowEnabled(i, true);
        if (open)
            collected.append(i);
        const QString name = rowName(i);
        if (name == kStartCycle) {
            if (!open) {
                open = true;
                collected = {i};
            } else {
                // A cycle start inside an open cycle: everything from the outer start on is void.
                m_structureValid = false;
                for (int row : std::as_const(collected))
                    setRowEnabled(row, false);
                collected.clear();
            }
        } else if (name == kEndCycle) {
            if (open) {
                open = false;
                collected.clear();
            } else {
                for (int row = i; row >= 0; --row)
                    setRowEnabled(row, false);
            }
        }
    }
    if (open) {
        m_structureValid = false;
        for (int row : std::as_const(collected))
            setRowEnabled(row, false);
    }
    viewport()->update();
}

bool ProgramListWidget::markRunningRow(int position, RowDecoration::Marker marker)
{
    ProgramListItemWidget *target =
        position >= 0 && marker != RowDecoration::Marker::None ? rowWidget(position + 1) : nullptr;
    // Only the row that loses the mark changes: a report that leaves it where it was is free.
    if (m_markedRow && m_markedRow != target)
        m_markedRow->setMarker(RowDecoration::Marker::None);
    m_markedRow = target;
    if (!target)
        return false;
    target->setMarker(marker);
    return true;
}

bool ProgramListWidget::toggleBreakpointOfSelection()
{
    const QList<QListWidgetItem *> selected = selectedItems();
    Command *command = selected.isEmpty() ? nullptr : commandAt(row(selected.first()));
    if (!command)
        return false;
    command->setBreakpoint(!command->hasBreakpoint());
    return true;
}

void ProgramListWidget::deleteSelectedRows()
{
    QList<int> rows;
    const QList<QListWidgetItem *> selected = selectedItems();
    for (QListWidgetItem *selectedItem : selected)
        rows.append(row(selectedItem));
    // Highest row first, so that the row index each step keeps is still right when it runs.
    std::sort(rows.begin(), rows.end(), std::greater<int>());
    for (int index : std::as_const(rows)) {
        Command *command = commandAt(index);
        if (!command)
            continue;
        qCDebug(lcUi).noquote() << "Delete row" << index << command->name();
        m_undoStack->push(
            new DeletedQListItemWidgetCommand(this, index, command, rowWidget(index)));
    }
}

int ProgramListWidget::insertIndexAfterCurrent() const
{
    const int current = currentRow();
    if (count() < 2)
        return count();
    // No row, or END: the new command goes last, just before END.
    if (current < 0 || current >= count() - 1)
        return count() - 1;
    return current + 1;
}

void ProgramListWidget::openConditionChooser()
{
    ProgramListItemWidget *widget = commandAt(currentRow()) ? rowWidget(currentRow()) : nullptr;
    if (widget && widget->isEnabled() && widget->conditionChooser())
        widget->conditionChooser()->showPopup();
}

void ProgramListWidget::resizeEvent(QResizeEvent *event)
{
    QListWidget::resizeEvent(event);
    // A list view lays its rows out again only when it grows; a narrower list (a side panel
    // opened, a smaller window) would cut them on the right.
    if (event->size().width() != event->oldSize().width())
        scheduleDelayedItemsLayout();
}

void ProgramListWidget::keyPressEvent(QKeyEvent *event)
{
    const int current = currentRow();
    const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
    const int key = event->key();
    if (modifiers == Qt::ControlModifier && (key == Qt::Key_Up || key == Qt::Key_Down)) {
        // The same moves a drop above the row before or below the row after asks for.
        if (commandAt(current)) {
            if (key == Qt::Key_Up && current > 1)
                emit MoveWidget(current, current - 1, MoveAbove);
            else if (key == Qt::Key_Down && current + 2 < count())
                emit MoveWidget(current, current + 2, MoveBelow);
        }
        event->accept();
        return;
    }
    if (modifiers == Qt::NoModifier && key == Qt::Key_Delete) {
        if (commandAt(current)) {
            deleteSelectedRows();
            // The row that took the deleted one's place is the next to work on.
            setCurrentRow(qMin(current, count() - 1));
        }
        event->accept();
        return;
    }
    if ((modifiers == Qt::NoModifier && key == Qt::Key_F4) ||
        (modifiers == Qt::AltModifier && key == Qt::Key_Down)) {
        openConditionChooser();
        event->accept();
        return;
    }
    QListWidget::keyPressEvent(event);
}

bool ProgramListWidget::hasCallTo(int program) const
{
    for (int i = 0; i < count(); ++i) {
        const Command *command = commandAt(i);
        if (command && command->name() == kCall && callTarget(command) == program)
            return true;
    }
    return false;
}

void ProgramListWidget::renumberCalls(int deletedProgram)
{
    for (int i = 0; i < count(); ++i) {
        Command *command = commandAt(i);
        if (!command || command->name() != kCall)
            continue;
        const int target = callTarget(command);
        if (target <= deletedProgram)
            continue;
        const QJsonObject action{{QStringLiteral("proc"), target - 1},
                                 {QStringLiteral("command"), kCall}};
        command->setJson(QJsonObject{
            {QStringLiteral("conditions"), command->json().value(QStringLiteral("conditions"))},
            {QStringLiteral("action"), action}});
    }
}

void ProgramListWidget::moveRowBefore(int source, int destination)
{
    if (source < 0 || source >= count() || destination < 0 || destination > count())
        return;
    if (destination == source || destination == source + 1)
        return;
    model()->moveRow(QModelIndex(), source, QModelIndex(), destination);
}

QListWidgetItem *ProgramListWidget::takeRow(int row)
{
    if (row < 0 || row >= count())
        return nullptr;
    return takeItem(row);
}

void ProgramListWidget::beginEdit()
{
    ++m_editDepth;
}

void ProgramListWidget::endEdit()
{
    if (m_editDepth == 0 || --m_editDepth > 0)
        return;
    checkCycles();
    if (m_changePending) {
        m_changePending = false;
        emit programListChanged();
    }
}

void ProgramListWidget::markChanged()
{
    notifyChanged();
}

Command *ProgramListWidget::commandAt(int row) const
{
    auto *listItem = item(row);
    if (!listItem || listItem->type() != CommandListItem::Type)
        return nullptr;
    return static_cast<CommandListItem *>(listItem)->command();
}

void ProgramListWidget::replaceCommandJson(int row, const QJsonObject &json, int conditionKind)
{
    Command *command = commandAt(row);
    if (!command)
        return;
    if (conditionKind >= 0)
        command->setConditionKind(conditionKind);
    // The row's observer updates its summary and chooser, and the list reports the change, which
    // sends the program to the worker again.
    command->setJson(json);
    emit commandReplaced(command);
}

void ProgramListWidget::changeConditionKind(int row, int kind)
{
    const Command *command = commandAt(row);
    if (!command || kind == command->conditionKind() ||
        !command->allowedConditions().contains(kind))
        return;
    QJsonObject after = command->json();
    if (m_conditionsForKind)
        after.insert(kConditions, m_conditionsForKind(*command, kind));
    else if (kind == Command::Always)
        after.insert(kConditions, QJsonObject{{QStringLiteral("type"), QStringLiteral("always")}});
    // The kind and the conditions it stands for change together: the document, the row's text
    // and what the robot gets say the same as the chooser.
    m_undoStack->push(new SetCommandJsonCommand(
        this, row, {command->json(), command->conditionKind()}, {after, kind}));
}

void ProgramListWidget::setConditionsForKind(ConditionsForKind conditions)
{
    m_conditionsForKind = std::move(conditions);
}

ProgramListItemWidget *ProgramListWidget::rowWidget(int row) const
{
    auto *listItem = item(row);
    if (!listItem || listItem->type() != CommandListItem::Type)
        return nullptr;
    return static_cast<CommandListItem *>(listItem)->rowWidget();
}

QString ProgramListWidget::rowName(int row) const
{
    if (const Command *command = commandAt(row))
        return command->name();
    const ProgramListItemWidget *widget = rowWidget(row);
    if (widget && widget->kind() == ProgramListItemWidget::RowKind::Begin)
        return kBegin;
    return kEnd;
}

QStringList ProgramListWidget::rowNames() const
{
    QStringList names;
    for (int i = 0; i < count(); ++i)
        names.append(rowName(i));
    return names;
}

QList<Command *> ProgramListWidget::commands() const
{
    QList<Command *> result;
    for (int i = 0; i < count(); ++i) {
        if (Command *command = commandAt(i))
            result.append(command);
    }
    return result;
}

int ProgramListWidget::insertIndexForDrop(int row, int count)
{
    if (row == 0)
        return 1;
    if (row > 0)
        return row;
    return std::max(count - 1, 0);
}

int ProgramListWidget::moveTargetIndex(MoveMode mode, int row, int count)
{
    switch (mode) {
    case MoveAbove:
    case MoveOn:
        return row <= 0 ? 1 : row;
    case MoveBelow:
        // Below BEGIN is the same place as above the first command.
        if (row <= 0)
            return 1;
        return row + 1 < count ? row + 1 : count - 1;
    case MoveOnViewport:
        break;
    }
    return std::max(count - 1, 0);
}

void ProgramListWidget::setSettings(QListWidgetItem *listItem)
{
    if (!currentItem() && listItem)
        setCurrentItem(listItem);
    showCurrentCommand();
}

void ProgramListWidget::itemChanged(QListWidgetItem *current, QListWidgetItem *)
{
    Command *command = nullptr;
    if (current && current->type() == CommandListItem::Type)
        command = static_cast<CommandListItem *>(current)->command();
    emit commandSelected(command);
}

void ProgramListWidget::SlotToClickByComboBoxOnItem(ProgramListItemWidget *widget)
{
    if (!widget || !widget->listItem())
        return;
    clearSelection();
    setCurrentItem(widget->listItem());
    widget->listItem()->setSelected(true);
}

void ProgramListWidget::programListItemChanged()
{
    notifyChanged();
}

void ProgramListWidget::RepaintSettings()
{
    setSettings(nullptr);
}

void ProgramListWidget::dragEnterEvent(QDragEnterEvent *event)
{
    QListWidget::dragEnterEvent(event);
    event->accept();
}

void ProgramListWidget::dragMoveEvent(QDragMoveEvent *event)
{
    QListWidget::dragMoveEvent(event);
    // Tiles of the command menu carry text the list model does not know; they are welcome anyway.
    if (event->mimeData()->hasText())
        event->acceptProposedAction();
}

void ProgramListWidget::dropEvent(QDropEvent *event)
{
    const QMimeData *mime = event->mimeData();
    const QPoint position = event->position().toPoint();
    const int n = count();
    const QModelIndex under = indexAt(position);
    const int row = under.isValid() ? under.row() : -1;

    if (mime->hasText()) {
        const int insertIndex = insertIndexForDrop(row, n);
        const bool scrollAfter = row == -1 || (row > 0 && row + 1 >= n);
        QPixmap image;
        if (mime->hasImage())
            image = qvariant_cast<QPixmap>(mime->imageData());
        emit AddDragDropWidget(mime->text().section(QLatin1Char(','), 0, 0), image, insertIndex);
        if (scrollAfter)
            scrollToBottom();
        event->acceptProposedAction();
    } else if (event->source() == this) {
        MoveMode mode = MoveOnViewport;
        if (row >= 0) {
            switch (dropIndicatorPosition()) {
            case QAbstractItemView::AboveItem:
                mode = MoveAbove;
                break;
            case QAbstractItemView::OnItem:
                mode = MoveOn;
                break;
            case QAbstractItemView::BelowItem:
                mode = MoveBelow;
                break;
            case QAbstractItemView::OnViewport:
                mode = MoveOnViewport;
                break;
            }
        }
        // The move itself is an undo step; the view's own row handling must not run as well.
        event->setDropAction(Qt::MoveAction);
        event->accept();
        emit MoveWidget(currentRow(), moveTargetIndex(mode, row, n), mode);
    } else {
        event->ignore();
    }
    stopAutoScroll();
    setState(QAbstractItemView::NoState);
    viewport()->update();
}

void ProgramListWidget::startDrag(Qt::DropActions supportedActions)
{
    if (!commandAt(currentRow()))
        return;
    const QModelIndexList indexes = selectedIndexes();
    if (indexes.isEmpty())
        return;
    QMimeData *data = model()->mimeData(indexes);
    if (!data)
        return;

    QPixmap pixmap(viewport()->visibleRegion().boundingRect().size());
    pixmap.fill(Qt::transparent);
    {
        QPainter painter(&pixmap);
        for (const QModelIndex &index : indexes) {
            if (QWidget *widget = indexWidget(index))
                widget->render(&painter, visualRect(index).topLeft());
        }
    }
    auto *drag = new QDrag(this);
    drag->setMimeData(data);
    drag->setPixmap(pixmap);
    drag->setHotSpot(viewport()->mapFromGlobal(QCursor::pos()));
    drag->exec(supportedActions, Qt::MoveAction);
}

void ProgramListWidget::notifyChanged()
{
    if (m_editDepth > 0) {
        m_changePending = true;
        return;
    }
    emit programListChanged();
}

void ProgramListWidget::showCurrentCommand()
{
    emit commandSelected(commandAt(currentRow()));
}
