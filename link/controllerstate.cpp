#include "controllerstate.h"

using namespace LinkProtocol;

namespace {
constexpr int kDigitalBytes = kDigitalInputs / 8;
} // namespace

ControllerState::StatusFlags ControllerState::statusOf(const QByteArray &payload)
{
    return StatusFlags::fromInt(quint8(payload[kStatusOffset]) |
                                (quint8(payload[kStatusOffset + 1]) << 8));
}

bool ControllerState::store(const QByteArray &payload)
{
    if (payload.size() < kStatePacketSize)
        return false;
    const auto byte = [&payload](int i) { return static_cast<quint8>(payload[i]); };
    statusFlags = statusOf(payload);
    for (int k = 0; k < kDigitalBytes; ++k) {
        for (int b = 0; b < 8; ++b)
            digitalInputs[8 * k + b] = (byte(kDigitalOffset + k) >> b) & 1;
    }
    for (int j = 0; j < kAnalogInputs; ++j)
        analogInputs[j] = byte(kAnalogOffset + j);
    reportedSequence = byte(kSequenceOffset);
    ++packetsStored;
    return true;
}

QByteArray ControllerState::encode(StatusFlags statusFlags, quint8 sequence,
                                   const std::array<int, kDigitalInputs> &digital,
                                   const std::array<quint8, kAnalogInputs> &analog)
{
    QByteArray payload(kStatePacketSize, '\0');
    const int word = statusFlags.toInt();
    payload[kStatusOffset] = char(word & 0xFF);
    payload[kStatusOffset + 1] = char((word >> 8) & 0xFF);
    payload[kSequenceOffset] = char(sequence);
    for (int i = 0; i < kDigitalInputs; ++i) {
        const int at = kDigitalOffset + i / 8;
        if (digital[i])
            payload[at] = char(quint8(payload[at]) | (1 << (i % 8)));
    }
    for (int j = 0; j < kAnalogInputs; ++j)
        payload[kAnalogOffset + j] = char(analog[j]);
    return payload;
}
