#include "linksocket.h"

LinkSocket::Kind LinkSocket::kindOf(const QString &address)
{
    return address.startsWith(QLatin1String("tcp://"), Qt::CaseInsensitive) ? Kind::Tcp
                                                                            : Kind::Bluetooth;
}
