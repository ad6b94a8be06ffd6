#pragma once

#include "linkprotocol.h"

#include <QByteArray>
#include <QByteArrayView>

// One frame on the controller link: start byte, payload length, type, payload, CRC-8/MAXIM over
// everything before it. There is no escaping; the checksum alone tells a frame from noise.
namespace PacketFrame {

// Dallas/Maxim 1-Wire CRC: reflected polynomial 0x8C, initial value 0, no final XOR.
quint8 crc8(QByteArrayView bytes, quint8 crc = 0);

// Only the low 8 bits of the payload size fit the length byte; callers keep payloads short.
QByteArray build(int type, const QByteArray &payload);

} // namespace PacketFrame
