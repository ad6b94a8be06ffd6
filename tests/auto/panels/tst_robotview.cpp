#include "appcontext.h"
#include "commandcompiler.h"
#include "configurationrecord.h"
#include "hardwaredescription.h"
#include "languagecatalog.h"
#include "packetframe.h"
#include "robotsimulation.h"
#include "robotview.h"
#include "robotviewdock.h"
#include "virtualcontroller.h"

#include <QComboBox>
#include <QJsonArray>
#include <QLabel>
#include <QLoggingCategory>
#include <QPushButton>
#include <QSignalSpy>
#include <QSlider>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>

using namespace LinkProtocol;

namespace {

QByteArray configurationRecord(const QJsonArray &pins)
{
    return encodeConfiguration(QJsonObject{{"Motor1", 100}, {"Motor2", 100}, {"pins", pins}}).bytes;
}

QJsonObject pin(const QString &label, int gadget)
{
    return {{"pinLbl", label}, {"gadgetId", gadget}};
}

void runCommand(VirtualController &controller, const QString &name, QJsonObject action)
{
    action.insert("command", name);
    CommandCompiler compiler;
    compiler.setPrograms(QJsonArray{QJsonArray{}});
    QVERIFY(compiler.compileCommand(
        QJsonObject{{"conditions", QJsonObject{{"type", "always"}}}, {"action", action}}));
    controller.receiveBytes(PacketFrame::build(wireType(PacketType::StepCommand),
                                               QByteArray(1, '\x01') + compiler.lastRecord()));
}

// A grey level of the view's picture at a floor point.
int greyAt(RobotView *view, const QPointF &floorPoint)
{
    const QImage picture = view->grab().toImage();
    const QPoint at = view->floorToWidget().map(floorPoint).toPoint();
    return qGray(picture.pixel(at));
}

} // namespace

// The robot view beside the editor: the shipped worlds, placing the robot by hand, the input
// controls the configuration asks for, and what it draws.
class tst_RobotView : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void listsTheShippedWorlds();
    void drawsFloorAndRobot();
    void dragAndTurnPlaceTheRobot();
    void backToStartStopsTheWheels();
    void controlsFollowTheConfiguration();
    void clickOnTheRobotsButtonPressesIt();
    void brokenWorldKeepsThePreviousOne();

private:
    std::unique_ptr<VirtualController> m_controller;
    std::unique_ptr<RobotViewDock> m_dock;
};

void tst_RobotView::initTestCase()
{
    QLoggingCategory::setFilterRules(QStringLiteral("taviro.*.debug=false"));
    // The shipped texts, so captions are the ones a user sees.
    QVERIFY(LanguageCatalog::instance().select(QStringLiteral("English")));
    // The main window publishes the gadgets when it builds; the captions name them.
    AppContext::instance().setGadgetMap(LanguageCatalog::instance().current()->gadgetMap());
}

void tst_RobotView::init()
{
    m_controller = std::make_unique<VirtualController>();
    m_controller->setStateInterval(60000);
    m_controller->attach();
    m_dock = std::make_unique<RobotViewDock>(m_controller.get());
    // Time stands still; the test runs the physics itself.
    m_dock->simulation()->stop();
    m_dock->resize(520, 600);
    m_dock->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_dock.get()));
}

void tst_RobotView::cleanup()
{
    m_dock.reset();
    m_controller.reset();
}

void tst_RobotView::listsTheShippedWorlds()
{
    QComboBox *picker = m_dock->worldPicker();
    QVERIFY(picker->count() >= 2);
    const AppContext &context = AppContext::instance();
    QCOMPARE(picker->itemText(0), context.text("RobotWorldTrack"));
    QCOMPARE(picker->itemText(1), context.text("RobotWorldArena"));
    QCOMPARE(m_dock->windowTitle(), context.text("RobotViewTitle"));
    QVERIFY(m_dock->windowTitle() != QLatin1String("No key"));
    // The track is loaded first, with the robot at its start.
    const RobotWorld &world = m_dock->simulation()->model().world();
    QVERIFY(world.path().endsWith("01_track/world.json"));
    QCOMPARE(m_dock->simulation()->model().pose().x, world.start().x);

    picker->setCurrentIndex(1);
    QVERIFY(m_dock->simulation()->model().world().path().endsWith("02_arena/world.json"));
    QVERIFY(!m_dock->simulation()->model().world().walls().isEmpty());
}

void tst_RobotView::drawsFloorAndRobot()
{
    RobotView *view = m_dock->view();
    QTRY_VERIFY(view->framesDrawn() > 0);
    // The track's middle is white, its bottom straight (y = 250 mm) black, and the robot
    // starts on that straight at x = 600 mm: its blue body hides the line there.
    QVERIFY(greyAt(view, {700, 500}) > 240);
    QVERIFY(greyAt(view, {800, 250}) < 30);
    const QImage picture = view->grab().toImage();
    const QColor body = picture.pixelColor(view->floorToWidget().map(QPointF(570, 270)).toPoint());
    QVERIFY2(body.blue() > body.red() + 40, qPrintable(body.name()));

    // A frame follows a change: the robot moved by the physics is drawn elsewhere.
    const int frames = view->framesDrawn();
    m_dock->simulation()->setPose({300, 800, 0});
    QTRY_VERIFY(view->framesDrawn() > frames);
    QVERIFY(greyAt(view, {570, 270}) > 240);
    QVERIFY(greyAt(view, {600, 250}) < 30);
}

void tst_RobotView::dragAndTurnPlaceTheRobot()
{
    RobotView *view = m_dock->view();
    QSignalSpy placed(view, &RobotView::posePlaced);
    const RobotPose start = m_dock->simulation()->model().pose();
    const QPoint from = view->floorToWidget().map(start.position()).toPoint();
    const QPointF target(900, 700);
    const QPoint to = view->floorToWidget().map(target).toPoint();

    QTest::mousePress(view, Qt::LeftButton, {}, from);
    QTest::mouseMove(view, (from + to) / 2);
    QTest::mouseMove(view, to);
    QTest::mouseRelease(view, Qt::LeftButton, {}, to);
    RobotPose pose = m_dock->simulation()->model().pose();
    // Within a widget pixel of where it was dropped, heading unchanged.
    const double mmPerPixel = 1.0 / view->floorToWidget().m11();
    QVERIFY(std::abs(pose.x - target.x()) <= 2 * mmPerPixel);
    QVERIFY(std::abs(pose.y - target.y()) <= 2 * mmPerPixel);
    QCOMPARE(pose.heading, start.heading);
    QVERIFY(placed.count() >= 2);
    QCOMPARE(m_dock->startPose().x, pose.x);

    // A right-button drag turns it towards the pointer: straight up is 90 degrees.
    const QPoint above = view->floorToWidget().map(QPointF(pose.x, pose.y + 200)).toPoint();
    QTest::mousePress(view, Qt::RightButton, {}, above);
    QTest::mouseRelease(view, Qt::RightButton, {}, above);
    QVERIFY(std::abs(m_dock->simulation()->model().pose().heading - 90) < 1);

    // A press beside the robot does not move it.
    const RobotPose before = m_dock->simulation()->model().pose();
    const QPoint beside = view->floorToWidget().map(QPointF(200, 200)).toPoint();
    QTest::mousePress(view, Qt::LeftButton, {}, beside);
    QTest::mouseMove(view, to);
    QTest::mouseRelease(view, Qt::LeftButton, {}, to);
    QCOMPARE(m_dock->simulation()->model().pose().x, before.x);

    // The wheel turns it in steps.
    QWheelEvent wheel(QPointF(to), view->mapToGlobal(QPointF(to)), {}, QPoint(0, 120), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(view, &wheel);
    QVERIFY(std::abs(m_dock->simulation()->model().pose().heading - 105) < 1);
}

void tst_RobotView::backToStartStopsTheWheels()
{
    RobotSimulation *simulation = m_dock->simulation();
    const RobotPose start = simulation->model().pose();
    runCommand(*m_controller, "m_fwd", {{"speed", 50}, {"timer", 0}});
    simulation->advance(100);
    QVERIFY(simulation->model().pose().x > start.x + 90);
    QCOMPARE(simulation->model().wheelSpeeds().left, 100.0);

    m_dock->backToStart();
    QCOMPARE(simulation->model().pose().x, start.x);
    QCOMPARE(m_controller->outputs().driveCommand, 0);
    simulation->advance(100);
    QCOMPARE(simulation->model().pose().x, start.x);
}

void tst_RobotView::controlsFollowTheConfiguration()
{
    m_controller->receiveBytes(
        PacketFrame::build(wireType(PacketType::Configuration),
                           configurationRecord({pin("D2", 1), pin("A3", 15), pin("A0", 11)})));
    QSignalSpy changed(m_dock->simulation(), &RobotSimulation::configurationChanged);
    m_dock->simulation()->advance(1);
    QCOMPARE(changed.count(), 1);

    auto *button = m_dock->findChild<QPushButton *>("RobotInput2");
    auto *knob = m_dock->findChild<QSlider *>("RobotInput131");
    QVERIFY(button);
    QVERIFY(knob);
    // The line sensor reads the floor; it gets no control.
    QVERIFY(!m_dock->findChild<QWidget *>("RobotInput128"));
    QVERIFY(button->text().contains("D2"));
    const QString buttonName = AppContext::instance().gadgetMap().value(1).name;
    QVERIFY(!buttonName.isEmpty());
    QVERIFY(button->text().contains(buttonName));

    QTest::mousePress(button, Qt::LeftButton);
    QVERIFY(m_controller->digitalInput(2));
    QTest::mouseRelease(button, Qt::LeftButton);
    QVERIFY(!m_controller->digitalInput(2));
    knob->setValue(200);
    QCOMPARE(m_controller->analogInput(3), 200);

    // A new configuration replaces the controls.
    m_controller->receiveBytes(PacketFrame::build(wireType(PacketType::Configuration),
                                                  configurationRecord({pin("A1", 14)})));
    m_dock->simulation()->advance(1);
    QTRY_VERIFY(!m_dock->findChild<QPushButton *>("RobotInput2"));
    QVERIFY(m_dock->findChild<QSlider *>("RobotInput129"));
}

void tst_RobotView::clickOnTheRobotsButtonPressesIt()
{
    // A touch sensor the world does not place sits at the front of the body.
    m_controller->receiveBytes(PacketFrame::build(wireType(PacketType::Configuration),
                                                  configurationRecord({pin("D4", 2)})));
    m_dock->simulation()->advance(1);
    const RobotModel &model = m_dock->simulation()->model();
    const SensorMount mount = model.mountFor(4);
    RobotView *view = m_dock->view();
    const QPoint mark = view->floorToWidget().map(model.pose().toWorld(mount.x, mount.y)).toPoint();
    const RobotPose before = model.pose();
    QTest::mousePress(view, Qt::LeftButton, {}, mark);
    QVERIFY(m_controller->digitalInput(4));
    QTest::mouseRelease(view, Qt::LeftButton, {}, mark);
    QVERIFY(!m_controller->digitalInput(4));
    // Pressing the button does not drag the robot.
    QCOMPARE(model.pose().x, before.x);
}

void tst_RobotView::brokenWorldKeepsThePreviousOne()
{
    QTemporaryDir dir;
    QFile file(dir.filePath("world.json"));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(R"({"floor": "missing.png"})");
    file.close();
    const QString before = m_dock->simulation()->model().world().path();
    QVERIFY(!m_dock->loadWorld(file.fileName()));
    QCOMPARE(m_dock->simulation()->model().world().path(), before);
    auto labels = m_dock->findChildren<QLabel *>();
    bool shown = false;
    for (QLabel *label : labels)
        shown = shown || (label->isVisible() &&
                          label->text() == AppContext::instance().text("RobotViewWorldError"));
    QVERIFY(shown);
    // Choosing a good world again clears the note.
    m_dock->worldPicker()->setCurrentIndex(1);
    m_dock->worldPicker()->setCurrentIndex(0);
    for (QLabel *label : labels)
        QVERIFY(!(label->isVisible() &&
                  label->text() == AppContext::instance().text("RobotViewWorldError")));
}

QTEST_MAIN(tst_RobotView)
#include "tst_robotview.moc"
