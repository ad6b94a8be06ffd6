// bluez-standin: a stand-in for bluetoothd on a private D-Bus bus, with virtual robots behind it,
// so that Qt's real Bluetooth classes can be tested without an adapter.

#include "bluezstandin.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDBusConnection>
#include <QTextStream>

#include <cstdio>
#include <cstring>

namespace {

// Qt asks the owner of org.bluez for its version to choose its D-Bus socket backend.
constexpr const char *kBluezVersion = "5.66";

int fail(const QString &message)
{
    QTextStream(stderr) << "bluez-standin: " << message << Qt::endl;
    return 2;
}

// "ADDRESS,NAME[,unpaired][,noserial][,late][,off][,sim=HOST:PORT]"
bool parseRobot(const QString &text, const StandInRobot::Options &defaults,
                StandInRobot::Options &robot)
{
    const QStringList parts = text.split(QLatin1Char(','));
    if (parts.size() < 2)
        return false;
    robot = defaults;
    robot.address = parts[0].trimmed().toUpper();
    robot.name = parts[1].trimmed();
    for (const QString &flag : parts.mid(2)) {
        const QString word = flag.trimmed();
        if (word == QLatin1String("unpaired"))
            robot.paired = false;
        else if (word == QLatin1String("noserial"))
            robot.serialPort = false;
        else if (word == QLatin1String("late"))
            robot.known = false;
        else if (word == QLatin1String("off"))
            robot.on = false;
        else if (word.startsWith(QLatin1String("sim=")))
            robot.bridge = word.mid(4);
        else
            return false;
    }
    return robot.address.size() == 17;
}

} // namespace

int main(int argc, char *argv[])
{
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("%s\n", kBluezVersion);
            return 0;
        }
    }
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("bluez-standin"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Serves org.bluez on the bus of DBUS_SYSTEM_BUS_ADDRESS (or --bus) with virtual robots "
        "behind it. Control interface: org.taviro.BluezStandIn at /standin."));
    parser.addHelpOption();
    const QCommandLineOption busOption(QStringLiteral("bus"),
                                       QStringLiteral("D-Bus address (default: the system bus)."),
                                       QStringLiteral("ADDRESS"));
    const QCommandLineOption robotOption(
        QStringLiteral("robot"),
        QStringLiteral("A robot: ADDRESS,NAME[,unpaired][,noserial][,late][,off][,sim=HOST:PORT]."),
        QStringLiteral("SPEC"));
    const QCommandLineOption noAdapterOption(QStringLiteral("no-adapter"),
                                             QStringLiteral("Start without an adapter."));
    const QCommandLineOption poweredOffOption(QStringLiteral("powered-off"),
                                              QStringLiteral("Start with the adapter off."));
    const QCommandLineOption pageTimeoutOption(
        QStringLiteral("page-timeout"),
        QStringLiteral("Milliseconds before connecting to a robot out of reach fails."),
        QStringLiteral("MS"), QStringLiteral("5000"));
    const QCommandLineOption intervalOption(QStringLiteral("interval"),
                                            QStringLiteral("Milliseconds between state packets."),
                                            QStringLiteral("MS"), QStringLiteral("100"));
    const QCommandLineOption msPerByteOption(
        QStringLiteral("ms-per-byte"), QStringLiteral("Time the EEPROM takes per byte written."),
        QStringLiteral("F"), QStringLiteral("0"));
    const QCommandLineOption robotsOption(
        QStringLiteral("robots"),
        QStringLiteral("N paired robots named Robot, at 00:11:22:33:44:01 and on (at most 99)."),
        QStringLiteral("N"), QStringLiteral("0"));
    parser.addOptions({busOption, robotOption, robotsOption, noAdapterOption, poweredOffOption,
                       pageTimeoutOption, intervalOption, msPerByteOption});
    parser.process(app);

    StandInRobot::Options defaults;
    bool ok = false;
    defaults.pageTimeoutMs = parser.value(pageTimeoutOption).toInt(&ok);
    if (!ok || defaults.pageTimeoutMs < 0)
        return fail(QStringLiteral("--page-timeout wants milliseconds"));
    defaults.stateIntervalMs = parser.value(intervalOption).toInt(&ok);
    if (!ok || defaults.stateIntervalMs < 1)
        return fail(QStringLiteral("--interval wants milliseconds"));
    defaults.msPerByte = parser.value(msPerByteOption).toDouble(&ok);
    if (!ok || defaults.msPerByte < 0)
        return fail(QStringLiteral("--ms-per-byte wants milliseconds"));

    QDBusConnection bus =
        parser.isSet(busOption)
            ? QDBusConnection::connectToBus(parser.value(busOption), QStringLiteral("standin"))
            : QDBusConnection::systemBus();
    if (!bus.isConnected())
        return fail(QStringLiteral("cannot reach the bus: %1").arg(bus.lastError().message()));

    const int robots = parser.value(robotsOption).toInt(&ok);
    if (!ok || robots < 0 || robots > 99)
        return fail(QStringLiteral("--robots wants a number from 0 to 99"));

    BluezStandIn standIn(bus);
    for (int i = 1; i <= robots; ++i) {
        StandInRobot::Options robot = defaults;
        robot.address = QStringLiteral("00:11:22:33:44:%1").arg(i, 2, 10, QLatin1Char('0'));
        robot.name = QStringLiteral("Robot");
        standIn.addRobot(robot);
    }
    for (const QString &spec : parser.values(robotOption)) {
        StandInRobot::Options robot;
        if (!parseRobot(spec, defaults, robot))
            return fail(QStringLiteral("--robot wants ADDRESS,NAME[,flags], not %1").arg(spec));
        standIn.addRobot(robot);
    }
    if (parser.isSet(noAdapterOption))
        standIn.setAdapter(false, false);
    else if (parser.isSet(poweredOffOption))
        standIn.setAdapter(true, false);
    if (!standIn.publish())
        return fail(QStringLiteral("cannot own org.bluez: %1").arg(bus.lastError().message()));
    QTextStream(stdout) << "ready" << Qt::endl;
    return app.exec();
}
