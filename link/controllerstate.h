#pragma once

#include <QByteArray>

#include <array>

// The controller's live state as the last state packet reported it.
class ControllerState
{
public:
    static constexpr int kPacketSize = 29;
    static constexpr int kDigitalInputs = 80;
    static constexpr int kAnalogInputs = 16;

    // Status bits the editor reads.
    static constexpr int kDone = 0x0002;
    static constexpr int kBusy = 0x0008;
    static constexpr int kReturned = 0x0010;
    static constexpr int kCycleRepeats = 0x0020;
    static constexpr int kCycleEnded = 0x0040;
    static constexpr int kCalled = 0x0080;
    static constexpr int kReadLocked = 0x0400;

    // Takes a state packet payload; false (nothing changed) when it is shorter than 29 bytes.
    bool store(const QByteArray &payload);

    // The inverse of store(), for whoever plays the controller.
    static QByteArray encode(int statusFlags, quint8 sequence,
                             const std::array<int, kDigitalInputs> &digital,
                             const std::array<quint8, kAnalogInputs> &analog);

    int statusFlags = 0;
    quint8 reportedSequence = 0;
    std::array<int, kDigitalInputs> digitalInputs{};
    std::array<quint8, kAnalogInputs> analogInputs{};
    // State packets stored so far: tells a report about a fresh packet from one about another
    // event, which repeats the inputs of the last packet.
    quint32 packetsStored = 0;
};
