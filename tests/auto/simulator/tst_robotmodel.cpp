#include "commandcompiler.h"
#include "configurationrecord.h"
#include "packetframe.h"
#include "robotkinematics.h"
#include "robotmodel.h"
#include "robotsimulation.h"
#include "virtualcontroller.h"

#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QtMath>

#include <cmath>

using namespace LinkProtocol;

namespace {

// A floor of the given size in pixels painted by a function of the pixel (column, row from top).
template <typename Paint> QImage floorPicture(int width, int height, Paint paint)
{
    QImage image(width, height, QImage::Format_Grayscale8);
    for (int row = 0; row < height; ++row) {
        for (int column = 0; column < width; ++column)
            image.scanLine(row)[column] = uchar(paint(column, row));
    }
    return image;
}

QByteArray recordOf(const QJsonArray &pins, int motor1 = 100, int motor2 = 100)
{
    return encodeConfiguration(QJsonObject{{"Motor1", motor1}, {"Motor2", motor2}, {"pins", pins}})
        .bytes;
}

QJsonObject pin(const QString &label, int gadget)
{
    return {{"pinLbl", label}, {"gadgetId", gadget}};
}

QJsonObject command(const QString &name, QJsonObject action = {})
{
    action.insert("command", name);
    return {{"conditions", QJsonObject{{"type", "always"}}}, {"action", action}};
}

QByteArray record(const QJsonObject &cmd)
{
    CommandCompiler compiler;
    compiler.setPrograms(QJsonArray{QJsonArray{}});
    compiler.compileCommand(cmd);
    return compiler.lastRecord();
}

RobotWorld blankWorld(int sizeMm = 2000)
{
    RobotWorld world;
    world.setFloor(floorPicture(sizeMm / 10, sizeMm / 10, [](int, int) { return 255; }), 10);
    return world;
}

} // namespace

Q_DECLARE_METATYPE(RobotPose)

class tst_RobotModel : public QObject
{
    Q_OBJECT

private slots:
    void kinematics_data();
    void kinematics();
    void arcDoesNotDependOnStepSize();
    void wheelSpeeds_data();
    void wheelSpeeds();
    void configurationRecord_data();
    void configurationRecord();
    void floorSensors_data();
    void floorSensors();
    void distanceSensor_data();
    void distanceSensor();
    void wallsStopTheBodyAndPressTouchSensors();
    void clicksAndSliders();
    void worldFile_data();
    void worldFile();
    void controllerDrivesTheRobot();
};

void tst_RobotModel::kinematics_data()
{
    QTest::addColumn<RobotPose>("start");
    QTest::addColumn<double>("left");
    QTest::addColumn<double>("right");
    QTest::addColumn<double>("wheelBase");
    QTest::addColumn<double>("seconds");
    QTest::addColumn<RobotPose>("expected");

    // Straight: distance = speed x time along the heading.
    QTest::newRow("straight along +x")
        << RobotPose{0, 0, 0} << 100.0 << 100.0 << 120.0 << 2.0 << RobotPose{200, 0, 0};
    QTest::newRow("straight at 30 degrees")
        << RobotPose{10, 20, 30} << 50.0 << 50.0 << 120.0 << 4.0
        << RobotPose{10 + 200 * std::cos(M_PI / 6), 20 + 200 * std::sin(M_PI / 6), 30};
    QTest::newRow("backward") << RobotPose{0, 0, 90} << -80.0 << -80.0 << 120.0 << 1.5
                              << RobotPose{0, -120, 90};
    // On the spot: omega = (right - left) / wheelBase = 1 rad/s.
    QTest::newRow("spin left a quarter")
        << RobotPose{5, 5, 0} << -50.0 << 50.0 << 100.0 << M_PI / 2 << RobotPose{5, 5, 90};
    QTest::newRow("spin right past zero")
        << RobotPose{0, 0, 45} << 50.0 << -50.0 << 100.0 << M_PI / 2 << RobotPose{0, 0, 315};
    // Arc: v = 100, omega = 1 rad/s, radius 100 around (0, 100).
    QTest::newRow("arc left a quarter")
        << RobotPose{0, 0, 0} << 50.0 << 150.0 << 100.0 << M_PI / 2 << RobotPose{100, 100, 90};
    QTest::newRow("arc left a half")
        << RobotPose{0, 0, 0} << 50.0 << 150.0 << 100.0 << M_PI << RobotPose{0, 200, 180};
    // Pivot on the stopped right wheel: radius wheelBase / 2 = 60 around (0, -60).
    QTest::newRow("pivot right a quarter")
        << RobotPose{0, 0, 0} << 120.0 << 0.0 << 120.0 << M_PI / 2 << RobotPose{60, -60, 270};
    QTest::newRow("standing") << RobotPose{1, 2, 3} << 0.0 << 0.0 << 120.0 << 10.0
                              << RobotPose{1, 2, 3};
}

void tst_RobotModel::kinematics()
{
    QFETCH(RobotPose, start);
    QFETCH(double, left);
    QFETCH(double, right);
    QFETCH(double, wheelBase);
    QFETCH(double, seconds);
    QFETCH(RobotPose, expected);
    const RobotPose end = RobotKinematics::advance(start, left, right, wheelBase, seconds);
    QVERIFY2(std::abs(end.x - expected.x) < 1e-6, qPrintable(QString::number(end.x)));
    QVERIFY2(std::abs(end.y - expected.y) < 1e-6, qPrintable(QString::number(end.y)));
    const double headingError = std::remainder(end.heading - expected.heading, 360.0);
    QVERIFY2(std::abs(headingError) < 1e-6, qPrintable(QString::number(end.heading)));
    QVERIFY(end.heading >= 0 && end.heading < 360);
}

void tst_RobotModel::arcDoesNotDependOnStepSize()
{
    RobotPose stepped{0, 0, 0};
    for (int i = 0; i < 1000; ++i)
        stepped = RobotKinematics::advance(stepped, 30, 90, 120, 0.01);
    const RobotPose once = RobotKinematics::advance({0, 0, 0}, 30, 90, 120, 10.0);
    QVERIFY(std::abs(stepped.x - once.x) < 1e-6);
    QVERIFY(std::abs(stepped.y - once.y) < 1e-6);
    QVERIFY(std::abs(std::remainder(stepped.heading - once.heading, 360.0)) < 1e-6);
}

void tst_RobotModel::wheelSpeeds_data()
{
    QTest::addColumn<int>("driveCommand");
    QTest::addColumn<int>("driveSpeed");
    QTest::addColumn<int>("motorPin");
    QTest::addColumn<int>("motorSpeed");
    QTest::addColumn<bool>("motorLater");
    QTest::addColumn<QByteArray>("record");
    QTest::addColumn<double>("left");
    QTest::addColumn<double>("right");

    const QByteArray plain = recordOf({});
    // 2 mm/s per speed unit throughout.
    QTest::newRow("forward") << 0x23 << 50 << -1 << 0 << false << plain << 100.0 << 100.0;
    QTest::newRow("backward") << 0x28 << 50 << -1 << 0 << false << plain << -100.0 << -100.0;
    QTest::newRow("left pivots on the left wheel")
        << 0x22 << 50 << -1 << 0 << false << plain << 0.0 << 100.0;
    QTest::newRow("right") << 0x24 << 50 << -1 << 0 << false << plain << 100.0 << 0.0;
    QTest::newRow("turn left") << 0x25 << 40 << -1 << 0 << false << plain << -80.0 << 80.0;
    QTest::newRow("turn right") << 0x26 << 40 << -1 << 0 << false << plain << 80.0 << -80.0;
    QTest::newRow("back left") << 0x29 << 50 << -1 << 0 << false << plain << 0.0 << -100.0;
    QTest::newRow("back right") << 0x27 << 50 << -1 << 0 << false << plain << -100.0 << 0.0;
    QTest::newRow("stop with brake") << 0x21 << 0 << -1 << 0 << false << plain << 0.0 << 0.0;
    QTest::newRow("idle") << 0 << 0 << -1 << 0 << false << plain << 0.0 << 0.0;
    QTest::newRow("motor 1 is the left wheel") << 0 << 0 << 1 << 30 << true << plain << 60.0 << 0.0;
    QTest::newRow("motor 2 backwards is the right wheel")
        << 0 << 0 << 2 << -30 << true << plain << 0.0 << -60.0;
    QTest::newRow("motor by its configured pin")
        << 0 << 0 << 10 << 25 << true << recordOf({pin("D10", 41)}) << 0.0 << 50.0;
    QTest::newRow("a pin without a motor turns nothing")
        << 0 << 0 << 7 << 25 << true << plain << 0.0 << 0.0;
    QTest::newRow("later motor command wins over the drive")
        << 0x23 << 50 << 1 << 10 << true << plain << 20.0 << 100.0;
    QTest::newRow("later drive command wins over the motor")
        << 0x23 << 50 << 1 << 10 << false << plain << 100.0 << 100.0;
    QTest::newRow("motor power settings")
        << 0x23 << 50 << -1 << 0 << false << recordOf({}, 50, 150) << 50.0 << 150.0;
    QTest::newRow("unset motor power is full power")
        << 0x23 << 50 << -1 << 0 << false << recordOf({}, 0, 0) << 100.0 << 100.0;
}

void tst_RobotModel::wheelSpeeds()
{
    QFETCH(int, driveCommand);
    QFETCH(int, driveSpeed);
    QFETCH(int, motorPin);
    QFETCH(int, motorSpeed);
    QFETCH(bool, motorLater);
    QFETCH(QByteArray, record);
    QFETCH(double, left);
    QFETCH(double, right);
    SimulatedOutputs outputs;
    outputs.driveCommand = driveCommand;
    outputs.driveSpeed = driveSpeed;
    outputs.driveStamp = motorLater ? 1 : 2;
    outputs.motorStamp = 2;
    if (motorPin >= 0) {
        outputs.motors[motorPin] = motorSpeed;
        outputs.motorStamps[motorPin] = motorLater ? 2 : 1;
    }
    const WheelSpeeds speeds =
        RobotModel::wheelSpeedsFor(outputs, RobotConfiguration::fromRecord(record), 2.0);
    QCOMPARE(speeds.left, left);
    QCOMPARE(speeds.right, right);
}

void tst_RobotModel::configurationRecord_data()
{
    QTest::addColumn<QByteArray>("record");
    QTest::addColumn<QList<int>>("pinsAndGadgets");

    QTest::newRow("empty") << QByteArray() << QList<int>{};
    QTest::newRow("no pins") << recordOf({}) << QList<int>{};
    QTest::newRow("sensors and a servo with its zero byte")
        << recordOf({pin("A0", 11), pin("D9", 20), pin("A1", 13), pin("D5", 40)})
        << QList<int>{5, 40, 9, 20, 128, 11, 129, 13};
    QTest::newRow("cut short") << recordOf({pin("A0", 11), pin("A1", 12)}).left(5)
                               << QList<int>{128, 11};
}

void tst_RobotModel::configurationRecord()
{
    QFETCH(QByteArray, record);
    QFETCH(QList<int>, pinsAndGadgets);
    const RobotConfiguration configuration = RobotConfiguration::fromRecord(record);
    QList<int> flat;
    for (auto it = configuration.gadgets().cbegin(); it != configuration.gadgets().cend(); ++it)
        flat << it.key() << it.value();
    QCOMPARE(flat, pinsAndGadgets);
    // The same record inside a memory image.
    const QByteArray image = QByteArray(1, '\x01') + char(record.size()) + record + "\x7F\x00";
    if (record.size() >= 4)
        QCOMPARE(RobotConfiguration::fromImage(image), configuration);
    QVERIFY(RobotConfiguration::fromImage(QByteArray(4096, char(0xFF))).isEmpty());
}

void tst_RobotModel::floorSensors_data()
{
    QTest::addColumn<RobotPose>("pose");
    QTest::addColumn<int>("gadget");
    QTest::addColumn<int>("expected");

    // The floor (2 mm per pixel, 200 x 100 mm): x < 100 mm black, 100-120 mm grey, the rest
    // white; the top picture row band (y > 90 mm) is dark grey. The sensor sits 20 mm ahead.
    QTest::newRow("line sensor over black") << RobotPose{40, 40, 0} << 11 << 0;
    QTest::newRow("line sensor over grey") << RobotPose{90, 40, 0} << 11 << 128;
    QTest::newRow("light sensor over white") << RobotPose{130, 40, 0} << 12 << 255;
    QTest::newRow("heading turns the sensor") << RobotPose{110, 40, 180} << 11 << 0;
    QTest::newRow("y counts up from the picture's bottom") << RobotPose{150, 75, 90} << 11 << 60;
    QTest::newRow("outside the picture reads white") << RobotPose{195, 40, 0} << 11 << 255;
    QTest::newRow("below the picture reads white") << RobotPose{40, 10, 270} << 11 << 255;
}

void tst_RobotModel::floorSensors()
{
    QFETCH(RobotPose, pose);
    QFETCH(int, gadget);
    QFETCH(int, expected);
    RobotWorld world;
    world.setFloor(floorPicture(100, 50,
                                [](int column, int row) {
                                    if (row < 5)
                                        return 60;
                                    return column < 50 ? 0 : column < 60 ? 128 : 255;
                                }),
                   2.0);
    world.setMounts({SensorMount{128, 20, 0, 0}});
    RobotModel model(world);
    model.setConfiguration(RobotConfiguration::fromRecord(recordOf({pin("A0", gadget)})));
    model.setPose(pose);
    QCOMPARE(model.reading(128), expected);
    QCOMPARE(model.readings().value(128), expected);
    QCOMPARE(model.reading(129), -1);
}

void tst_RobotModel::distanceSensor_data()
{
    QTest::addColumn<RobotPose>("pose");
    QTest::addColumn<double>("mountHeading");
    QTest::addColumn<int>("expected");

    // A wall along x = 500 from y = 0 to 1000; the sensor sits 75 mm ahead; 10 mm per unit.
    QTest::newRow("facing the wall") << RobotPose{100, 500, 0} << 0.0 << 33;
    QTest::newRow("at an angle") << RobotPose{100, 500, 30} << 0.0 << 39;
    QTest::newRow("looking sideways") << RobotPose{100, 500, 270} << 90.0 << 40;
    QTest::newRow("facing away") << RobotPose{100, 500, 180} << 0.0 << 255;
    QTest::newRow("past the wall's end") << RobotPose{100, 1100, 0} << 0.0 << 255;
    QTest::newRow("far wall caps at 255") << RobotPose{3500, 500, 180} << 0.0 << 255;
}

void tst_RobotModel::distanceSensor()
{
    QFETCH(RobotPose, pose);
    QFETCH(double, mountHeading);
    QFETCH(int, expected);
    RobotWorld world = blankWorld(4000);
    world.setWalls({QLineF(500, 0, 500, 1000)});
    world.setMounts({SensorMount{130, 75, 0, mountHeading}});
    RobotModel model(world);
    model.setConfiguration(RobotConfiguration::fromRecord(recordOf({pin("A2", 13)})));
    model.setPose(pose);
    QCOMPARE(model.reading(130), expected);
}

void tst_RobotModel::wallsStopTheBodyAndPressTouchSensors()
{
    RobotWorld world = blankWorld();
    world.setWalls({QLineF(500, 0, 500, 1000), QLineF(0, 800, 1000, 800)});
    // D2: a touch sensor on the front bumper; D3: a button without a mount (any contact).
    world.setMounts({SensorMount{2, 75, 0, 0}});
    world.setStart({300, 400, 0});
    RobotModel model(world);
    model.setConfiguration(RobotConfiguration::fromRecord(recordOf({pin("D2", 2), pin("D3", 1)})));
    QCOMPARE(model.reading(2), 0);
    QCOMPARE(model.reading(3), 0);
    model.setWheelSpeeds({100, 100});
    for (int i = 0; i < 500; ++i)
        model.step(0.01);
    // 5 s at 100 mm/s would reach x = 800; the wall holds the body's edge at x = 500.
    QVERIFY2(std::abs(model.pose().x - 425) < 1e-6, qPrintable(QString::number(model.pose().x)));
    QCOMPARE(model.pose().y, 400.0);
    QVERIFY(model.touchesWall());
    QCOMPARE(model.reading(2), 1);
    QCOMPARE(model.reading(3), 1);

    // Backing off the wall releases both.
    model.setWheelSpeeds({-100, -100});
    model.step(0.1);
    QCOMPARE(model.reading(2), 0);
    QCOMPARE(model.reading(3), 0);

    // Touching with its side presses the plain button only, not the front bumper.
    model.setPose({300, 725, 0});
    QVERIFY(model.touchesWall());
    QCOMPARE(model.reading(2), 0);
    QCOMPARE(model.reading(3), 1);

    // Into a corner: the body stays clear of both walls.
    model.setPose({400, 700, 45});
    model.setWheelSpeeds({200, 200});
    for (int i = 0; i < 300; ++i)
        model.step(0.01);
    QVERIFY(model.pose().x <= 425 + 1e-6);
    QVERIFY(model.pose().y <= 725 + 1e-6);

    // A start pose dropped inside a wall is pushed out of it.
    model.setPose({490, 300, 0});
    QVERIFY(std::abs(model.pose().x - 425) < 1e-6);

    // The floor's edge (2000 x 2000 mm) holds the robot's centre.
    model.setPose({200, 300, 180});
    model.setWheelSpeeds({300, 300});
    for (int i = 0; i < 200; ++i)
        model.step(0.01);
    QCOMPARE(model.pose().x, 0.0);
    QCOMPARE(model.pose().y, 300.0);
    model.setPose({-50, 2500, 0});
    QCOMPARE(model.pose().x, 0.0);
    QCOMPARE(model.pose().y, 2000.0);
}

void tst_RobotModel::clicksAndSliders()
{
    RobotModel model(blankWorld());
    model.setConfiguration(
        RobotConfiguration::fromRecord(recordOf({pin("D4", 1), pin("A3", 15), pin("A4", 14)})));
    QCOMPARE(model.reading(4), 0);
    model.setPressed(4, true);
    QCOMPARE(model.reading(4), 1);
    model.setPressed(4, false);
    QCOMPARE(model.reading(4), 0);
    QCOMPARE(model.reading(131), 0);
    model.setSliderValue(131, 200);
    model.setSliderValue(132, 999);
    QCOMPARE(model.reading(131), 200);
    QCOMPARE(model.reading(132), 255);
}

void tst_RobotModel::worldFile_data()
{
    QTest::addColumn<QByteArray>("json");
    QTest::addColumn<QString>("error");

    QTest::newRow("complete") << QByteArray(R"({"floor": "floor.png", "mmPerPixel": 2,
            "robot": {"x": 100, "y": 50, "heading": -90, "wheelBase": 100, "radius": 40},
            "walls": [[0, 0, 200, 0], [0, 0, 0, 100]],
            "sensors": [{"pin": "A1", "x": 70, "y": 10, "heading": 0}]})")
                              << QString();
    QTest::newRow("only a floor") << QByteArray(R"({"floor": "floor.png"})") << QString();
    QTest::newRow("not an object") << QByteArray("[1, 2]") << "not a JSON object";
    QTest::newRow("broken JSON") << QByteArray("{\"floor\": ") << "not a JSON object";
    QTest::newRow("no floor") << QByteArray(R"({"mmPerPixel": 2})") << "\"floor\"";
    QTest::newRow("missing picture")
        << QByteArray(R"({"floor": "nothing.png"})") << "cannot read the floor picture";
    QTest::newRow("zero scale") << QByteArray(R"({"floor": "floor.png", "mmPerPixel": 0})")
                                << "\"mmPerPixel\" must be a positive number";
    QTest::newRow("short wall") << QByteArray(R"({"floor": "floor.png", "walls": [[0, 0, 1]]})")
                                << "wall 0";
    QTest::newRow("text in a wall")
        << QByteArray(R"({"floor": "floor.png", "walls": [[0, 0, 1, "2"]]})") << "wall 0";
    QTest::newRow("sensor without a pin")
        << QByteArray(R"({"floor": "floor.png", "sensors": [{"x": 1, "y": 0, "heading": 0}]})")
        << "sensor 0";
    QTest::newRow("robot heading as text")
        << QByteArray(R"({"floor": "floor.png", "robot": {"heading": "north"}})") << "robot:";
}

void tst_RobotModel::worldFile()
{
    QFETCH(QByteArray, json);
    QFETCH(QString, error);
    QTemporaryDir dir;
    QVERIFY(floorPicture(100, 50, [](int, int) { return 200; }).save(dir.filePath("floor.png")));
    QFile file(dir.filePath("world.json"));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(json);
    file.close();

    QString message;
    const std::optional<RobotWorld> world = RobotWorld::load(file.fileName(), &message);
    if (!error.isEmpty()) {
        QVERIFY(!world);
        QVERIFY2(message.contains(error), qPrintable(message));
        QVERIFY(message.contains(file.fileName()));
        return;
    }
    QVERIFY2(world, qPrintable(message));
    QCOMPARE(world->name(), QStringLiteral("world"));
    QCOMPARE(world->brightnessAt({10, 10}), 200);
    if (json.contains("walls")) {
        QCOMPARE(world->widthMm(), 200.0);
        QCOMPARE(world->heightMm(), 100.0);
        QCOMPARE(world->start().x, 100.0);
        QCOMPARE(world->start().heading, 270.0);
        QCOMPARE(world->body().wheelBase, 100.0);
        QCOMPARE(world->body().radius, 40.0);
        QCOMPARE(world->body().mmPerSecondPerSpeed, RobotBody().mmPerSecondPerSpeed);
        QCOMPARE(world->walls().size(), 2);
        QCOMPARE(world->walls().at(0), QLineF(0, 0, 200, 0));
        QVERIFY(world->mountFor(129));
        QCOMPARE(world->mountFor(129)->y, 10.0);
        QVERIFY(!world->mountFor(128));
    } else {
        // Defaults: 1 mm per pixel, the robot in the middle facing +x.
        QCOMPARE(world->widthMm(), 100.0);
        QCOMPARE(world->start().x, 50.0);
        QCOMPARE(world->start().y, 25.0);
        QCOMPARE(world->start().heading, 0.0);
        QVERIFY(world->walls().isEmpty());
    }
}

void tst_RobotModel::controllerDrivesTheRobot()
{
    VirtualController controller;
    controller.setStateInterval(60000);
    controller.attach();
    RobotWorld world = blankWorld();
    // A black stripe across x = 1000-1100 mm (10 mm per pixel).
    world.setFloor(
        floorPicture(200, 200,
                     [](int column, int) { return column >= 100 && column < 110 ? 0 : 255; }),
        10);
    world.setStart({500, 1000, 0});
    world.setMounts({SensorMount{128, 50, 0, 0}});
    RobotSimulation simulation(&controller);
    simulation.setWorld(world);
    QSignalSpy configured(&simulation, &RobotSimulation::configurationChanged);
    QSignalSpy samples(&simulation, &RobotSimulation::sampled);

    controller.receiveBytes(
        PacketFrame::build(wireType(PacketType::Configuration), recordOf({pin("A0", 11)})));
    controller.receiveBytes(PacketFrame::build(
        wireType(PacketType::StepCommand),
        QByteArray(1, '\x01') + record(command("m_fwd", {{"speed", 50}, {"timer", 0}}))));
    QCOMPARE(controller.outputs().driveCommand, 0x23);
    simulation.advance(100);
    QCOMPARE(configured.count(), 1);
    QCOMPARE(simulation.simulatedMs(), 1000);
    // One second at 50 x 2 mm/s.
    QVERIFY(std::abs(simulation.model().pose().x - 600) < 1e-6);
    QCOMPARE(controller.analogInput(0), 255);
    QCOMPARE(samples.count(), 20);
    const QJsonObject last = samples.last().at(0).toJsonObject();
    QCOMPARE(last.value("t").toInt(), 1000);
    QCOMPARE(last.value("x").toDouble(), 600.0);
    QCOMPARE(last.value("outputs").toObject().value("left").toDouble(), 100.0);
    QCOMPARE(last.value("inputs").toObject().value("A0").toInt(), 255);

    // Three and a half seconds later the sensor (50 mm ahead) is over the stripe.
    simulation.advance(360);
    QCOMPARE(controller.analogInput(0), 0);

    // A stop command halts it where it is.
    controller.receiveBytes(
        PacketFrame::build(wireType(PacketType::StepCommand),
                           QByteArray(1, '\x02') + record(command("m_stop", {{"brake", 1}}))));
    const double stoppedAt = simulation.model().pose().x;
    simulation.advance(50);
    QCOMPARE(simulation.model().pose().x, stoppedAt);
}

QTEST_GUILESS_MAIN(tst_RobotModel)
#include "tst_robotmodel.moc"
