#include "classjobs.h"
#include "classroster.h"
#include "linkcommands.h"
#include "linkoptions.h"
#include "linkproblem.h"
#include "linksocket.h"
#include "mbluetoothconnect.h"
#include "subcommand.h"

#include <QEventLoop>
#include <QHash>

#include <cstdio>

namespace {
constexpr int kMaxSeconds = 300;
} // namespace

int runScan(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        LinkSocket::kBluetoothSockets
            ? QStringLiteral(
                  "Searches for robots and lists them one per line: address, name and what it is "
                  "(paired, not paired; for serial ports cable or serial port), separated by "
                  "tabs; robots the class knows (Lumakit/class.json) get two more: their class "
                  "number and name. Paired robots are listed at once, others as they answer, the "
                  "serial ports after them.\n\nExit status: 0 when the search ran (also when it "
                  "found "
                  "nothing; standard error then says why, when the computer's Bluetooth is "
                  "switched off or has no adapter), 2 for usage errors, 3 when Bluetooth cannot "
                  "be used at all (its service is not running) and there is no serial port "
                  "either.")
            : QStringLiteral(
                  "Lists the COM ports one per line: address (serial:COMn), name and what it is "
                  "(cable, serial port, or paired with the robot's Bluetooth address), separated "
                  "by tabs. A robot paired in Windows' Bluetooth settings is listed by its own "
                  "name on its outgoing port; the incoming port of the pair, which reaches no "
                  "robot, is left out. Robots the class knows (Lumakit\\class.json) get two "
                  "more columns: their class number and name.\n\nExit status: 0 when a port is "
                  "listed, 2 for usage "
                  "errors, 3 when there is none."));
    parser.addHelpOption();
    const QCommandLineOption secondsOption(
        QStringLiteral("seconds"),
        QStringLiteral("Search for <S> seconds (default %1).")
            .arg(mBluetoothConnect::kDefaultSearchMs / 1000),
        QStringLiteral("S"), QString::number(mBluetoothConnect::kDefaultSearchMs / 1000));
    const QCommandLineOption verboseOption(QStringLiteral("verbose"),
                                           QStringLiteral("Log what the search does."));
    parser.addOptions({secondsOption, verboseOption});
    if (const std::optional<int> exitCode =
            Cli::parseArguments(parser, arguments, QStringLiteral("taviroc scan")))
        return *exitCode;
    if (!parser.positionalArguments().isEmpty()) {
        Cli::error(QStringLiteral("usage: taviroc scan [--seconds S]"));
        return ExitUsage;
    }
    bool ok = false;
    const int seconds = parser.value(secondsOption).toInt(&ok);
    if (!ok || seconds < 1 || seconds > kMaxSeconds) {
        Cli::error(QStringLiteral("--seconds wants a number from 1 to %1, not %2")
                       .arg(kMaxSeconds)
                       .arg(parser.value(secondsOption)));
        return ExitUsage;
    }
    LinkOptions::installLogging(parser.isSet(verboseOption));

    // Robots the class knows get their number and class name in two more columns.
    ClassRoster roster(ClassJobs::rosterPath());
    roster.load();
    mBluetoothConnect transport;
    transport.setSearchDuration(seconds * 1000);
    QHash<QString, int> kinds;
    QStringList serialLines;
    QObject::connect(&transport, &LinkTransport::foundDeviceKind,
                     [&kinds](const QString &text, int kind) { kinds.insert(text, kind); });
    QObject::connect(&transport, &LinkTransport::findNewDevice, [&](const QString &text) {
        const mBluetoothConnect::DeviceParts device = mBluetoothConnect::deviceParts(text);
        const int kind = kinds.value(text);
        QString what = QLatin1String(kind == FoundDeviceKind::PairedRobot     ? "paired"
                                     : kind == FoundDeviceKind::UnpairedRobot ? "not paired"
                                     : kind == FoundDeviceKind::CablePort     ? "cable"
                                                                              : "serial port");
        // A COM port that Windows made for a paired robot.
        if (!device.bluetooth.isEmpty())
            what = QStringLiteral("paired %1").arg(device.bluetooth);
        QString line = QStringLiteral("%1\t%2\t%3").arg(device.address, device.name, what);
        if (const std::optional<ClassRoster::Robot> known = roster.robot(text))
            line += QStringLiteral("\t%1\t%2").arg(known->number).arg(known->name);
        line += QLatin1Char('\n');
        // Robots as they answer; the serial ports, known at once, after them.
        if (kind == FoundDeviceKind::CablePort || kind == FoundDeviceKind::SerialPort) {
            serialLines.append(line);
            return;
        }
        std::fputs(qPrintable(line), stdout);
        std::fflush(stdout);
    });
    int robots = 0;
    int problem = LinkProblem::None;
    QEventLoop loop;
    bool ended = false;
    QObject::connect(&transport, &LinkTransport::searchEnded, [&](int count, int reason) {
        robots = count;
        problem = reason;
        ended = true;
        loop.quit();
    });
    transport.findDevices();
    if (!ended)
        loop.exec();
    for (const QString &line : std::as_const(serialLines))
        std::fputs(qPrintable(line), stdout);
    std::fflush(stdout);

    if (!LinkSocket::kBluetoothSockets) {
        if (!serialLines.isEmpty())
            return ExitSuccess;
        Cli::error(QStringLiteral("no COM port found: pair the robot in Windows' Bluetooth "
                                  "settings, or plug its cable in, and search again"));
        return ExitLink;
    }
    if (problem != LinkProblem::None)
        Cli::error(LinkOptions::problemText(problem));
    else if (robots == 0)
        Cli::error(QStringLiteral("no robot found: switch the robot on, pair it in the system's "
                                  "Bluetooth settings and search again"));
    const bool nothingToUse = problem == LinkProblem::NoBluetoothService && serialLines.isEmpty();
    return nothingToUse ? ExitLink : ExitSuccess;
}
