#include "mainwindow.h"

#include "appcontext.h"
#include "bluetoothconfigurationwidget.h"
#include "centralwidget.h"
#include "classroster.h"
#include "classscheduler.h"
#include "classwindow.h"
#include "configurationwidget.h"
#include "examplecatalog.h"
#include "examplesdialog.h"
#include "filedialog.h"
#include "focusorder.h"
#include "hardwaredescription.h"
#include "languagecatalog.h"
#include "languagewidget.h"
#include "leftmenuwidget.h"
#include "lessonsmenu.h"
#include "mworker.h"
#include "programaccessibility.h"
#include "programfiledrop.h"
#include "programlistwidget.h"
#include "programselection.h"
#include "programstore.h"
#include "qlabeldragdrop.h"
#include "qttranslations.h"
#include "rightmenuwidget.h"
#include "robotviewdock.h"
#include "sensorpanel.h"
#include "sidepanels.h"
#include "stateautosave.h"
#include "terminationsignals.h"
#include "topmenushortcuts.h"
#include "topmenuwidget.h"
#include "transferpanel.h"
#include "uilogging.h"
#include "unsavedquestion.h"
#include "virtualcontroller.h"
#include "worksheet.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QJsonArray>
#include <QMessageBox>
#include <QRegularExpression>
#include <QScreen>
#include <QTimer>
#include <QToolBar>
#include <QUndoGroup>
#include <QUndoStack>
#include <QUrl>
#include <QVBoxLayout>

#include <utility>

MainWindow::MainWindow(const Options &options, QWidget *parent)
    : QMainWindow(parent)
    , m_options(options)
    , m_worker(std::make_unique<mWorker>())
{
    setObjectName(QStringLiteral("MainWindow"));
    ProgramAccessibility::install();
    resize(800, 600);
    setWindowTitle(QStringLiteral("MainWindow"));

    auto *central = new QWidget(this);
    central->setObjectName(QStringLiteral("centralwidget"));
    central->setContentsMargins(0, 0, 0, 0);
    setCentralWidget(central);

    m_mainLayout = new QVBoxLayout(central);
    m_mainLayout->setContentsMargins(0, 0, 0, 0);
    m_mainLayout->setSpacing(0);
    m_mainLayout->addWidget(TopMenuWidget::instance(), 15);

    m_regionsFrame = new QFrame(central);
    m_regionsFrame->setProperty("backgroundGrad", true);
    m_regionsFrame->setStyleSheet(QStringLiteral(
        "QFrame[backgroundGrad=true] {padding-top: 10px; background: qlineargradient(x1:0, "
        "y1:0, x2:0, y2:1, stop:0 rgba(5, 46, 60, 255), stop: 0.5 rgba(17, 80, 103, 255), "
        "stop:1 rgba(25, 104, 134, 255));}"));
    m_mainLayout->addWidget(m_regionsFrame, 85);

    m_regionsLayout = new QHBoxLayout(m_regionsFrame);
    m_regionsLayout->addWidget(LeftMenuWidget::instance(), 15);
    m_centralLayout = new QVBoxLayout;
    m_centralLayout->addWidget(CentralWidget::instance());
    m_transferPanel = new TransferPanel(m_regionsFrame);
    m_transferPanel->setDeviceName([this] { return deviceName(); });
    m_centralLayout->addWidget(m_transferPanel);
    m_regionsLayout->addLayout(m_centralLayout, 60);
    m_rightLayout = new QVBoxLayout;
    m_rightLayout->addWidget(RightMenuWidget::instance());
    m_regionsLayout->addLayout(m_rightLayout, 15);

    // However the program ends, the user's work is saved: a closed window saves in its close
    // event; a quit, a termination signal (which quits) and a logout save here.
    m_autosave = new StateAutosave([this] { saveState(); }, this);
    m_qtTranslations = new QtTranslations(this);
    auto *termination = new TerminationSignals(this);
    connect(termination, &TerminationSignals::received, qApp, &QCoreApplication::quit);
    connect(qApp, &QCoreApplication::aboutToQuit, this, &MainWindow::shutDown);
    connect(qApp, &QGuiApplication::commitDataRequest, this, [this] { saveState(); });

    auto *breakpointAction = new QAction(QStringLiteral("breakpoint"), this);
    breakpointAction->setShortcut(QKeySequence(Qt::Key_F9));
    addAction(breakpointAction);
    createShortcuts();
    m_undoAction = m_shortcutActions.value(QStringLiteral("undo"));

    AppContext &context = AppContext::instance();
    connect(this, &MainWindow::InitErrorSignals, this, &MainWindow::ShowErrorBox);
    connect(breakpointAction, &QAction::triggered, this, &MainWindow::toggleBreakpoint);
    connect(CentralWidget::instance(), &CentralWidget::programChanged, this,
            &MainWindow::ProgramChanged);
    connect(m_worker.get(), &mWorker::sigCurState, CentralWidget::instance(),
            &CentralWidget::changeStatusSlot);
    connect(m_worker.get(), &mWorker::sigCurState, TopMenuWidget::instance(),
            &TopMenuWidget::changeStatus);
    connect(m_worker.get(), &mWorker::sigReadProg, this, &MainWindow::ReadProgrammFromDevice);
    connect(m_worker.get(), &mWorker::sigTransferProgress, m_transferPanel,
            &TransferPanel::showProgress);
    connect(m_worker.get(), &mWorker::sigTransferEnded, m_transferPanel, &TransferPanel::showEnd);
    connect(m_worker.get(), &mWorker::sigWritePlanned, m_transferPanel,
            &TransferPanel::showWritePlan);
    connect(m_worker.get(), &mWorker::sigRunOnRobot, m_transferPanel,
            &TransferPanel::showRunOnRobot);
    connect(m_worker.get(), &mWorker::sigCurState, m_transferPanel, &TransferPanel::followState);
    connect(this, &MainWindow::ClickLabelSignal, m_worker.get(), &mWorker::mwCommand);
    connect(LeftMenuWidget::instance(), &LeftMenuWidget::commandChosen, CentralWidget::instance(),
            &CentralWidget::insertChosenCommand);
    QUndoGroup *history = CentralWidget::instance()->undoGroup();
    connect(history, &QUndoGroup::canUndoChanged, this, &MainWindow::showHistoryButtons);
    connect(history, &QUndoGroup::canRedoChanged, this, &MainWindow::showHistoryButtons);
    ProgramSelection *selection = CentralWidget::instance()->selection();
    RightMenuWidget *panel = RightMenuWidget::instance();
    panel->connectToEditor(selection);
    connect(panel, &RightMenuWidget::runClicked, this, &MainWindow::ExecuteCurrentSelectedCommand,
            Qt::UniqueConnection);
    connect(m_worker.get(), &mWorker::sigCurState, panel, &RightMenuWidget::updateStatusManual);
    // A row dragged onto the command menu is on its way to being deleted: the panel lets go.
    connect(LeftMenuWidget::instance(), &LeftMenuWidget::programRowEntered, panel,
            &RightMenuWidget::hideEditors);
    m_panels = new SidePanels(this, m_worker.get(), selection, m_options.virtualController);
    m_panels->restoreState(context.store().panels());
    m_lessons = new LessonsMenu(this);
    connect(m_lessons, &LessonsMenu::examplesRequested, this, &MainWindow::openExamples);
    connect(m_lessons, &LessonsMenu::worksheetRequested, this, &MainWindow::showWorksheet);
    connect(m_lessons, &LessonsMenu::exportRequested, this, &MainWindow::exportWorksheet);
    connect(new ProgramFileDrop(this), &ProgramFileDrop::dropped, this,
            &MainWindow::openProgramFileAsking);
    // The class: its robots remembered beside the programs, worked on several at once; the
    // editor's robot over the editor's own link.
    m_roster = new ClassRoster(ClassRoster::filePathIn(context.store().dataFolder()), this);
    m_scheduler = new ClassScheduler(this);
    m_scheduler->setEditorWorker(m_worker->worker(), [this] { return buildDocument(); });

    // Without a saved language that is still shipped, the user chooses one before the build.
    if (LanguageCatalog::instance().select(context.store().language())) {
        build();
    } else {
        hide();
        auto *page = new LanguageWidget(this);
        connect(page, &LanguageWidget::LanguageChange, this, &MainWindow::LanguageSelected);
        page->show();
    }
}

MainWindow::~MainWindow()
{
    // The rooms are children of this window and go after this destructor: the undo group
    // reports its stacks leaving and the program area its lists, and neither may reach a
    // window that is half gone.
    CentralWidget *editor = CentralWidget::instance();
    disconnect(editor->undoGroup(), nullptr, this, nullptr);
    disconnect(editor, nullptr, this, nullptr);
    disconnect(LeftMenuWidget::instance(), nullptr, this, nullptr);
    disconnect(RightMenuWidget::instance(), nullptr, this, nullptr);
}

ConfigurationWidget *MainWindow::settingsDialog() const
{
    return m_settings;
}

void MainWindow::ShowErrorBox(const QString &message)
{
    QMessageBox box(this);
    box.setIcon(QMessageBox::Critical);
    box.setWindowTitle(windowTitle());
    box.setText(message);
    box.exec();
}

void MainWindow::LabelOpenLanguageFormClick()
{
    m_worker->mwStop();
    auto *page = new LanguageWidget(this); // deletes itself when closed
    connect(page, &LanguageWidget::LanguageChange, this, &MainWindow::LanguageSelected);
    page->show();
}

void MainWindow::LabelOpenSettingsFormClick()
{
    if (!m_settings)
        return;
    m_worker->mwStop();
    m_settings->openDialog();
}

void MainWindow::LabelSaveFileClick()
{
    saveWithDialog();
}

bool MainWindow::saveWithDialog()
{
    AppContext &context = AppContext::instance();
    // A name typed without ".json" gets it, so that the open dialog lists the file. The program
    // shown is proposed by its own name.
    const QString start =
        m_openProgram.path().isEmpty() ? context.store().programsFolder() : m_openProgram.path();
    const QString path = FileDialog::saveFileName(
        nullptr, context.text(QStringLiteral("DialogSave")), start,
        context.text(QStringLiteral("ProgramFileFilter")), QStringLiteral("json"));
    if (path.isEmpty())
        return false;
    if (!saveProgramFile(path)) {
        showNotice(context.text(QStringLiteral("SaveFailed")).arg(path));
        return false;
    }
    m_transferPanel->showNotice(
        context.text(QStringLiteral("SavedTo")).arg(QFileInfo(path).fileName()));
    return true;
}

bool MainWindow::mayLeaveProgram(const QString &questionKey)
{
    if (!m_openProgram.isModified())
        return true;
    switch (UnsavedQuestion::ask(this, AppContext::instance().text(questionKey))) {
    case UnsavedQuestion::Answer::Save:
        return saveWithDialog();
    case UnsavedQuestion::Answer::Discard:
        return true;
    case UnsavedQuestion::Answer::Cancel:
        break;
    }
    return false;
}

void MainWindow::LabelClearClick()
{
    // Nothing goes without a word: "New" cannot be undone.
    if (!mayLeaveProgram(QStringLiteral("UnsavedBeforeNew")))
        return;
    qCDebug(lcUi) << "clear\n";
    // Without a usable default program the editor still clears, to one empty program.
    QJsonObject document =
        ProgramStore::readProgramDocument(ProgramStore::defaultProgramPath())
            .value_or(QJsonObject{{ProgramStore::programsKey(), QJsonArray{QJsonArray{}}}});
    // A new program for the same robot: what sits on its pins stays as the user set it up.
    const QString configuration = QStringLiteral("configuration");
    document.insert(configuration, buildDocument().value(configuration));
    loadIntoEditor(document);
    m_openProgram.setSaved(QString(), buildDocument());
    m_newProgramName.clear();
    showTitle();
}

void MainWindow::LabelReadFileClick()
{
    if (!mayLeaveProgram(QStringLiteral("UnsavedBeforeOpen")))
        return;
    const QString path =
        FileDialog::openFileName(this, AppContext::instance().text(QStringLiteral("DialogOpen")),
                                 AppContext::instance().store().programsFolder(),
                                 AppContext::instance().text(QStringLiteral("ProgramFileFilter")));
    if (!path.isEmpty())
        openProgramFile(path);
}

void MainWindow::LabelWriteClick()
{
    emit ClickLabelSignal(QStringLiteral("write"));
}

void MainWindow::LabelReadClick()
{
    // The program read replaces the editor's.
    if (!mayLeaveProgram(QStringLiteral("UnsavedBeforeRead")))
        return;
    emit ClickLabelSignal(QStringLiteral("read"));
}

void MainWindow::LabelRestartClick()
{
    emit ClickLabelSignal(QStringLiteral("restart"));
}

void MainWindow::LabelStartClick()
{
    emit ClickLabelSignal(QStringLiteral("start"));
}

void MainWindow::LabelRunOnRobotClick()
{
    emit ClickLabelSignal(QStringLiteral("runonrobot"));
}

void MainWindow::LabelStopClick()
{
    emit ClickLabelSignal(QStringLiteral("stop"));
}

void MainWindow::LabelStepClick()
{
    emit ClickLabelSignal(QStringLiteral("step"));
}

void MainWindow::LabelSetupClick()
{
    // The "Setup" button has no action of its own.
}

void MainWindow::LabelCloseClick()
{
    close();
}

void MainWindow::CtrlZProcessor()
{
    if (ProgramListWidget *list = CentralWidget::instance()->currentList())
        list->undoStack()->undo();
}

void MainWindow::redoEdit()
{
    if (ProgramListWidget *list = CentralWidget::instance()->currentList())
        list->undoStack()->redo();
}

void MainWindow::showHistoryButtons()
{
    const QUndoGroup *history = CentralWidget::instance()->undoGroup();
    const AppContext &context = AppContext::instance();
    TopMenuWidget *menu = TopMenuWidget::instance();
    if (QLabelDragDrop *undo = menu->button(QStringLiteral("undo")))
        undo->setDisabledReason(history->canUndo() ? QString()
                                                   : context.text(QStringLiteral("ReasonNoUndo")));
    if (QLabelDragDrop *redo = menu->button(QStringLiteral("redo")))
        redo->setDisabledReason(history->canRedo() ? QString()
                                                   : context.text(QStringLiteral("ReasonNoRedo")));
}

void MainWindow::showTitle()
{
    const AppContext &context = AppContext::instance();
    const QString program = context.text(QStringLiteral("ProgramName"));
    const QString name = shownProgramName();
    // "[*]" is where Qt shows the modified mark.
    setWindowTitle((name.isEmpty()
                        ? program
                        : context.text(QStringLiteral("WindowTitleProgram")).arg(program, name)) +
                   QStringLiteral("[*]"));
    setWindowModified(m_openProgram.isModified());
}

void MainWindow::createShortcuts()
{
    for (const QString &command : TopMenuShortcuts::commands()) {
        auto *action = new QAction(command, this);
        action->setShortcuts(TopMenuShortcuts::keys(command));
        addAction(action);
        // Esc stops the robot from anywhere in the window, whether or not the button may be
        // used; the other keys do what their button does.
        if (command == QLatin1String("stop"))
            connect(action, &QAction::triggered, this, &MainWindow::LabelStopClick);
        else if (command == QLatin1String("undo") || command == QLatin1String("redo"))
            // The keys walk the history also in a kit whose menu has no such button.
            connect(action, &QAction::triggered, this, [this, command] {
                if (TopMenuWidget::instance()->button(command))
                    pressTopButton(command);
                else if (command == QLatin1String("undo"))
                    CtrlZProcessor();
                else
                    redoEdit();
            });
        else
            connect(action, &QAction::triggered, this,
                    [this, command] { pressTopButton(command); });
        m_shortcutActions.insert(command, action);
    }
    // Every chunk, whatever the robot is known to hold; no button of its own, it may be used
    // when "write" may.
    auto *writeWhole = new QAction(QStringLiteral("writewhole"), this);
    writeWhole->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_W));
    addAction(writeWhole);
    connect(writeWhole, &QAction::triggered, this, [this] {
        QLabelDragDrop *write = TopMenuWidget::instance()->button(QStringLiteral("write"));
        if (write && write->isEnabled())
            emit ClickLabelSignal(QStringLiteral("writewhole"));
    });
    m_shortcutActions.insert(QStringLiteral("writewhole"), writeWhole);
}

QAction *MainWindow::shortcutAction(const QString &command) const
{
    return m_shortcutActions.value(command);
}

void MainWindow::pressTopButton(const QString &command)
{
    // The key does what the button does, and only while the button may be used: "write" waits
    // for a program that compiles and a robot that answers.
    if (QLabelDragDrop *button = TopMenuWidget::instance()->button(command))
        button->activate();
}

QList<QWidget *> MainWindow::focusRegions() const
{
    // The side panels sit right of the property panel, their bar at the window's edge.
    QList<QWidget *> regions{TopMenuWidget::instance(), LeftMenuWidget::instance(),
                             CentralWidget::instance(), m_transferPanel,
                             RightMenuWidget::instance()};
    if (m_panels) {
        if (m_panels->robot())
            regions.append(m_panels->robot());
        regions.append(m_panels->sensors());
        regions.append(m_panels->bar());
    }
    return regions;
}

bool MainWindow::focusNextPrevChild(bool next)
{
    if (FocusOrder::move(this, focusRegions(), next))
        return true;
    return QMainWindow::focusNextPrevChild(next);
}

void MainWindow::toggleBreakpoint()
{
    if (ProgramListWidget *list = CentralWidget::instance()->currentList())
        list->toggleBreakpointOfSelection();
}

void MainWindow::ProgramChanged()
{
    const QJsonObject document = buildDocument();
    AppContext::instance().store().setCurrentDocument(document);
    m_worker->mwChangeProg(document);
    if (m_built && m_openProgram.update(document))
        showTitle();
    if (isHidden() && m_built && !m_closing)
        show();
    if (m_built && !m_closing)
        m_autosave->schedule();
}

void MainWindow::ExecuteCurrentSelectedCommand()
{
    int program = -1;
    int command = -1;
    if (!CentralWidget::instance()->selection()->selectedPosition(&program, &command))
        return;
    m_worker->mwManual(program, command, false);
}

void MainWindow::LanguageSelected(bool changed)
{
    if (changed) {
        // The build loads the editor from the store, which otherwise still holds the programs
        // of the last file or read; keep the edits made since then. Before the first build the
        // editor is still empty and the store holds the saved work, which must stay.
        if (m_built)
            AppContext::instance().store().loadDocument(buildDocument());
        build();
    } else if (m_built)
        m_worker->mwStart(); // the page stopped the worker when it opened
}

void MainWindow::ReadProgrammFromDevice(const QJsonObject &json)
{
    // Collected for the class, not for the editor.
    if (m_classWindow && m_classWindow->takesEditorsRead())
        return;
    loadIntoEditor(json);
    // A program from the robot is in no file yet.
    m_openProgram.setSaved(QString(), QJsonObject());
    m_openProgram.update(buildDocument());
    showTitle();
}

bool MainWindow::openProgramFile(const QString &path)
{
    const std::optional<QJsonObject> document = ProgramStore::readProgramDocument(path);
    if (!document) {
        showNotice(AppContext::instance().text(QStringLiteral("NotAProgramFile")).arg(path));
        return false;
    }
    loadIntoEditor(*document);
    m_openProgram.setSaved(path, buildDocument());
    showTitle();
    return true;
}

bool MainWindow::openProgramFileAsking(const QString &path)
{
    if (!m_built || !mayLeaveProgram(QStringLiteral("UnsavedBeforeOpen")))
        return false;
    return openProgramFile(path);
}

QString MainWindow::programName() const
{
    const QString name = shownProgramName();
    return name.isEmpty() ? AppContext::instance().text(QStringLiteral("WorksheetUntitled")) : name;
}

QString MainWindow::shownProgramName() const
{
    return m_openProgram.path().isEmpty() ? m_newProgramName : m_openProgram.name();
}

void MainWindow::LabelLessonsClick()
{
    if (QLabelDragDrop *button = TopMenuWidget::instance()->button(QStringLiteral("Lessons")))
        m_lessons->popUpBelow(button);
}

void MainWindow::LabelClassClick()
{
    ClassWindow *window = classWindow();
    window->show();
    window->raise();
    window->activateWindow();
}

ClassWindow *MainWindow::classWindow()
{
    if (m_classWindow)
        return m_classWindow;
    if (!m_roster->load())
        showNotice(AppContext::instance().text(QStringLiteral("ClassFileDamaged")));
    m_classWindow = new ClassWindow(
        m_roster, m_scheduler, [this] { return buildDocument(); }, this);
    for (const QString &device : std::as_const(m_classDevices))
        m_classWindow->addDevice(device);
    m_classWindow->setEditorWorker(m_worker->worker());
    connect(m_classWindow, &ClassWindow::openRequested, this, &MainWindow::openProgramFileAsking);
    return m_classWindow;
}

void MainWindow::openExamples()
{
    if (!m_built)
        return;
    const QList<ExampleProgram> examples = ExampleCatalog::list();
    if (examples.isEmpty()) {
        showNotice(AppContext::instance()
                       .text(QStringLiteral("ExamplesNone"))
                       .arg(ExampleCatalog::defaultFolder()));
        return;
    }
    ExamplesDialog dialog(examples, this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    if (const std::optional<ExampleProgram> example = dialog.chosen())
        openExample(*example);
}

bool MainWindow::openExample(const ExampleProgram &example)
{
    if (!mayLeaveProgram(QStringLiteral("UnsavedBeforeOpen")))
        return false;
    const std::optional<QJsonObject> document = ExampleCatalog::program(example);
    if (!document) {
        showNotice(
            AppContext::instance().text(QStringLiteral("NotAProgramFile")).arg(example.path));
        return false;
    }
    loadIntoEditor(*document);
    // A new program: the example's title names it, and it is saved under a name of one's own.
    m_openProgram.setSaved(QString(), buildDocument());
    m_newProgramName = AppContext::instance().text(example.titleKey);
    showTitle();
    if (m_panels->robot())
        m_panels->robot()->selectWorld(example.world);
    return true;
}

bool MainWindow::exportWorksheetTo(const QString &path)
{
    const Worksheet sheet(buildDocument(), programName());
    if (!sheet.write(path)) {
        showNotice(AppContext::instance().text(QStringLiteral("WorksheetSaveFailed")).arg(path));
        return false;
    }
    return true;
}

void MainWindow::showWorksheet()
{
    if (!m_built)
        return;
    ProgramStore &store = AppContext::instance().store();
    const QString folder = store.dataFolder() + QStringLiteral("/Worksheets");
    QDir().mkpath(folder);
    QString name = programName();
    static const QRegularExpression unsafe(QStringLiteral("[\\\\/:*?\"<>|]"));
    name.replace(unsafe, QStringLiteral("_"));
    const QString path = folder + QLatin1Char('/') + name + QStringLiteral(".pdf");
    if (!exportWorksheetTo(path))
        return;
    const AppContext &context = AppContext::instance();
    if (QDesktopServices::openUrl(QUrl::fromLocalFile(path)))
        m_transferPanel->showNotice(context.text(QStringLiteral("WorksheetSavedTo")).arg(path));
    else
        showNotice(context.text(QStringLiteral("WorksheetNoViewer")).arg(path));
}

void MainWindow::exportWorksheet()
{
    if (!m_built)
        return;
    AppContext &context = AppContext::instance();
    const QString filters = QStringList{context.text(QStringLiteral("ExportPdfFilter")),
                                        context.text(QStringLiteral("ExportPngFilter")),
                                        context.text(QStringLiteral("ExportSvgFilter"))}
                                .join(QStringLiteral(";;"));
    const QString path =
        FileDialog::saveFileName(this, context.text(QStringLiteral("ExportDialog")),
                                 context.store().programsFolder() + QLatin1Char('/') +
                                     programName() + QStringLiteral(".pdf"),
                                 filters, QStringLiteral("pdf"));
    if (path.isEmpty())
        return;
    if (!Worksheet::formatFor(path)) {
        showNotice(context.text(QStringLiteral("WorksheetSaveFailed")).arg(path));
        return;
    }
    if (exportWorksheetTo(path))
        m_transferPanel->showNotice(context.text(QStringLiteral("WorksheetSavedTo")).arg(path));
}

void MainWindow::loadIntoEditor(const QJsonObject &document)
{
    // The lists and the panel's editors are replaced: a focus among them goes to the new program
    // rather than to whatever control Qt finds next. The window's own focus counts, also while a
    // file dialog still holds the application's.
    QWidget *focused = focusWidget();
    const bool focusInEditor = focused && (CentralWidget::instance()->isAncestorOf(focused) ||
                                           RightMenuWidget::instance()->isAncestorOf(focused));
    resetEditor();
    ProgramStore &store = AppContext::instance().store();
    store.loadDocument(document);
    CentralWidget::instance()->loadFromStore(store);
    ProgramChanged();
    if (focusInEditor) {
        if (ProgramListWidget *list = CentralWidget::instance()->currentList())
            list->setFocus(Qt::OtherFocusReason);
    }
}

void MainWindow::showNotice(const QString &text)
{
    // Not modal to the event loop: the editor, the link and the autosave keep running.
    auto *box = new QMessageBox(QMessageBox::Warning, windowTitle(), text, QMessageBox::Ok, this);
    box->setObjectName(QStringLiteral("notice"));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
}

bool MainWindow::saveProgramFile(const QString &path)
{
    const QJsonObject document = buildDocument();
    if (!ProgramStore::saveFile(path, document))
        return false;
    m_openProgram.setSaved(path, document);
    showTitle();
    return true;
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    shutDown();
    event->accept();
}

bool MainWindow::saveState()
{
    if (!m_built)
        return false;
    m_autosave->cancel();
    ProgramStore &store = AppContext::instance().store();
    store.setPanels(m_panels->state());
    store.setOpenProgram(m_openProgram.toState());
    return store.saveState(LanguageCatalog::instance().currentLanguage(), buildDocument());
}

void MainWindow::shutDown()
{
    if (m_closing)
        return;
    m_closing = true;
    m_scheduler->cancel();
    m_worker->mwStop();
    waitForHalt();
    saveState();
}

void MainWindow::waitForHalt()
{
    // The halt records are on their way: the window stays until the robot has confirmed them,
    // or the link has had its time to do so.
    if (m_worker->worker()->state() != LinkProtocol::WorkerState::Stopping)
        return;
    QEventLoop loop;
    connect(m_worker.get(), &mWorker::sigHaltEnded, &loop, &QEventLoop::quit);
    QTimer::singleShot(kHaltWaitMs, &loop, &QEventLoop::quit);
    loop.exec(QEventLoop::ExcludeUserInputEvents);
}

QString MainWindow::deviceName() const
{
    // The device the link talks to, chosen on the device page or given for the session.
    return TransferPanel::deviceName(m_worker->worker()->selectedDevice());
}

void MainWindow::build()
{
    AppContext &context = AppContext::instance();
    ProgramStore &store = context.store();
    store.createFolders();

    hide();
    TopMenuWidget::instance()->emptyMenu();
    LeftMenuWidget::instance()->emptyMenu();

    HardwareDescription *description = LanguageCatalog::instance().current();
    if (description) {
        context.setImageStore(description->imageStore());
        context.setDictionary(&description->dictionary());
        context.setDimensions(&description->dimensions());
        context.setPinMap(description->pinMap());
        context.setCommandMap(description->commandMap());
        context.setGadgetMap(description->gadgetMap());
    }

    // No fixed least size: the regions' own least sizes fit the 1280 x 720 screens of schools.
    // Without a window manager a maximized window keeps its size, so it starts at the screen's.
    // A rebuild (another language) keeps the size the user gave it.
    if (const QScreen *screen = this->screen(); screen && !m_built)
        resize(screen->availableGeometry().size());
    if (description)
        m_qtTranslations->use(description->localeName());
    CentralWidget::instance()->retranslate();
    RightMenuWidget::instance()->renewTexts();
    m_panels->renewTexts();
    m_lessons->renewTexts();
    if (m_classWindow)
        m_classWindow->retranslate();

    if (description) {
        LeftMenuWidget::instance()->buildMenu(description->commands());
        TopMenuWidget::instance()->buildMenu(description->topMenuButtons());
    }
    connectTopMenu();
    showHistoryButtons();

    setWindowFlags(Qt::FramelessWindowHint | Qt::Window);
    showMaximized();

    CentralWidget::instance()->loadFromStore(store);

    delete m_settings; // its connections go with it
    m_settings = new ConfigurationWidget(this);
    m_settings->connectWorker(m_worker.get());
    connect(m_settings, &ConfigurationWidget::exitSignal, m_worker.get(), &mWorker::mwStart);
    // The panel shows the saved set-up's pins and motors before the program is compiled again.
    connect(m_settings, &ConfigurationWidget::saveConfigSignal, RightMenuWidget::instance(),
            &RightMenuWidget::reload);
    connect(m_settings, &ConfigurationWidget::saveConfigSignal, this, &MainWindow::ProgramChanged);
    connect(m_settings, &ConfigurationWidget::settingsChanged, LeftMenuWidget::instance(),
            &LeftMenuWidget::slotToChangeSettings);
    // "Show me" on the link page's rows: the class shows the robot, the editor keeps its own.
    connect(m_settings->bluetoothPage(), &bluetoothconfigurationwidget::identifyRequested, this,
            [this](const QString &deviceText) { classWindow()->identify(deviceText); });
    if (!m_options.deviceOverride.isEmpty())
        m_settings->useSessionDevice(m_options.deviceOverride);
    else if (!store.deviceText().isEmpty())
        m_settings->bluetoothPage()->setDevice(store.deviceText());

    // The first build shows the work of the last session, as the state file names it.
    if (!m_built)
        m_openProgram.restore(store.openProgram(), buildDocument());
    showTitle();
    m_built = true;
    ProgramChanged();
    m_worker->mwStart();

    hide();
    showByMaximizeType(0x1);
    // The keyboard starts where the work is: in the program.
    if (ProgramListWidget *list = CentralWidget::instance()->currentList())
        list->setFocus(Qt::OtherFocusReason);

    const QString brokenState = store.takeBrokenStateCopy();
    if (!brokenState.isEmpty())
        showNotice(context.text(QStringLiteral("StateFileBroken")).arg(brokenState));
    openWhenBuilt(std::exchange(m_fileToOpen, QString()));
}

void MainWindow::openWhenBuilt(const QString &path)
{
    if (path.isEmpty())
        return;
    // After the window has shown itself (and the language was chosen on a first start): opening
    // may ask about unsaved work first.
    if (m_built)
        QTimer::singleShot(0, this, [this, path] { openProgramFileAsking(path); });
    else
        m_fileToOpen = path;
}

void MainWindow::connectTopMenu()
{
    using Slot = void (MainWindow::*)();
    const QList<QPair<QString, Slot>> dispatch = {
        {QStringLiteral("Settings"), &MainWindow::LabelOpenSettingsFormClick},
        {QStringLiteral("Language"), &MainWindow::LabelOpenLanguageFormClick},
        {QStringLiteral("Clear"), &MainWindow::LabelClearClick},
        {QStringLiteral("undo"), &MainWindow::CtrlZProcessor},
        {QStringLiteral("redo"), &MainWindow::redoEdit},
        {QStringLiteral("SaveFile"), &MainWindow::LabelSaveFileClick},
        {QStringLiteral("ReadFile"), &MainWindow::LabelReadFileClick},
        {QStringLiteral("write"), &MainWindow::LabelWriteClick},
        {QStringLiteral("read"), &MainWindow::LabelReadClick},
        {QStringLiteral("restart"), &MainWindow::LabelRestartClick},
        {QStringLiteral("start"), &MainWindow::LabelStartClick},
        {QStringLiteral("runonrobot"), &MainWindow::LabelRunOnRobotClick},
        {QStringLiteral("stop"), &MainWindow::LabelStopClick},
        {QStringLiteral("step"), &MainWindow::LabelStepClick},
        {QStringLiteral("Close"), &MainWindow::LabelCloseClick},
        {QStringLiteral("Setup"), &MainWindow::LabelSetupClick},
        {QStringLiteral("Lessons"), &MainWindow::LabelLessonsClick},
        {QStringLiteral("Class"), &MainWindow::LabelClassClick},
    };
    for (QLabelDragDrop *button : TopMenuWidget::instance()->buttons()) {
        for (const auto &[command, slot] : dispatch) {
            if (button->command() == command) {
                connect(button, &QLabelDragDrop::clicked, this, slot, Qt::UniqueConnection);
                break;
            }
        }
    }
}

void MainWindow::resetEditor()
{
    CentralWidget::instance()->ClearProgramms(true);
    AppContext &context = AppContext::instance();
    context.clearPinAssignments();
    RightMenuWidget::instance()->hideEditors();
    LeftMenuWidget::instance()->slotToChangeSettings(int(context.gadgetFlags()));
}

void MainWindow::showByMaximizeType(int bit)
{
    if (AppContext::instance().dimension(QStringLiteral("MaximizeType"), 0) & bit)
        showMaximized();
    else
        showFullScreen();
}

QJsonObject MainWindow::buildDocument() const
{
    return AppContext::instance().store().buildDocument(
        CentralWidget::instance()->collectCommands());
}
