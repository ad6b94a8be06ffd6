#include "bluetoothportid.h"

#include <QRegularExpression>
#include <QStringList>

namespace BluetoothPortId {

namespace {

// The local radio's manufacturer is all a port tells of itself when no remote device stands
// behind it: the incoming port's hardware ID.
bool namesNoManufacturer(const QString &hardwareId)
{
    static const QRegularExpression noMaker(QStringLiteral("_LOCALMFG&0+$"),
                                            QRegularExpression::CaseInsensitiveOption);
    return noMaker.match(hardwareId).hasMatch();
}

QString withColons(const QString &hex)
{
    QStringList pairs;
    for (int i = 0; i < hex.size(); i += 2)
        pairs.append(hex.mid(i, 2).toUpper());
    return pairs.join(QLatin1Char(':'));
}

} // namespace

std::optional<Port> parse(const QString &deviceId)
{
    // Enumerator, then the service class with who made the device, then the instance.
    const QStringList parts = deviceId.trimmed().split(QLatin1Char('\\'));
    if (parts.size() < 2 || parts.size() > 3 ||
        parts[0].compare(QLatin1String("BTHENUM"), Qt::CaseInsensitive) != 0)
        return std::nullopt;
    static const QRegularExpression service(
        QStringLiteral("^\\{[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}\\}_"),
        QRegularExpression::CaseInsensitiveOption);
    if (!service.match(parts[1]).hasMatch())
        return std::nullopt;
    const Direction byMaker =
        namesNoManufacturer(parts[1]) ? Direction::Incoming : Direction::Outgoing;
    if (parts.size() == 2)
        return Port{{}, byMaker};
    // "7&2A3B4C5D&0&98D331FB1A2C_C00000000": the last field is the remote address and the
    // connection; an incoming port has no remote device, hence no address.
    static const QRegularExpression instance(QStringLiteral("&([0-9A-F]{12})_[0-9A-F]+$"),
                                             QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch match = instance.match(parts[2]);
    if (!match.hasMatch())
        return std::nullopt;
    const QString hex = match.captured(1);
    if (hex.count(QLatin1Char('0')) == hex.size())
        return Port{{}, Direction::Incoming};
    return Port{withColons(hex), Direction::Outgoing};
}

} // namespace BluetoothPortId
