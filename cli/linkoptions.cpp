#include "linkoptions.h"

#include "linkproblem.h"
#include "linksocket.h"
#include "subcommand.h"

namespace {

bool usableAddress(const QString &value)
{
    if (LinkSocket::kindOf(value) == LinkSocket::Kind::Bluetooth &&
        !LinkSocket::kBluetoothSockets) {
        Cli::error(QStringLiteral("%1: here a robot is reached through its COM port; pair it in "
                                  "Windows' Bluetooth settings and use serial:COMn (taviroc scan "
                                  "lists the ports)")
                       .arg(value));
        return false;
    }
    if (!LinkSocket::isWellFormedAddress(value)) {
        Cli::error(QStringLiteral("%1 is neither tcp://HOST:PORT, serial:PATH nor a Bluetooth "
                                  "address")
                       .arg(value));
        return false;
    }
    return true;
}

} // namespace

std::optional<QString> LinkOptions::address(const QCommandLineParser &parser) const
{
    const QStringList values = parser.values(device);
    if (values.size() > 1) {
        Cli::error(QStringLiteral("--device is given %1 times; this command works on one robot")
                       .arg(values.size()));
        return std::nullopt;
    }
    const QString value = values.value(0).trimmed();
    if (value.isEmpty()) {
        Cli::error(QStringLiteral("--device ADDRESS is required"));
        return std::nullopt;
    }
    if (!usableAddress(value))
        return std::nullopt;
    return value;
}

std::optional<QStringList> LinkOptions::addresses(const QCommandLineParser &parser) const
{
    QStringList result;
    for (const QString &given : parser.values(device)) {
        const QString value = given.trimmed();
        if (value.isEmpty()) {
            Cli::error(QStringLiteral("--device wants an ADDRESS"));
            return std::nullopt;
        }
        if (!usableAddress(value))
            return std::nullopt;
        if (result.contains(value, Qt::CaseInsensitive)) {
            Cli::error(QStringLiteral("--device %1 is given twice").arg(value));
            return std::nullopt;
        }
        result.append(value);
    }
    if (result.isEmpty()) {
        Cli::error(QStringLiteral("--device ADDRESS is required"));
        return std::nullopt;
    }
    return result;
}

std::optional<int> LinkOptions::timeoutSeconds(const QCommandLineParser &parser) const
{
    bool ok = false;
    const int seconds = parser.value(timeout).toInt(&ok);
    if (!ok || seconds < 1 || seconds > 24 * 3600) {
        Cli::error(QStringLiteral("--timeout wants a number of seconds, not %1")
                       .arg(parser.value(timeout)));
        return std::nullopt;
    }
    return seconds;
}

void LinkOptions::installLogging(const QCommandLineParser &parser) const
{
    installLogging(parser.isSet(verbose));
}

void LinkOptions::installLogging(bool isVerbose)
{
    Cli::installLogHandler(isVerbose, true);
}

QString LinkOptions::problemText(int problem, const QString &device, const QString &detail)
{
    switch (problem) {
    case LinkProblem::BluetoothOff:
        return QStringLiteral("Bluetooth is switched off: switch it on in the system's settings");
    case LinkProblem::NoAdapter:
        return QStringLiteral("no Bluetooth adapter on this computer");
    case LinkProblem::NoBluetoothService:
        return QStringLiteral("the Bluetooth service is not running: start it with sudo systemctl "
                              "start bluetooth");
    case LinkProblem::ServiceTaken:
        return QStringLiteral("another program on this computer is using the Bluetooth serial "
                              "service: close it and try again");
    case LinkProblem::NotPaired:
        return QStringLiteral("%1 is not paired: pair it in the system's Bluetooth settings")
            .arg(device);
    case LinkProblem::Unreachable:
        return QStringLiteral("%1 does not answer: is it switched on and in reach?").arg(device);
    case LinkProblem::UnknownDevice:
        return QStringLiteral("%1 is not known to this computer: switch it on and pair it")
            .arg(device);
    case LinkProblem::PortMissing:
        return (LinkSocket::kBluetoothSockets
                    ? QStringLiteral("%1 is not there: plug the cable in, or bind the Bluetooth "
                                     "module")
                    : QStringLiteral("%1 is not there: plug the cable in, or pair the robot in "
                                     "Windows' Bluetooth settings"))
            .arg(device);
    case LinkProblem::PortPermission:
        return QStringLiteral("no permission to use %1: join the group %2 (sudo adduser $USER %2) "
                              "and log in again")
            .arg(device, detail.isEmpty() ? QStringLiteral("dialout") : detail);
    case LinkProblem::PortBusy:
        return QStringLiteral("%1 is busy: another program uses it").arg(device);
    default:
        return QStringLiteral("no connection to %1").arg(device);
    }
}
