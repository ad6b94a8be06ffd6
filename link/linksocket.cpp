#include "linksocket.h"

#include "seriallinksocket.h"

#include <QBluetoothAddress>
#include <QIODevice>
#include <QUrl>

namespace {
// Shorter than "00:11:22:33:44:55" by more than a typo: not a Bluetooth address.
constexpr int kMinBluetoothAddressLength = 14;
} // namespace

LinkSocket::Kind LinkSocket::kindOf(const QString &address)
{
    if (address.startsWith(QLatin1String("tcp://"), Qt::CaseInsensitive))
        return Kind::Tcp;
    if (address.startsWith(kSerialScheme, Qt::CaseInsensitive))
        return Kind::Serial;
    return Kind::Bluetooth;
}

bool LinkSocket::isUsableAddress(const QString &address)
{
    switch (kindOf(address)) {
    case Kind::Bluetooth:
        return kBluetoothSockets && address.size() >= kMinBluetoothAddressLength;
    case Kind::Serial:
        return SerialLinkSocket::parse(address).has_value();
    case Kind::Tcp:
        break;
    }
    const QUrl url(address);
    return url.isValid() && !url.host().isEmpty() && url.port() > 0 && url.path().isEmpty();
}

bool LinkSocket::isWellFormedAddress(const QString &address)
{
    if (kindOf(address) == Kind::Bluetooth)
        return !QBluetoothAddress(address).isNull();
    return isUsableAddress(address);
}

bool LinkSocket::openReadWrite()
{
    QIODevice *io = device();
    return io->openMode() == QIODevice::ReadWrite || io->open(QIODevice::ReadWrite);
}
