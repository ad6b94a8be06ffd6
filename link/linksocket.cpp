#include "linksocket.h"

#include <QUrl>

namespace {
// Shorter than "00:11:22:33:44:55" by more than a typo: not a Bluetooth address.
constexpr int kMinBluetoothAddressLength = 14;
} // namespace

LinkSocket::Kind LinkSocket::kindOf(const QString &address)
{
    return address.startsWith(QLatin1String("tcp://"), Qt::CaseInsensitive) ? Kind::Tcp
                                                                            : Kind::Bluetooth;
}

bool LinkSocket::isUsableAddress(const QString &address)
{
    if (kindOf(address) == Kind::Bluetooth)
        return address.size() >= kMinBluetoothAddressLength;
    const QUrl url(address);
    return url.isValid() && !url.host().isEmpty() && url.port() > 0 && url.path().isEmpty();
}
