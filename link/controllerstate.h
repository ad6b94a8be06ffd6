#pragma once

#include "linkprotocol.h"

#include <QByteArray>

#include <array>

// The controller's live state as the last state packet reported it.
class ControllerState
{
public:
    using StatusFlags = LinkProtocol::StatusFlags;
    static constexpr int kDigitalInputs = LinkProtocol::kDigitalInputs;
    static constexpr int kAnalogInputs = LinkProtocol::kAnalogInputs;

    // Takes a state packet payload; false (nothing changed) when it is too short to be one.
    bool store(const QByteArray &payload);

    // The inverse of store(), for whoever plays the controller.
    static QByteArray encode(StatusFlags statusFlags, quint8 sequence,
                             const std::array<int, kDigitalInputs> &digital,
                             const std::array<quint8, kAnalogInputs> &analog);

    // The status word of a state packet payload (at least kStatePacketSize bytes).
    static StatusFlags statusOf(const QByteArray &payload);

    StatusFlags statusFlags;
    quint8 reportedSequence = 0;
    std::array<int, kDigitalInputs> digitalInputs{};
    std::array<quint8, kAnalogInputs> analogInputs{};
    // State packets stored so far: tells a report about a fresh packet from one about another
    // event, which repeats the inputs of the last packet.
    quint32 packetsStored = 0;
};
