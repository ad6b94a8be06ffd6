#include "centralwidget.h"

#include "accessibletext.h"
#include "addcommand.h"
#include "appcontext.h"
#include "command.h"
#include "dragdropcommand.h"
#include "hardwaredescription.h"
#include "leftmenuwidget.h"
#include "moveaboveitemcommand.h"
#include "movebelowitemcommand.h"
#include "moveonitemcommand.h"
#include "moveonviewportcommand.h"
#include "programareaselection.h"
#include "programlistwidget.h"
#include "programstore.h"
#include "programvalues.h"
#include "statereport.h"
#include "subprogramtabwidget.h"
#include "tabstrip.h"
#include "uilogging.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QStackedWidget>
#include <QUndoGroup>
#include <QUndoStack>
#include <QVBoxLayout>

#include <algorithm>

CentralWidget::CentralWidget(QWidget *parent)
    : QFrame(parent)
    , m_group(std::make_shared<QList<QPointer<SubProgramTabWidget>>>())
    , m_pages(new QStackedWidget(this))
    , m_tabStrip(new TabStrip)
    , m_addButton(new QPushButton(QStringLiteral("+")))
{
    setAcceptDrops(true);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    auto *tabBar = new QFrame(this);
    // The chosen tab reaches down to its page.
    tabBar->setFixedHeight(50);
    auto *tabBarLayout = new QHBoxLayout(tabBar);
    tabBarLayout->setContentsMargins(0, 0, 0, 0);
    tabBarLayout->setSpacing(0);

    tabBarLayout->addWidget(m_tabStrip, 1);

    auto *addFrame = new QFrame(tabBar);
    auto *addLayout = new QHBoxLayout(addFrame);
    addLayout->setContentsMargins(30, 0, 0, 0);
    m_addButton->setParent(addFrame);
    m_addButton->setObjectName(QStringLiteral("addSubprogram"));
    m_addButton->setFixedSize(40, 40);
    // Reached by Tab only, like the tabs beside it.
    m_addButton->setFocusPolicy(Qt::TabFocus);
    m_addButton->setStyleSheet(
        QStringLiteral("background-color: rgba(69,192, 222, 255); border-radius: 8px;margin-right: "
                       "3px;margin-left: 0px;color: white;font-size: 16px;font-weight: bold;"));
    addLayout->addWidget(m_addButton);
    tabBarLayout->addWidget(addFrame);

    m_pages->setStyleSheet(QStringLiteral("background-color: rgba(79, 221, 255, 255); "
                                          "border-color: #78DBE2; border-radius:0px; "));
    m_pages->setAcceptDrops(true);
    layout->addWidget(tabBar);
    layout->addWidget(m_pages, 1);

    m_undoGroup = new QUndoGroup(this);
    connect(m_pages, &QStackedWidget::currentChanged, this, &CentralWidget::followShownList);

    connect(m_addButton, &QPushButton::clicked, this, &CentralWidget::addNewSubProgramClick);
    connect(m_pages, &QStackedWidget::currentChanged, LeftMenuWidget::instance(),
            &LeftMenuWidget::SlotToChangeCurrentActiveProgramm);
}

CentralWidget::~CentralWidget()
{
    // QWidget's destructor deletes the lists after this object has stopped being a CentralWidget;
    // a list that reports its selection going away must not reach it then.
    for (ProgramListWidget *list : findChildren<ProgramListWidget *>())
        disconnect(list, nullptr, this, nullptr);
}

CentralWidget *CentralWidget::instance()
{
    static QPointer<CentralWidget> area;
    if (!area)
        area = new CentralWidget;
    return area;
}

ProgramListWidget *CentralWidget::currentList() const
{
    const int index = m_pages->currentIndex();
    return index >= 0 && index < m_lists.size() ? m_lists.at(index) : nullptr;
}

Command *CentralWidget::currentCommand() const
{
    const ProgramListWidget *list = currentList();
    return list ? list->commandAt(list->currentRow()) : nullptr;
}

ProgramSelection *CentralWidget::selection()
{
    if (!m_selection)
        m_selection = new ProgramAreaSelection(this);
    return m_selection;
}

void CentralWidget::followShownList()
{
    // Undo and redo act on the program shown, each with its own history.
    ProgramListWidget *list = currentList();
    m_undoGroup->setActiveStack(list ? list->undoStack() : nullptr);
}

void CentralWidget::setConditionsForKind(
    std::function<QJsonObject(const Command &, int)> conditions)
{
    m_conditionsForKind = std::move(conditions);
    for (ProgramListWidget *list : std::as_const(m_lists))
        list->setConditionsForKind(m_conditionsForKind);
}

int CentralWidget::currentIndex() const
{
    return m_pages->currentIndex();
}

void CentralWidget::showProgram(int index)
{
    if (index < 0 || index >= m_lists.size())
        return;
    selectTab(index);
    m_pages->setCurrentIndex(index);
    ChangeSubprogFrame(index);
    followShownList();
}

void CentralWidget::retranslate()
{
    const AppContext &context = AppContext::instance();
    m_mainLabel = context.text(QStringLiteral("ProgramLabel"));
    m_subprogramLabel = context.text(QStringLiteral("SubprogramLabel"));
    for (int i = 0; i < m_tabs.size(); ++i)
        m_tabs.at(i)->setName(i == 0 ? m_mainLabel : m_subprogramLabel);
    m_tabStrip->retranslate();
    // Rows stay readable however wide the side panels are made: "S:50 T:2" never wraps.
    setMinimumWidth(context.dimension(QStringLiteral("ProgramAreaLeastWidth"), 360));
    m_addButton->setToolTip(AccessibleText::text(QStringLiteral("AddSubprogramHint")));
    AccessibleText::set(m_addButton, QStringLiteral("AddSubprogramName"),
                        QStringLiteral("AddSubprogramHint"));
    nameLists();
}

void CentralWidget::nameLists()
{
    const QString hint = AccessibleText::text(QStringLiteral("ProgramListHint"));
    for (int i = 0; i < m_lists.size() && i < m_tabs.size(); ++i)
        AccessibleText::setTexts(m_lists.at(i), m_tabs.at(i)->caption(), hint);
}

void CentralWidget::loadFromStore(const ProgramStore &store)
{
    AppContext &context = AppContext::instance();
    context.readConfiguration(store.configuration());
    {
        // Loading is one change; the main window hears of it from its caller.
        QScopedValueRollback<bool> loading(m_loading, true);
        ClearProgramms(false);
        for (int k = 1; k < store.programCount(); ++k)
            addNewSubProgram(false);
        if (store.programCount() > m_lists.size()) {
            qCWarning(lcUi).noquote()
                << "Only" << m_lists.size() << "of" << store.programCount() << "programs loaded";
        }
        // A document without any program still shows an empty main program.
        const int programs =
            std::max(1, int(std::min<qsizetype>(store.programCount(), m_lists.size())));
        for (int k = 0; k < programs; ++k) {
            ProgramListWidget *list = m_lists.at(k);
            list->addRowByName(QStringLiteral("BEGIN"));
            const QList<Command *> program =
                k < store.programCount() ? store.program(k) : QList<Command *>();
            for (const Command *stored : program) {
                const Command *menuCommand = context.commandMap().value(stored->name());
                if (!menuCommand) {
                    qCDebug(lcUi).noquote() << "Unknown command dropped:" << stored->name();
                    continue;
                }
                auto *command = new Command(*menuCommand);
                command->load(stored->documentJson());
                list->appendCommandRow(command);
            }
            list->addRowByName(QStringLiteral("END"));
            list->checkCycles();
        }
    }
    LeftMenuWidget::instance()->slotToChangeSettings(int(context.gadgetFlags()));
}

QList<QList<Command *>> CentralWidget::collectCommands() const
{
    QList<QList<Command *>> result;
    for (const ProgramListWidget *list : m_lists)
        result.append(list->commands());
    return result;
}

void CentralWidget::deleteTab(int idx, bool createEmpty)
{
    if (idx < 0 || idx >= m_tabs.size())
        return;
    removeProgram(idx);
    for (SubProgramTabWidget *tab : std::as_const(m_tabs)) {
        if (tab->index() > idx)
            tab->setIndex(tab->index() - 1);
    }
    if (idx == 0)
        createMainProgram(createEmpty);
    nameLists();
    showProgram(0);
    // The document held by the worker must lose the program and follow the renumbered calls.
    programListWidgetChanged();
}

void CentralWidget::createMainProgram(bool createEmpty)
{
    SubProgramTabWidget *tab = createTab(0, m_mainLabel);
    tab->setDeletable(false);
    tab->setNumbered(false);
    m_tabs.prepend(tab);
    m_group->prepend(tab);
    m_tabStrip->insertTab(0, tab);
    tab->setSelected(true);

    ProgramListWidget *list = createList();
    if (createEmpty) {
        list->addRowByName(QStringLiteral("BEGIN"));
        list->addRowByName(QStringLiteral("END"));
    }
    auto *page = new QWidget;
    auto *pageLayout = new QVBoxLayout(page);
    pageLayout->setContentsMargins(0, 0, 0, 0);
    pageLayout->addWidget(list);
    m_pages->insertWidget(0, page);
    m_lists.prepend(list);
    for (SubProgramTabWidget *other : std::as_const(m_tabs))
        other->setMainProgramList(list);
    nameLists();
}

void CentralWidget::AddWidgetProcessor(const QString &commandText, const QPixmap &image)
{
    if (ProgramListWidget *list = currentList())
        list->undoStack()->push(new AddCommand(list, commandText, image));
}

void CentralWidget::MoveWidgetEvent(int oldIndex, int newIndex, int mode)
{
    ProgramListWidget *list = currentList();
    if (!list)
        return;
    QUndoCommand *command = nullptr;
    switch (mode) {
    case ProgramListWidget::MoveAbove:
        command = new MoveAboveItemCommand(list, oldIndex, newIndex);
        break;
    case ProgramListWidget::MoveOn:
        command = new MoveOnItemCommand(list, oldIndex, newIndex);
        break;
    case ProgramListWidget::MoveBelow:
        command = new MoveBelowItemCommand(list, oldIndex, newIndex);
        break;
    case ProgramListWidget::MoveOnViewport:
        command = new MoveOnViewportCommand(list, oldIndex, newIndex);
        break;
    default:
        return;
    }
    list->undoStack()->push(command);
}

void CentralWidget::AddDragDropCommandProcessor(const QString &commandText, const QPixmap &image,
                                                int insertIndex)
{
    if (ProgramListWidget *list = currentList())
        list->undoStack()->push(new DragDropCommand(list, commandText, image, insertIndex));
}

void CentralWidget::insertChosenCommand(const QString &command)
{
    ProgramListWidget *list = currentList();
    if (!list)
        return;
    list->undoStack()->push(
        new DragDropCommand(list, command, QPixmap(), list->insertIndexAfterCurrent()));
    list->scrollToItem(list->currentItem());
}

void CentralWidget::addNewSubProgram(bool withRows)
{
    if (m_tabs.size() >= MaxPrograms)
        return;
    ProgramListWidget *list = createList();
    auto *page = new QWidget;
    auto *pageLayout = new QVBoxLayout(page);
    pageLayout->setContentsMargins(0, 0, 0, 0);
    pageLayout->addWidget(list);
    m_lists.append(list);
    const int index = m_pages->addWidget(page);

    SubProgramTabWidget *tab = createTab(index, m_subprogramLabel);
    tab->setMainProgramList(m_lists.first());
    m_group->append(tab);
    m_tabStrip->insertTab(m_tabs.size(), tab);
    m_tabs.append(tab);
    connect(tab, &SubProgramTabWidget::deleted, this, &CentralWidget::deleteTab);
    nameLists();

    if (withRows) {
        list->addRowByName(QStringLiteral("BEGIN"));
        list->addRowByName(QStringLiteral("END"));
    }
}

void CentralWidget::addNewSubProgramClick()
{
    const int before = m_lists.size();
    addNewSubProgram(true);
    if (m_lists.size() != before) {
        // The user sees where the new subprogram went, even at the far end of a full strip.
        m_tabStrip->ensureVisible(m_tabs.last());
        programListWidgetChanged();
    }
}

void CentralWidget::programListWidgetChanged()
{
    if (m_loading)
        return;
    qCDebug(lcUi) << "program List changed";
    emit programChanged();
}

void CentralWidget::changeStatusSlot(const QJsonObject &json)
{
    const int proc = ProgramValues::readInt(json.value(QStringLiteral("proc")));
    const int progpos = ProgramValues::readInt(json.value(QStringLiteral("progpos")));
    const int procpos = ProgramValues::readInt(json.value(QStringLiteral("procpos")));
    // Without "run" a report says nothing about a pause: its position is the running one.
    const QJsonValue run = json.value(QStringLiteral("run"));
    const int runMarker =
        run.isUndefined() ? int(StateReport::Running) : ProgramValues::readInt(run);
    using RowDecoration::Marker;
    Marker marker = Marker::None;
    if (progpos != -1 && runMarker == StateReport::Running)
        marker = Marker::Running;
    else if (progpos != -1 && runMarker == StateReport::Paused)
        marker = Marker::Next;

    // The main program marks where the run stands in it, a subprogram the row it runs.
    for (int k = 0; k < m_lists.size(); ++k) {
        const int position = k == 0 ? progpos : (k == proc ? procpos : -1);
        const bool marked = m_lists.at(k)->markRunningRow(position, marker);
        if (k < m_tabs.size())
            m_tabs.at(k)->setMarker(marked ? marker : Marker::None);
    }
}

void CentralWidget::ClearProgramms(bool createEmpty)
{
    for (ProgramListWidget *list : std::as_const(m_lists)) {
        list->undoStack()->clear();
        list->clear();
    }
    for (int k = m_tabs.size() - 1; k >= 0; --k)
        removeProgram(k);
    createMainProgram(createEmpty);
    showProgram(0);
}

void CentralWidget::ChangeSubprogFrame(int index)
{
    if (index >= 0 && index < m_lists.size())
        m_lists.at(index)->setSettings(nullptr);
}

ProgramListWidget *CentralWidget::createList()
{
    auto *list = new ProgramListWidget;
    connect(list, &ProgramListWidget::AddNewWidget, this, &CentralWidget::AddWidgetProcessor);
    connect(list, &ProgramListWidget::MoveWidget, this, &CentralWidget::MoveWidgetEvent);
    connect(list, &ProgramListWidget::AddDragDropWidget, this,
            &CentralWidget::AddDragDropCommandProcessor);
    connect(list, &ProgramListWidget::programListChanged, this,
            &CentralWidget::programListWidgetChanged);
    connect(list, &ProgramListWidget::commandSelected, this, [this, list](Command *command) {
        if (list == currentList())
            emit commandSelected(command);
    });
    connect(list, &ProgramListWidget::commandReplaced, this, &CentralWidget::commandReplaced);
    list->setConditionsForKind(m_conditionsForKind);
    m_undoGroup->addStack(list->undoStack());
    return list;
}

SubProgramTabWidget *CentralWidget::createTab(int index, const QString &name)
{
    auto *tab = new SubProgramTabWidget(
        index, name, AppContext::instance().text(QStringLiteral("SubDeleteHint")), refusalText());
    tab->setGroup(m_group);
    connect(tab, &SubProgramTabWidget::selected, m_pages, &QStackedWidget::setCurrentIndex);
    connect(tab, &SubProgramTabWidget::selected, this, &CentralWidget::ChangeSubprogFrame);
    connect(tab, &SubProgramTabWidget::selected, this,
            [this, tab] { m_tabStrip->ensureVisible(tab); });
    return tab;
}

void CentralWidget::removeProgram(int index)
{
    SubProgramTabWidget *tab = m_tabs.takeAt(index);
    m_group->removeAll(tab);
    m_tabStrip->removeTab(tab);
    tab->hide();
    // The tab may be the sender of the request that removes it.
    tab->deleteLater();

    ProgramListWidget *list = m_lists.takeAt(index);
    list->disconnect(this);
    QWidget *page = m_pages->widget(index);
    m_pages->removeWidget(page);
    page->hide();
    page->deleteLater();
}

void CentralWidget::selectTab(int index)
{
    for (int i = 0; i < m_tabs.size(); ++i)
        m_tabs.at(i)->setSelected(i == index);
    if (index >= 0 && index < m_tabs.size())
        m_tabStrip->ensureVisible(m_tabs.at(index));
}

QString CentralWidget::refusalText() const
{
    if (const HardwareDescription *description = AppContext::instance().description())
        return description->text(QStringLiteral("CannotDeleteSubHint"));
    return AppContext::instance().text(QStringLiteral("CannotDeleteSubHint"));
}
