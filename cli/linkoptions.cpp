#include "linkoptions.h"

#include "linksocket.h"
#include "subcommand.h"

#include <QBluetoothAddress>
#include <QLoggingCategory>

std::optional<QString> LinkOptions::address(const QCommandLineParser &parser) const
{
    const QString value = parser.value(device).trimmed();
    if (value.isEmpty()) {
        Cli::error(QStringLiteral("--device ADDRESS is required"));
        return std::nullopt;
    }
    const bool usable = LinkSocket::kindOf(value) == LinkSocket::Kind::Tcp
                            ? LinkSocket::isUsableAddress(value)
                            : !QBluetoothAddress(value).isNull();
    if (!usable) {
        Cli::error(
            QStringLiteral("%1 is neither tcp://HOST:PORT nor a Bluetooth address").arg(value));
        return std::nullopt;
    }
    return value;
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
    const bool isVerbose = parser.isSet(verbose);
    Cli::installLogHandler(isVerbose);
    if (!isVerbose)
        QLoggingCategory::setFilterRules(QStringLiteral("taviro.link.debug=false\n"
                                                        "taviro.codegen.debug=false\n"
                                                        "qt.bluetooth*=false"));
}
