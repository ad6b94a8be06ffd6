#include "linkcommands.h"
#include "linkoptions.h"
#include "linkproblem.h"
#include "mbluetoothconnect.h"
#include "subcommand.h"

#include <QEventLoop>
#include <QHash>
#include <QJsonDocument>
#include <QJsonObject>

#include <cstdio>

namespace {
constexpr int kMaxSeconds = 300;
} // namespace

int runScan(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Searches for robots and lists them one per line: address, name and whether the system "
        "has paired it, separated by tabs. Paired robots are listed at once, others as they "
        "answer.\n\nExit status: 0 when the search ran (also when it found nothing; standard "
        "error then says why, when the computer's Bluetooth is switched off or has no adapter), "
        "2 for usage errors, 3 when Bluetooth cannot be used at all (its service is not "
        "running)."));
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

    mBluetoothConnect transport;
    transport.setSearchDuration(seconds * 1000);
    QHash<QString, int> kinds;
    QObject::connect(&transport, &LinkTransport::foundDeviceKind,
                     [&kinds](const QString &text, int kind) { kinds.insert(text, kind); });
    QObject::connect(&transport, &LinkTransport::findNewDevice, [&kinds](const QString &text) {
        const QJsonObject device = QJsonDocument::fromJson(text.toUtf8()).object();
        const bool paired = kinds.value(text) == FoundDeviceKind::PairedRobot;
        std::printf("%s\t%s\t%s\n", qPrintable(device.value(QLatin1String("Address")).toString()),
                    qPrintable(device.value(QLatin1String("Name")).toString()),
                    paired ? "paired" : "not paired");
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

    if (problem != LinkProblem::None)
        Cli::error(LinkOptions::problemText(problem));
    else if (robots == 0)
        Cli::error(QStringLiteral("no robot found: switch the robot on, pair it in the system's "
                                  "Bluetooth settings and search again"));
    return problem == LinkProblem::NoBluetoothService ? ExitLink : ExitSuccess;
}
