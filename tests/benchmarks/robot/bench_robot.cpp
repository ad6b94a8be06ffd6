#include "packetframe.h"
#include "robotsimulation.h"
#include "robotview.h"
#include "virtualcontroller.h"

#include <QElapsedTimer>
#include <QImage>
#include <QLoggingCategory>
#include <QPainter>
#include <QTest>

#include <cmath>

// The virtual robot's costs: one physics step (kinematics, walls, every sensor, the inputs
// handed to the controller) and one frame of the robot view on a 1000 x 1000 pixel floor.
class bench_Robot : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void physicsStep();
    void simulationStep();
    void viewFrame_data();
    void viewFrame();
    void framesPerSecondOnScreen();

private:
    static RobotWorld busyWorld();
    static QByteArray sensorConfiguration();
};

RobotWorld bench_Robot::busyWorld()
{
    // A 1000 x 1000 pixel floor (2 x 2 m) with a ring line and 40 walls.
    QImage floor(1000, 1000, QImage::Format_Grayscale8);
    floor.fill(255);
    QPainter painter(&floor);
    painter.setPen(QPen(Qt::black, 15));
    painter.drawEllipse(QPointF(500, 500), 350, 350);
    painter.end();
    RobotWorld world;
    world.setFloor(floor, 2.0);
    QList<QLineF> walls{QLineF(0, 0, 2000, 0), QLineF(2000, 0, 2000, 2000),
                        QLineF(2000, 2000, 0, 2000), QLineF(0, 2000, 0, 0)};
    for (int i = 0; i < 36; ++i)
        walls.append(QLineF(100 + i * 50, 1800, 120 + i * 50, 1900));
    world.setWalls(walls);
    world.setStart({1000, 300, 0});
    world.setMounts({{128, 60, 20, 0}, {129, 60, -20, 0}, {130, 70, 0, 0}, {2, 75, 0, 0}});
    return world;
}

QByteArray bench_Robot::sensorConfiguration()
{
    // Motors on D5/D6, two line sensors, a distance sensor, a touch sensor and a knob.
    return QByteArray::fromHex("646405280629800b810b820d0202830f0000");
}

void bench_Robot::initTestCase()
{
    QLoggingCategory::setFilterRules(QStringLiteral("taviro.*.debug=false"));
}

void bench_Robot::physicsStep()
{
    RobotModel model(busyWorld());
    model.setConfiguration(RobotConfiguration::fromRecord(sensorConfiguration()));
    QCOMPARE(model.readings().size(), 5);
    model.setWheelSpeeds({90, 110});
    QBENCHMARK
    {
        model.step(RobotModel::kStepMs / 1000.0);
        const QMap<int, int> readings = model.readings();
        Q_UNUSED(readings);
    }
}

void bench_Robot::simulationStep()
{
    // The whole step as the simulation runs it: configuration check, wheel speeds from the
    // controller's outputs, physics, sensors, inputs handed to the controller, trace sample.
    VirtualController controller;
    controller.attach();
    controller.receiveBytes(PacketFrame::build(
        LinkProtocol::wireType(LinkProtocol::PacketType::Configuration), sensorConfiguration()));
    RobotSimulation simulation(&controller);
    simulation.setWorld(busyWorld());
    simulation.advance(1);
    QCOMPARE(simulation.model().readings().size(), 5);
    QBENCHMARK
    {
        simulation.advance(1);
    }
}

void bench_Robot::viewFrame_data()
{
    QTest::addColumn<QSize>("size");
    QTest::newRow("420x320 (dock default)") << QSize(420, 320);
    QTest::newRow("800x800") << QSize(800, 800);
    QTest::newRow("1000x1000 (floor 1:1)") << QSize(1000, 1000);
}

void bench_Robot::viewFrame()
{
    QFETCH(QSize, size);
    VirtualController controller;
    RobotSimulation simulation(&controller);
    simulation.setWorld(busyWorld());
    RobotView view(&simulation, &controller);
    view.resize(size);
    QImage target(size, QImage::Format_ARGB32_Premultiplied);
    // The first frame lays the floor out for the size (scaling the picture once); frames
    // after it only copy it.
    view.render(&target);
    int frame = 0;
    QBENCHMARK
    {
        // The robot moves between frames, as it does while a program runs.
        simulation.setPose({1000 + 200 * std::cos(frame * 0.05),
                            1000 + 200 * std::sin(frame * 0.05), frame * 3.0});
        ++frame;
        view.render(&target);
    }
}

void bench_Robot::framesPerSecondOnScreen()
{
    // Frames the shown view actually draws in two seconds of a moving robot, on screen.
    VirtualController controller;
    RobotSimulation simulation(&controller);
    simulation.setWorld(busyWorld());
    RobotView view(&simulation, &controller);
    view.resize(1000, 1000);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    QTimer mover;
    int step = 0;
    QObject::connect(&mover, &QTimer::timeout, [&] {
        ++step;
        simulation.setPose({1000 + 300 * std::cos(step * 0.02), 1000, step * 1.0});
    });
    mover.start(5);
    const int before = view.framesDrawn();
    QElapsedTimer clock;
    clock.start();
    QTest::qWait(2000);
    const double fps = (view.framesDrawn() - before) * 1000.0 / clock.elapsed();
    qInfo("robot view, 1000x1000 floor at 1000x1000 pixels: %.1f frames/s drawn (the view "
          "draws at most one frame per %d ms)",
          fps, RobotView::kFrameMs);
}

QTEST_MAIN(bench_Robot)
#include "bench_robot.moc"
