// taviro-sim: the virtual controller on a loopback TCP port or a pseudo-terminal.

#include "robotsimulation.h"
#include "simlog.h"
#include "simprocess.h"
#include "virtualcontrollerserver.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QJsonDocument>
#include <QSaveFile>
#include <QTextStream>

#include <memory>
#include <vector>

// A pseudo-terminal stands in for a serial cable only where there are pseudo-terminals.
#if defined(Q_OS_UNIX)
#define TAVIRO_SIM_SERIAL
#include "virtualcontrollerserial.h"
#include "virtualserialports.h"
#else
class VirtualControllerSerial;
#endif

namespace {

bool parseNonNegative(const QString &text, int &value)
{
    bool ok = false;
    value = text.toInt(&ok);
    return ok && value >= 0;
}

bool parseNonNegative(const QString &text, double &value)
{
    bool ok = false;
    value = text.toDouble(&ok);
    return ok && value >= 0 && value <= 1000;
}

// The most controllers one process serves: a class and then some.
constexpr int kMaxRobots = 64;
// Tries with port 0 to find a free run of consecutive ports.
constexpr int kPortRunTries = 20;

int fail(const QString &message)
{
    QTextStream(stderr) << "taviro-sim: " << message << Qt::endl;
    return 2;
}

// One line of standard input: "di N 0|1", "ai N VALUE", or "unplug MS" on a serial port.
// Without serial ports (Windows) there is nothing to unplug.
// False (after a line on standard error) for a line it does not understand.
bool applyInputLine(VirtualController &controller, [[maybe_unused]] VirtualControllerSerial *serial,
                    const QString &line)
{
    const QStringList words = line.simplified().split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (words.isEmpty())
        return true;
    bool indexOk = false;
    bool valueOk = false;
    const int index = words.size() == 3 ? words[1].toInt(&indexOk) : -1;
    const int value = words.size() == 3 ? words[2].toInt(&valueOk) : -1;
    QTextStream err(stderr);
    if (words[0] == QLatin1String("di") && indexOk && valueOk && index >= 0 &&
        index < LinkProtocol::kDigitalInputs && (value == 0 || value == 1)) {
        controller.setDigitalInput(index, value == 1);
    } else if (words[0] == QLatin1String("ai") && indexOk && valueOk && index >= 0 &&
               index < LinkProtocol::kAnalogInputs && value >= 0 && value <= 255) {
        controller.setAnalogInput(index, value);
#ifdef TAVIRO_SIM_SERIAL
    } else if (words[0] == QLatin1String("unplug") && words.size() == 2 && serial &&
               words[1].toInt(&valueOk) >= 0 && valueOk) {
        serial->unplug(words[1].toInt());
#endif
    } else {
        err << "taviro-sim: ignored input line (use \"di N 0|1\", \"ai N VALUE\" or, with "
               "--serial, \"unplug MS\"): "
            << line << Qt::endl;
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("taviro-sim"));

    QCommandLineParser parser;
#ifdef TAVIRO_SIM_SERIAL
    parser.setApplicationDescription(
        QStringLiteral("Virtual robot controller on a loopback TCP port, or with --serial on a "
                       "pseudo-terminal. Standard input takes \"di N 0|1\" and \"ai N VALUE\" "
                       "lines to set the inputs, and with --serial \"unplug MS\" to pull the "
                       "cable for a while."));
#else
    parser.setApplicationDescription(
        QStringLiteral("Virtual robot controller on a loopback TCP port. Standard input takes "
                       "\"di N 0|1\" and \"ai N VALUE\" lines to set the inputs."));
#endif
    parser.addHelpOption();
    const QCommandLineOption listenOption(
        QStringLiteral("listen"), QStringLiteral("Loopback address and port (0: any free)."),
        QStringLiteral("127.0.0.1:PORT"), QStringLiteral("127.0.0.1:0"));
    const QCommandLineOption eepromOption(
        QStringLiteral("eeprom"), QStringLiteral("Memory file: loaded at start, saved on exit."),
        QStringLiteral("FILE"));
    const QCommandLineOption intervalOption(QStringLiteral("interval"),
                                            QStringLiteral("Milliseconds between state packets."),
                                            QStringLiteral("MS"), QStringLiteral("100"));
    const QCommandLineOption latencyOption(QStringLiteral("latency"),
                                           QStringLiteral("Delay of every reply and state packet."),
                                           QStringLiteral("MS"), QStringLiteral("0"));
    const QCommandLineOption dropOption(QStringLiteral("drop-every"),
                                        QStringLiteral("Drop every Nth reply (0: none)."),
                                        QStringLiteral("N"), QStringLiteral("0"));
    const QCommandLineOption corruptOption(
        QStringLiteral("corrupt-every"),
        QStringLiteral("Corrupt the checksum of every Nth reply (0: none)."), QStringLiteral("N"),
        QStringLiteral("0"));
    const QCommandLineOption msPerByteOption(
        QStringLiteral("ms-per-byte"),
        QStringLiteral("Time the EEPROM takes per byte written (an AVR needs about 3.3)."),
        QStringLiteral("F"), QStringLiteral("0"));
    const QCommandLineOption stepMsOption(
        QStringLiteral("step-ms"),
        QStringLiteral("Time before a configuration, manual or step packet is answered."),
        QStringLiteral("MS"), QStringLiteral("0"));
    const QCommandLineOption noiseOption(
        QStringLiteral("noise"),
        QStringLiteral("Random bytes between frames, false frame starts among them."));
    const QCommandLineOption loseOption(
        QStringLiteral("lose-request-every"),
        QStringLiteral("Ignore every Nth request, as if garbled on the way in (0: none)."),
        QStringLiteral("N"), QStringLiteral("0"));
    const QCommandLineOption worldOption(
        QStringLiteral("world"),
        QStringLiteral("Run a virtual robot in this world file: the outputs drive it and its "
                       "sensors set the inputs."),
        QStringLiteral("FILE"));
    const QCommandLineOption traceOption(
        QStringLiteral("trace"),
        QStringLiteral("With --world: write the robot's pose, outputs and inputs as JSON lines, "
                       "one every 50 ms of simulated time."),
        QStringLiteral("FILE"));
    const QCommandLineOption robotsOption(
        QStringLiteral("robots"),
        QStringLiteral("Serve <N> controllers on consecutive TCP ports from the --listen port, "
                       "each named \"Robot\" with its own memory (--eeprom FILE becomes FILE.1 "
                       "... FILE.N); input lines go to every one."),
        QStringLiteral("N"), QStringLiteral("1"));
    parser.addOptions({listenOption, eepromOption, intervalOption, latencyOption, dropOption,
                       corruptOption, msPerByteOption, stepMsOption, noiseOption, loseOption,
                       worldOption, traceOption, robotsOption});
#ifdef TAVIRO_SIM_SERIAL
    const QCommandLineOption serialOption(
        QStringLiteral("serial"),
        QStringLiteral(
            "Serve on a new pseudo-terminal instead of TCP, like a robot behind a serial "
            "cable or a Bluetooth serial module."));
    const QCommandLineOption serialPathOption(
        QStringLiteral("serial-path"),
        QStringLiteral("With --serial: keep a link to the terminal at this path, which stays the "
                       "same when the cable is unplugged and plugged in again."),
        QStringLiteral("PATH"));
    const QCommandLineOption baudOption(
        QStringLiteral("baud"),
        QStringLiteral("With --serial: the line's speed; bytes take 10 bits each (default %1).")
            .arg(VirtualControllerSerial::kDefaultBaudRate),
        QStringLiteral("RATE"), QString::number(VirtualControllerSerial::kDefaultBaudRate));
    parser.addOptions({serialOption, serialPathOption, baudOption});
#endif
    parser.process(app);
    if (!parser.positionalArguments().isEmpty())
        return fail(QStringLiteral("unexpected argument %1").arg(parser.positionalArguments()[0]));

    const QString listen = parser.value(listenOption);
    const qsizetype colon = listen.lastIndexOf(QLatin1Char(':'));
    const QHostAddress host(listen.left(colon));
    bool portOk = false;
    const int port = listen.mid(colon + 1).toInt(&portOk);
    if (colon < 0 || host.isNull() || !portOk || port < 0 || port > 65535)
        return fail(QStringLiteral("--listen wants 127.0.0.1:PORT, not %1").arg(listen));
    if (!host.isLoopback())
        return fail(QStringLiteral("only loopback addresses are served, not %1").arg(listen));

    int interval = 0;
    int latency = 0;
    int dropEvery = 0;
    int corruptEvery = 0;
    double msPerByte = 0;
    int stepMs = 0;
    int loseEvery = 0;
    if (!parseNonNegative(parser.value(intervalOption), interval) || interval < 1)
        return fail(QStringLiteral("--interval wants a positive number of milliseconds"));
    if (!parseNonNegative(parser.value(latencyOption), latency))
        return fail(QStringLiteral("--latency wants a number of milliseconds"));
    if (!parseNonNegative(parser.value(dropOption), dropEvery))
        return fail(QStringLiteral("--drop-every wants a count"));
    if (!parseNonNegative(parser.value(corruptOption), corruptEvery))
        return fail(QStringLiteral("--corrupt-every wants a count"));
    if (!parseNonNegative(parser.value(msPerByteOption), msPerByte))
        return fail(QStringLiteral("--ms-per-byte wants milliseconds from 0 to 1000"));
    if (!parseNonNegative(parser.value(stepMsOption), stepMs))
        return fail(QStringLiteral("--step-ms wants a number of milliseconds"));
    if (!parseNonNegative(parser.value(loseOption), loseEvery))
        return fail(QStringLiteral("--lose-request-every wants a count"));
    int robotCount = 0;
    if (!parseNonNegative(parser.value(robotsOption), robotCount) || robotCount < 1 ||
        robotCount > kMaxRobots)
        return fail(QStringLiteral("--robots wants a number from 1 to %1").arg(kMaxRobots));
    const bool many = parser.isSet(robotsOption);
    if (many && parser.isSet(worldOption))
        return fail(QStringLiteral("--world drives one robot; leave out --robots"));
    if (many && port != 0 && port + robotCount - 1 > 65535)
        return fail(QStringLiteral("%1 ports from %2 run past 65535").arg(robotCount).arg(port));

    std::vector<std::unique_ptr<VirtualControllerServer>> servers;
    for (int i = 0; i < robotCount; ++i) {
        servers.push_back(std::make_unique<VirtualControllerServer>());
        VirtualController &each = servers.back()->controller();
        each.setStateInterval(interval);
        each.setLatency(latency);
        each.setDropEvery(dropEvery);
        each.setCorruptEvery(corruptEvery);
        each.setMsPerByte(msPerByte);
        each.setStepMs(stepMs);
        // The same seed would give every robot the same noise.
        each.setNoise(parser.isSet(noiseOption), quint32(1 + i));
        each.setLoseRequestEvery(loseEvery);
        if (many)
            each.setDeviceName(QStringLiteral("Robot"));
    }
    VirtualController &controller = servers.front()->controller();

    // Served instead of TCP with --serial; "unplug" input lines act on it.
    VirtualControllerSerial *serialPort = nullptr;
#ifdef TAVIRO_SIM_SERIAL
    std::unique_ptr<VirtualControllerSerial> serial;
    if (many && parser.isSet(serialOption))
        return fail(QStringLiteral("--robots serves TCP ports; leave out --serial"));
    if (parser.isSet(serialPathOption) && !parser.isSet(serialOption))
        return fail(QStringLiteral("--serial-path needs --serial"));
    if (parser.isSet(serialOption)) {
        int baud = 0;
        if (!parseNonNegative(parser.value(baudOption), baud) ||
            baud < VirtualControllerSerial::kMinBaudRate)
            return fail(QStringLiteral("--baud wants a line speed of %1 or more")
                            .arg(VirtualControllerSerial::kMinBaudRate));
        serial = std::make_unique<VirtualControllerSerial>(controller);
        serial->setBaudRate(baud);
        serialPort = serial.get();
    }
#endif

    // The robot reads and drives the same controller the client talks to.
    RobotSimulation robot(&controller);
    QFile trace;
    if (parser.isSet(traceOption) && !parser.isSet(worldOption))
        return fail(QStringLiteral("--trace needs --world"));
    if (parser.isSet(worldOption)) {
        QString error;
        const std::optional<RobotWorld> world = RobotWorld::load(parser.value(worldOption), &error);
        if (!world)
            return fail(error);
        robot.setWorld(*world);
        if (parser.isSet(traceOption)) {
            trace.setFileName(parser.value(traceOption));
            if (!trace.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text))
                return fail(QStringLiteral("cannot write %1: %2")
                                .arg(trace.fileName(), trace.errorString()));
            // Each line is flushed, so a reader sees the run while it goes on and nothing is
            // lost when the program is ended.
            QObject::connect(&robot, &RobotSimulation::sampled, &app,
                             [&trace](const QJsonObject &line) {
                                 trace.write(QJsonDocument(line).toJson(QJsonDocument::Compact));
                                 trace.write("\n");
                                 trace.flush();
                             });
        }
        robot.start();
    }

    // Each robot of a class keeps its memory in a file of its own.
    const QString eepromBase = parser.value(eepromOption);
    const auto eepromPath = [&](int robot) {
        return many && !eepromBase.isEmpty()
                   ? QStringLiteral("%1.%2").arg(eepromBase).arg(robot + 1)
                   : eepromBase;
    };
    for (int i = 0; i < robotCount; ++i) {
        const QString path = eepromPath(i);
        if (path.isEmpty() || !QFile::exists(path))
            continue;
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            return fail(QStringLiteral("cannot read %1: %2").arg(path, file.errorString()));
        const QByteArray contents = file.readAll();
        if (contents.size() != 4096)
            QTextStream(stderr) << "taviro-sim: " << path << " holds " << contents.size()
                                << " bytes, not 4096; the rest reads as erased" << Qt::endl;
        servers[size_t(i)]->controller().setEeprom(contents);
    }

    const bool watched = SimProcess::watchTermination(&app, [&] {
        int code = 0;
        for (int i = 0; i < robotCount && !eepromBase.isEmpty(); ++i) {
            QSaveFile file(eepromPath(i));
            if (!file.open(QIODevice::WriteOnly) ||
                file.write(servers[size_t(i)]->controller().eeprom()) != 4096 || !file.commit()) {
                QTextStream(stderr) << "taviro-sim: cannot save " << eepromPath(i) << ": "
                                    << file.errorString() << Qt::endl;
                code = 1;
            }
        }
        app.exit(code);
    });
    if (!watched)
        return fail(QStringLiteral("cannot install signal handlers"));
    SimProcess::readInputLines(&app, [&](const QString &line) {
        for (const auto &server : servers) {
            if (!applyInputLine(server->controller(), serialPort, line))
                break;
        }
    });

#ifdef TAVIRO_SIM_SERIAL
    if (serial) {
        if (!serial->open(parser.value(serialPathOption)))
            return fail(
                QStringLiteral("cannot open a pseudo-terminal: %1").arg(serial->errorString()));
        // Listed by the editor's search beside the real serial ports, until this program ends.
        const QString name =
            QStringLiteral("taviro-sim-%1").arg(QCoreApplication::applicationPid());
        QString error;
        QString published = VirtualSerialPorts::publish(name, serial->path(), &error);
        if (published.isEmpty())
            return fail(QStringLiteral("cannot publish the port: %1").arg(error));
        QObject::connect(serial.get(), &VirtualControllerSerial::pluggedIn, &app, [&] {
            if (!parser.value(serialPathOption).isEmpty())
                return;
            published = VirtualSerialPorts::publish(name, serial->path(), &error);
            if (published.isEmpty())
                app.exit(fail(QStringLiteral("cannot publish the port: %1").arg(error)));
        });
        QTextStream(stdout) << "serial on " << serial->path() << Qt::endl;
        const int code = app.exec();
        VirtualSerialPorts::withdraw(published);
        return code;
    }
#endif
    // Consecutive ports: with port 0 the first free one decides, and another run is looked for
    // when one after it is taken.
    QString error;
    bool listening = false;
    for (int attempt = 0; attempt < (port == 0 ? kPortRunTries : 1) && !listening; ++attempt) {
        listening = true;
        quint16 first = 0;
        for (int i = 0; i < robotCount; ++i) {
            VirtualControllerServer &server = *servers[size_t(i)];
            const quint16 wanted = i == 0 ? quint16(port) : quint16(first + i);
            const quint16 bound = i > 0 && first + i > 65535 ? 0 : server.listen(host, wanted);
            if (bound == 0) {
                error = QStringLiteral("cannot listen on %1:%2: %3")
                            .arg(host.toString())
                            .arg(wanted)
                            .arg(server.errorString());
                for (const auto &opened : servers)
                    opened->close();
                listening = false;
                break;
            }
            if (i == 0)
                first = bound;
        }
    }
    if (!listening)
        return fail(error);
    QTextStream out(stdout);
    for (const auto &server : servers)
        out << "listening on " << host.toString() << ':' << server->port() << Qt::endl;
    return app.exec();
}
