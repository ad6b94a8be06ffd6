#include "controllerstate.h"

bool ControllerState::store(const QByteArray &payload)
{
    if (payload.size() < kPacketSize)
        return false;
    const auto byte = [&payload](int i) { return static_cast<quint8>(payload[i]); };
    statusFlags = byte(0) | (byte(1) << 8);
    for (int k = 0; k < 10; ++k) {
        for (int b = 0; b < 8; ++b)
            digitalInputs[8 * k + b] = (byte(3 + k) >> b) & 1;
    }
    for (int j = 0; j < kAnalogInputs; ++j)
        analogInputs[j] = byte(13 + j);
    reportedSequence = byte(2);
    ++packetsStored;
    return true;
}

QByteArray ControllerState::encode(int statusFlags, quint8 sequence,
                                   const std::array<int, kDigitalInputs> &digital,
                                   const std::array<quint8, kAnalogInputs> &analog)
{
    QByteArray payload(kPacketSize, '\0');
    payload[0] = char(statusFlags & 0xFF);
    payload[1] = char((statusFlags >> 8) & 0xFF);
    payload[2] = char(sequence);
    for (int i = 0; i < kDigitalInputs; ++i) {
        if (digital[i])
            payload[3 + i / 8] = char(quint8(payload[3 + i / 8]) | (1 << (i % 8)));
    }
    for (int j = 0; j < kAnalogInputs; ++j)
        payload[13 + j] = char(analog[j]);
    return payload;
}
