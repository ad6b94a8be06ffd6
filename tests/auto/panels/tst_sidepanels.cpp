#include "analogconditionwidget.h"
#include "appcontext.h"
#include "centralwidget.h"
#include "conditionwidget.h"
#include "languagecatalog.h"
#include "mainwindow.h"
#include "oneconditionwidget.h"
#include "programlistwidget.h"
#include "programstore.h"
#include "rightmenuwidget.h"
#include "robotviewdock.h"
#include "sensorchart.h"
#include "sensorpanel.h"
#include "sensorrecord.h"
#include "sidepanels.h"
#include "sliderwithbuttons.h"
#include "virtualcontrollerserver.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QImage>
#include <QJsonArray>
#include <QLoggingCategory>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <QUndoStack>

namespace {

QJsonObject conditionOn(const QString &pin, const QString &equation, const QString &level)
{
    return {{"type", "single"},
            {"data", QJsonArray{QJsonObject{{"pin", pin},
                                            {"equation", equation},
                                            {"level", level},
                                            {"level2", QJsonValue::Null}}}}};
}

QJsonObject row(const QString &command, const QJsonObject &conditions)
{
    return {{"conditions", conditions},
            {"action", QJsonObject{{"command", command},
                                   {"speed", "50"},
                                   {"timer", "0"},
                                   {"time", "1"},
                                   {"brake", "0"}}}};
}

// Two line sensors and a button, as a line follower with a start button has them.
QJsonObject configuration()
{
    const auto pin = [](const char *label, int id) {
        return QJsonObject{{"pinLbl", label}, {"gadgetId", id}};
    };
    return {{"pins",
             QJsonArray{pin("A0", 11), pin("A1", 11), pin("D7", 1), pin("D5", 40), pin("D6", 41)}},
            {"servocalibr", QJsonArray{}},
            {"Motor1", 100},
            {"Motor2", 100}};
}

int shownLevel()
{
    return RightMenuWidget::instance()
        ->conditionWidget()
        ->findChild<OneConditionWidget *>()
        ->analogWidget()
        ->thresholdSlider()
        ->value();
}

} // namespace

// The side panels inside the main window: the sensor chart fed by a virtual controller, a
// dragged level that is an ordinary edit, the window on a school's small screen in both
// languages, and an arrangement that is remembered.
class tst_SidePanels : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void chartRecordsOnlyOnceShown();
    void packetsOfAVirtualControllerReachTheChart();
    void draggedLevelIsAnEditThatUndoes();
    void captionsKeepOffTheTraces();
    void windowFitsSmallScreens_data();
    void windowFitsSmallScreens();
    void arrangementIsRemembered();

private:
    void writeState(const QString &language, const QJsonObject &panels = {});

    QTemporaryDir m_home;
    QString m_russian;
};

void tst_SidePanels::initTestCase()
{
    QVERIFY(m_home.isValid());
    qputenv("HOME", m_home.path().toUtf8());
    QLoggingCategory::setFilterRules(QStringLiteral("taviro.*.debug=false"));
    QVERIFY(QDir(m_home.path()).mkpath(QStringLiteral("Lumakit/Programs")));
    const QStringList languages = LanguageCatalog::instance().languageNames();
    QVERIFY(languages.contains("English"));
    QCOMPARE(languages.size(), 2);
    m_russian = languages.at(1);
}

void tst_SidePanels::init()
{
    writeState("English");
}

void tst_SidePanels::writeState(const QString &language, const QJsonObject &panels)
{
    QJsonObject state{{"Language", language},
                      {"configuration", configuration()},
                      {"ProgData", QJsonArray{QJsonArray{
                                       row("m_fwd", conditionOn("A0", "greater", "128")),
                                       row("m_fwd", conditionOn("D7", "equals", "1")),
                                   }}}};
    if (!panels.isEmpty())
        state.insert(ProgramStore::panelsKey(), panels);
    QVERIFY(ProgramStore::saveFile(m_home.filePath("Lumakit/states.json"), state));
    // The store reads the state file when the window asks for it first.
    AppContext::instance().store().loadFile(m_home.filePath("Lumakit/states.json"),
                                            ProgramStore::Full);
}

void tst_SidePanels::chartRecordsOnlyOnceShown()
{
    SensorPanel panel;
    qint64 now = 1000;
    panel.setClock([&now] { return now; });
    const QJsonObject report{{"DI", QJsonArray{}}, {"AI", QJsonArray{5}}};
    // An editor that never shows the chart keeps no record.
    panel.takeReport(report);
    QVERIFY(!panel.record());

    panel.show();
    QVERIFY(QTest::qWaitForWindowExposed(&panel));
    QVERIFY(!panel.record()); // nor one that never talks to a controller
    for (int i = 0; i < 3; ++i, now += 50)
        panel.takeReport(report);
    QVERIFY(panel.record());
    QVERIFY(panel.record()->capacity() >= SensorPanel::kLongestSpanMs / 50);
    QCOMPARE(panel.record()->size(), 3);
    QCOMPARE(panel.record()->last().timeMs, qint64(100)); // from the first sample on

    panel.setPaused(true);
    QVERIFY(panel.pauseButton()->isChecked());
    panel.takeReport(report);
    QCOMPARE(panel.record()->size(), 3);
    panel.pauseButton()->click();
    QVERIFY(!panel.isPaused());
    now += 2000;
    panel.takeReport(report);
    QCOMPARE(panel.record()->last().timeMs, qint64(2150));

    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("state report without inputs"));
    panel.takeReport(QJsonObject{{"start", 1}});
    panel.takeReport(QJsonObject{{"start", 1}}); // said once
    QCOMPARE(panel.record()->size(), 4);

    panel.clearButton()->click();
    QVERIFY(panel.record()->isEmpty());
    now += 5000;
    panel.takeReport(report);
    QCOMPARE(panel.record()->last().timeMs, qint64(0));
}

void tst_SidePanels::packetsOfAVirtualControllerReachTheChart()
{
    VirtualControllerServer server;
    const quint16 port = server.listen(QHostAddress::LocalHost, 0);
    QVERIFY(port != 0);
    server.controller().setStateInterval(20);
    server.controller().setAnalogInput(1, 77);
    server.controller().setDigitalInput(7, true);
    MainWindow window(MainWindow::Options{
        QStringLiteral(R"({"Name":"Virtual controller","Address":"tcp://127.0.0.1:%1"})").arg(port),
        {}});
    SensorPanel *panel = window.sidePanels()->sensors();
    QVERIFY(!window.sidePanels()->robot());
    QVERIFY(QTest::qWaitForWindowExposed(panel));

    // One trace per input with a gadget, named by pin and gadget; analog first.
    QCOMPARE(panel->traces().size(), 3);
    QCOMPARE(panel->captions().first(),
             AppContext::instance().text("SensorTraceName").arg("A0", "Line sensor"));
    QCOMPARE(panel->traces().at(2).pinLabel, QStringLiteral("D7"));

    QTRY_VERIFY_WITH_TIMEOUT(panel->record() && panel->record()->size() >= 5, 20000);
    QCOMPARE(panel->record()->last().value(false, 1), 77);
    QCOMPARE(panel->record()->last().value(true, 7), 1);
    server.controller().setAnalogInput(1, 201);
    QTRY_COMPARE(panel->record()->last().value(false, 1), 201);
    QTRY_VERIFY(panel->chart()->framesDrawn() > 0);

    // What was seen, kept: a row per packet in the CSV, and a picture of the chart.
    panel->setPaused(true);
    const QString csvPath = m_home.filePath("Lumakit/run.csv");
    QVERIFY(panel->saveCsv(csvPath));
    QFile csv(csvPath);
    QVERIFY(csv.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = csv.readAll().trimmed().split('\n');
    QCOMPARE(lines.size(), panel->record()->size() + 1);
    QVERIFY2(lines.last().trimmed().endsWith(",0,201,1"), lines.last().constData());
    const QString pngPath = m_home.filePath("Lumakit/run.png");
    QVERIFY(panel->savePng(pngPath));
    QCOMPARE(QImage(pngPath).size(), panel->chart()->size());

    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("Cannot open .*nowhere.*"));
    QVERIFY(!panel->saveCsv(m_home.filePath("nowhere/run.csv")));
}

void tst_SidePanels::draggedLevelIsAnEditThatUndoes()
{
    MainWindow window;
    SensorPanel *panel = window.sidePanels()->sensors();
    SensorChart *chart = panel->chart();
    QVERIFY(QTest::qWaitForWindowExposed(chart));
    ProgramListWidget *list = CentralWidget::instance()->currentList();
    QVERIFY(list);

    // A row with a digital condition has no level on the chart; one with "A0 > 128" has.
    list->setCurrentRow(2);
    QVERIFY(chart->thresholds().isEmpty());
    list->setCurrentRow(1);
    QCOMPARE(chart->thresholds().size(), 1);
    QCOMPARE(chart->thresholds().first().level, 128);
    QCOMPARE(shownLevel(), 128);

    const QPoint grab = chart->levelPoint(0, 0).toPoint();
    QVERIFY(chart->plotRect(0).contains(grab));
    const QRectF plot = chart->plotRect(chart->analogTraceOf("A0"));
    const QPoint drop = grab - QPoint(0, int(plot.height() / 4));
    const int expected = ConditionLevels::levelAtY(drop.y(), plot);
    QVERIFY(expected > 150);

    // Escape takes a drag back.
    QTest::mousePress(chart, Qt::LeftButton, {}, grab);
    QTest::mouseMove(chart, drop);
    QTest::keyClick(chart, Qt::Key_Escape);
    QTest::mouseRelease(chart, Qt::LeftButton, {}, drop);
    QCOMPARE(list->undoStack()->count(), 0);

    QTest::mousePress(chart, Qt::LeftButton, {}, grab);
    QTest::mouseMove(chart, drop);
    QTest::mouseRelease(chart, Qt::LeftButton, {}, drop);

    // An ordinary edit: the row's command, the property panel, the document the worker has,
    // and one step on the list's undo stack.
    const auto level = [list] {
        return list->commandAt(1)->json()["conditions"]["data"][0]["level"].toString();
    };
    QCOMPARE(level(), QString::number(expected));
    QCOMPARE(shownLevel(), expected);
    QCOMPARE(AppContext::instance()
                 .store()
                 .currentDocument()["ProgData"][0][0]["conditions"]["data"][0]["level"]
                 .toString(),
             QString::number(expected));
    QCOMPARE(chart->thresholds().first().level, expected);
    QCOMPARE(list->undoStack()->count(), 1);

    window.undoAction()->trigger();
    QCOMPARE(level(), QStringLiteral("128"));
    QCOMPARE(shownLevel(), 128);
    QCOMPARE(chart->thresholds().first().level, 128);
    QCOMPARE(AppContext::instance()
                 .store()
                 .currentDocument()["ProgData"][0][0]["conditions"]["data"][0]["level"]
                 .toString(),
             QStringLiteral("128"));
}

void tst_SidePanels::captionsKeepOffTheTraces()
{
    SensorChart chart;
    chart.setTraces({{"A0", "A0", "Line sensor", false, 0}, {"D2", "D2", "Touch sensor", true, 0}},
                    {"A0 · Line sensor", "D2 · Touch sensor"});
    chart.show();
    QVERIFY(QTest::qWaitForWindowExposed(&chart));
    for (const QRectF &caption : {chart.captionRect(0), chart.captionRect(1)})
        QVERIFY(!caption.intersects(chart.plotRect(0)) && !caption.intersects(chart.plotRect(1)));
}

void tst_SidePanels::windowFitsSmallScreens_data()
{
    QTest::addColumn<bool>("russian");
    QTest::addColumn<QSize>("screen");
    QTest::newRow("English 1280x720") << false << QSize(1280, 720);
    QTest::newRow("Russian 1280x720") << true << QSize(1280, 720);
    QTest::newRow("Russian 1366x768") << true << QSize(1366, 768);
}

void tst_SidePanels::windowFitsSmallScreens()
{
    QFETCH(bool, russian);
    QFETCH(QSize, screen);
    writeState(russian ? m_russian : QStringLiteral("English"));
    VirtualController controller;
    MainWindow window(MainWindow::Options{QString(), &controller});
    RobotViewDock *robot = window.sidePanels()->robot();
    SensorPanel *sensors = window.sidePanels()->sensors();
    QVERIFY(robot);

    const QSize least = window.minimumSizeHint().expandedTo(window.minimumSize());
    QVERIFY2(least.width() <= screen.width() && least.height() <= screen.height(),
             qPrintable(QStringLiteral("%1x%2").arg(least.width()).arg(least.height())));
    window.showNormal();
    window.resize(screen);
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QTRY_COMPARE(window.size(), screen);
    // Both panels show, and nothing of them lies outside the window.
    const QRect inside = window.rect();
    QList<QWidget *> parts{robot->worldPicker(), sensors->spanPicker(), sensors->saveButton(),
                           sensors->chart()};
    for (QPushButton *button : robot->findChildren<QPushButton *>())
        parts.append(button); // "Back to start" and the robot's button
    for (QWidget *part : std::as_const(parts)) {
        QVERIFY(part && part->isVisible());
        const QRect area(part->mapTo(&window, QPoint(0, 0)), part->size());
        QVERIFY2(inside.contains(area), qPrintable(part->metaObject()->className()));
    }
    QVERIFY(sensors->chart()->height() >= 100);
    QVERIFY(CentralWidget::instance()->currentList()->width() >= 250);
}

void tst_SidePanels::arrangementIsRemembered()
{
    VirtualController controller;
    {
        MainWindow window(MainWindow::Options{QString(), &controller});
        SidePanels *panels = window.sidePanels();
        QVERIFY(!panels->isTabbed());
        panels->tabsAction()->trigger();
        QVERIFY(panels->isTabbed());
        QVERIFY(panels->tabsAction()->isChecked());
        panels->sensors()->spanPicker()->setCurrentIndex(2);
        QCOMPARE(panels->sensors()->spanMs(), qint64(SensorPanel::kLongestSpanMs));
        QVERIFY(window.saveState());
    }
    AppContext::instance().store().loadFile(m_home.filePath("Lumakit/states.json"),
                                            ProgramStore::Full);
    {
        MainWindow window(MainWindow::Options{QString(), &controller});
        SidePanels *panels = window.sidePanels();
        QVERIFY(panels->isTabbed());
        QVERIFY(panels->tabsAction()->isChecked());
        QCOMPARE(panels->sensors()->spanMs(), qint64(SensorPanel::kLongestSpanMs));
        // Hidden by its bar button, and still hidden the next time.
        panels->robot()->toggleViewAction()->trigger();
        QVERIFY(panels->robot()->isHidden());
        QVERIFY(window.saveState());
    }
    AppContext::instance().store().loadFile(m_home.filePath("Lumakit/states.json"),
                                            ProgramStore::Full);
    {
        MainWindow window(MainWindow::Options{QString(), &controller});
        QVERIFY(window.sidePanels()->robot()->isHidden());
        QVERIFY(!window.sidePanels()->sensors()->isHidden());
    }
    // A broken arrangement falls back to the panels' usual places.
    writeState("English", {{"Layout", "bm90IGEgbGF5b3V0"}});
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("arrangement of the side panels"));
    MainWindow fresh(MainWindow::Options{QString(), &controller});
    QVERIFY(!fresh.sidePanels()->robot()->isHidden());
    QVERIFY(!fresh.sidePanels()->isTabbed());
}

QTEST_MAIN(tst_SidePanels)
#include "tst_sidepanels.moc"
