#include "mainwindow.h"

#include "appcontext.h"
#include "centralwidget.h"
#include "hardwaredescription.h"
#include "languagecatalog.h"
#include "leftmenuwidget.h"
#include "mworker.h"
#include "programlistwidget.h"
#include "programstore.h"
#include "qlabeldragdrop.h"
#include "topmenuwidget.h"
#include "uilogging.h"

#include <QAction>
#include <QCloseEvent>
#include <QDir>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QMessageBox>
#include <QUndoStack>
#include <QVBoxLayout>

MainWindow::MainWindow(const Options &options, QWidget *parent)
    : QMainWindow(parent)
    , m_options(options)
    , m_worker(std::make_unique<mWorker>())
{
    setObjectName(QStringLiteral("MainWindow"));
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
    m_regionsLayout->addLayout(m_centralLayout, 60);
    // The property panel's column; it stays empty until the panel is plugged in here.
    m_rightLayout = new QVBoxLayout;
    m_rightLayout->addStretch(1);
    m_regionsLayout->addLayout(m_rightLayout, 15);

    m_undoAction = new QAction(QStringLiteral("minus"), this);
    m_undoAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
    addAction(m_undoAction);

    AppContext &context = AppContext::instance();
    context.setMainWindow(this);
    context.setWorker(m_worker.get());
    context.setProgramArea(CentralWidget::instance());

    connect(this, &MainWindow::InitErrorSignals, this, &MainWindow::ShowErrorBox);
    connect(m_undoAction, &QAction::triggered, this, &MainWindow::CtrlZProcessor);
    connect(CentralWidget::instance(), &CentralWidget::programChanged, this,
            &MainWindow::ProgramChanged);
    connect(m_worker.get(), &mWorker::sigCurState, CentralWidget::instance(),
            &CentralWidget::changeStatusSlot);
    connect(m_worker.get(), &mWorker::sigCurState, TopMenuWidget::instance(),
            &TopMenuWidget::changeStatus);
    connect(m_worker.get(), &mWorker::sigReadProg, this, &MainWindow::ReadProgrammFromDevice);
    connect(this, &MainWindow::ClickLabelSignal, m_worker.get(), &mWorker::mwCommand);

    // Until the language page exists, a saved language that is not found leaves the catalog on
    // its first configuration, and the window is built with that one.
    LanguageCatalog &catalog = LanguageCatalog::instance();
    if (!catalog.select(context.store().language()))
        qCDebug(lcUi).noquote() << "Saved language not found, using" << catalog.currentLanguage();
    build();
}

MainWindow::~MainWindow()
{
    // The regions go with the window; their accessors make fresh ones should anyone ask again.
    AppContext::instance().setProgramArea(nullptr);
}

bool MainWindow::selectedCommandPosition(int *program, int *command) const
{
    CentralWidget *area = CentralWidget::instance();
    ProgramListWidget *list = area->currentList();
    if (!list)
        return false;
    const QList<QListWidgetItem *> selected = list->selectedItems();
    if (selected.isEmpty())
        return false;
    const int row = list->row(selected.first());
    if (!list->commandAt(row))
        return false;
    *program = int(area->lists().indexOf(list));
    *command = row - 1;
    return true;
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
    // The language page plugs in here; without it there is nothing to open, and the controller
    // is not stopped for nothing.
    qCDebug(lcUi) << "Language page not available";
}

void MainWindow::LabelOpenSettingsFormClick()
{
    // The settings dialog plugs in here (stop the worker, load the configuration, show it).
    qCDebug(lcUi) << "Settings dialog not available";
}

void MainWindow::LabelSaveFileClick()
{
    const QString folder = AppContext::instance().store().programsFolder();
    const QString path = QFileDialog::getSaveFileName(
        nullptr, AppContext::instance().text(QStringLiteral("DialogSave")), folder,
        QStringLiteral("Json files (*.json);;"));
    if (!path.isEmpty())
        saveProgramFile(path);
}

void MainWindow::LabelClearClick()
{
    qCDebug(lcUi) << "clear\n";
    openProgramFile(ProgramStore::defaultProgramPath());
}

void MainWindow::LabelReadFileClick()
{
    const QString path = QFileDialog::getOpenFileName(
        this, AppContext::instance().text(QStringLiteral("DialogOpen")),
        AppContext::instance().store().programsFolder(), QStringLiteral("Json Files (*.json)"));
    if (!path.isEmpty())
        openProgramFile(path);
}

void MainWindow::LabelWriteClick()
{
    emit ClickLabelSignal(QStringLiteral("write"));
}

void MainWindow::LabelReadClick()
{
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

void MainWindow::ProgramChanged()
{
    const QJsonObject document = buildDocument();
    AppContext::instance().store().setCurrentDocument(document);
    m_worker->mwChangeProg(document);
    if (isHidden() && m_built && !m_closing)
        show();
}

void MainWindow::ExecuteCurrentSelectedCommand()
{
    int program = -1;
    int command = -1;
    if (!selectedCommandPosition(&program, &command))
        return;
    m_worker->mwManual(program, command, false);
}

void MainWindow::LanguageSelected(bool changed)
{
    if (changed)
        build();
}

void MainWindow::ReadProgrammFromDevice(const QJsonObject &json)
{
    resetEditor();
    ProgramStore &store = AppContext::instance().store();
    store.loadDocument(json);
    CentralWidget::instance()->loadFromStore(store);
    ProgramChanged();
}

void MainWindow::openProgramFile(const QString &path)
{
    resetEditor();
    ProgramStore &store = AppContext::instance().store();
    store.loadFile(path, ProgramStore::ProgramsOnly);
    CentralWidget::instance()->loadFromStore(store);
    ProgramChanged();
}

bool MainWindow::saveProgramFile(const QString &path)
{
    return ProgramStore::saveFile(path, buildDocument());
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    m_closing = true;
    m_worker->mwStop();
    AppContext::instance().store().saveState(LanguageCatalog::instance().currentLanguage(),
                                             buildDocument());
    event->accept();
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

    setMinimumSize(1366, 768);
    if (description)
        setWindowTitle(description->text(QStringLiteral("ProgramName")));
    CentralWidget::instance()->retranslate();

    if (description) {
        LeftMenuWidget::instance()->buildMenu(description->commands());
        TopMenuWidget::instance()->buildMenu(description->topMenuButtons());
    }
    connectTopMenu();

    setWindowFlags(Qt::FramelessWindowHint | Qt::Window);
    showMaximized();

    CentralWidget::instance()->loadFromStore(store);

    const QString device =
        m_options.deviceOverride.isEmpty() ? store.deviceText() : m_options.deviceOverride;
    if (!device.isEmpty())
        m_worker->mwSelectDevice(device);

    m_built = true;
    ProgramChanged();
    m_worker->mwStart();

    hide();
    showByMaximizeType(0x1);
}

void MainWindow::connectTopMenu()
{
    using Slot = void (MainWindow::*)();
    const QList<QPair<QString, Slot>> dispatch = {
        {QStringLiteral("Settings"), &MainWindow::LabelOpenSettingsFormClick},
        {QStringLiteral("Language"), &MainWindow::LabelOpenLanguageFormClick},
        {QStringLiteral("Clear"), &MainWindow::LabelClearClick},
        {QStringLiteral("SaveFile"), &MainWindow::LabelSaveFileClick},
        {QStringLiteral("ReadFile"), &MainWindow::LabelReadFileClick},
        {QStringLiteral("write"), &MainWindow::LabelWriteClick},
        {QStringLiteral("read"), &MainWindow::LabelReadClick},
        {QStringLiteral("restart"), &MainWindow::LabelRestartClick},
        {QStringLiteral("start"), &MainWindow::LabelStartClick},
        {QStringLiteral("stop"), &MainWindow::LabelStopClick},
        {QStringLiteral("step"), &MainWindow::LabelStepClick},
        {QStringLiteral("Close"), &MainWindow::LabelCloseClick},
        {QStringLiteral("Setup"), &MainWindow::LabelSetupClick},
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
