#include "packetframe.h"

namespace PacketFrame {

quint8 crc8(QByteArrayView bytes, quint8 crc)
{
    for (const char c : bytes) {
        quint8 data = static_cast<quint8>(c);
        for (int bit = 0; bit < 8; ++bit) {
            const bool mix = (crc ^ data) & 0x01;
            crc >>= 1;
            if (mix)
                crc ^= 0x8C;
            data >>= 1;
        }
    }
    return crc;
}

QByteArray build(int type, const QByteArray &payload)
{
    QByteArray frame;
    frame.reserve(payload.size() + LinkProtocol::kFrameOverhead);
    frame.append(char(LinkProtocol::kStartByte));
    frame.append(char(payload.size() & 0xFF));
    frame.append(char(type & 0xFF));
    frame.append(payload);
    frame.append(char(crc8(frame)));
    return frame;
}

} // namespace PacketFrame
