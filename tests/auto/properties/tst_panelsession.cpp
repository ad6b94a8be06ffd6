#include "panelfixture.h"

#include "brakewidget.h"
#include "centralwidget.h"
#include "languagecatalog.h"
#include "ledwidget.h"
#include "mainwindow.h"
#include "memoryimage.h"
#include "mworker.h"
#include "pausewidget.h"
#include "pincomboboxmodel.h"
#include "programlistwidget.h"
#include "programstore.h"
#include "rightmenucombobox.h"
#include "virtualcontrollerserver.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLoggingCategory>
#include <QSignalSpy>

// The panel inside the main window: what it writes reaches the worker as a program that
// compiles, and its run button executes the selected command on the virtual controller.
class tst_PanelSession : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void everyMenuCommandReachesTheWorker();
    void runButtonExecutesOnTheVirtualController();
    void deletedSubprogramLeavesThePanel();

private:
    QTemporaryDir m_home;
};

void tst_PanelSession::initTestCase()
{
    QVERIFY(m_home.isValid());
    QVERIFY(EditorHome::prepare(m_home));
}

void tst_PanelSession::everyMenuCommandReachesTheWorker()
{
    MainWindow window;
    RightMenuWidget *panel = RightMenuWidget::instance();
    panel->clear();
    panel->connectToEditor(CentralWidget::instance()->selection());
    panel->resize(420, 1200);
    panel->show();
    AppContext::instance().readConfiguration(PanelFixture::configuration());

    CentralWidget *area = CentralWidget::instance();
    area->addNewSubProgram(true);
    ProgramListWidget *main = area->lists().at(0);
    const QList<Command *> menu = AppContext::instance().commandMap().values();
    QVERIFY(!menu.isEmpty());
    for (const Command *entry : menu) {
        if (entry->name() == QLatin1String("mEndCycle"))
            continue; // dropped below together with its start
        area->AddDragDropCommandProcessor(entry->name(), QPixmap(), 1);
        if (entry->name() == QLatin1String("mStartCycle"))
            area->AddDragDropCommandProcessor(QStringLiteral("mEndCycle"), QPixmap(), 2);
        main->setCurrentRow(1);
        QCOMPARE(panel->command(), main->commandAt(1));
        PanelFixture::changeEveryControl(panel);

        const QJsonObject document = AppContext::instance().store().currentDocument();
        const QJsonObject first =
            document.value("ProgData").toArray().at(0).toArray().at(0).toObject();
        QCOMPARE(first, main->commandAt(1)->json());
        QCOMPARE(first, panel->commandJson());
        ImageBuilder builder;
        QVERIFY2(builder.buildImage(document).success,
                 qPrintable(QJsonDocument(first).toJson(QJsonDocument::Compact)));
    }
    // A call names the one subprogram there is.
    main->setCurrentRow(1);
    QVERIFY(panel->inputsWidget()->isVisible());

    // No command row selected: the editors go away.
    main->setCurrentRow(0);
    QVERIFY(!panel->command());
    panel->hide();
}

void tst_PanelSession::runButtonExecutesOnTheVirtualController()
{
    VirtualControllerServer server;
    const quint16 port = server.listen(QHostAddress::LocalHost, 0);
    QVERIFY(port != 0);
    const QString device =
        QStringLiteral("{\"Name\":\"Virtual controller\",\"Address\":\"tcp://127.0.0.1:%1\"}")
            .arg(port);
    MainWindow window(MainWindow::Options{device, {}});
    RightMenuWidget *panel = RightMenuWidget::instance();
    panel->clear();
    panel->connectToEditor(CentralWidget::instance()->selection());
    panel->connectToEditor(CentralWidget::instance()->selection());
    panel->show();
    AppContext::instance().readConfiguration(PanelFixture::configuration());

    QSignalSpy manual(window.worker(), &mWorker::intMwManual);
    CentralWidget *area = CentralWidget::instance();
    area->ClearProgramms(true);
    ProgramListWidget *main = area->lists().at(0);
    area->AddDragDropCommandProcessor(QStringLiteral("mSetleds"), QPixmap(), 1);
    main->setCurrentRow(1);
    main->item(1)->setSelected(true);
    LedWidget *led = panel->inputsWidget()->ledWidget();
    QVERIFY(led->isVisible());
    const int row = qobject_cast<PinComboBoxModel *>(led->comboBox()->model())
                        ->findRow(PinComboBoxModel::PinLabelRole, QStringLiteral("D2"));
    QVERIFY(row >= 0);
    led->comboBox()->setCurrentIndex(row);
    if (!led->toggle()->isSelected())
        QTest::mouseClick(led->toggle(), Qt::LeftButton);
    QCOMPARE(main->commandAt(1)->json().value("action").toObject(),
             (QJsonObject{{"command", "mSetleds"}, {"pin", "D2"}, {"state", "1"}}));

    // Connected, then restarted with the configuration: the controller takes manual commands.
    QSignalSpy reports(window.worker(), &mWorker::sigCurState);
    QTRY_VERIFY_WITH_TIMEOUT(!reports.isEmpty() &&
                                 reports.last().at(0).toJsonObject().value("restart").toInt() == 1,
                             30000);
    window.LabelRestartClick();
    QTRY_VERIFY_WITH_TIMEOUT(panel->inputsWidget()->isRunEnabled() &&
                                 reports.last().at(0).toJsonObject().value("manual").toInt() == 1,
                             30000);

    QTest::mouseClick(panel->inputsWidget()->runButton(), Qt::LeftButton);
    QCOMPARE(manual.count(), 1);
    QCOMPARE(manual.at(0).at(0).toInt(), 0);
    QCOMPARE(manual.at(0).at(1).toInt(), 0);
    QTRY_VERIFY_WITH_TIMEOUT(server.controller().outputs().leds.value(2), 10000);
}

void tst_PanelSession::deletedSubprogramLeavesThePanel()
{
    MainWindow window;
    RightMenuWidget *panel = RightMenuWidget::instance();
    panel->clear();
    panel->connectToEditor(CentralWidget::instance()->selection());
    panel->show();

    CentralWidget *area = CentralWidget::instance();
    area->ClearProgramms(true);
    area->AddDragDropCommandProcessor(QStringLiteral("m_stop"), QPixmap(), 1);
    ProgramListWidget *main = area->lists().at(0);
    main->setCurrentRow(1);
    area->addNewSubProgram(true);
    area->showProgram(1);
    area->AddDragDropCommandProcessor(QStringLiteral("mPause"), QPixmap(), 1);
    area->lists().at(1)->setCurrentRow(1);
    QTRY_COMPARE(panel->command(), area->lists().at(1)->commandAt(1));

    // The shown subprogram goes, and with it the command the panel was editing.
    area->deleteTab(1, false);
    QTRY_COMPARE(panel->command(), main->commandAt(1));
    QVERIFY(!panel->inputsWidget()->brakeWidget()->isHidden());
    QVERIFY(panel->inputsWidget()->pauseWidget()->isHidden());

    // Clearing every program leaves nothing to edit.
    area->ClearProgramms(true);
    QTRY_VERIFY(!panel->command());
    panel->hide();
}

QTEST_MAIN(tst_PanelSession)
#include "tst_panelsession.moc"
