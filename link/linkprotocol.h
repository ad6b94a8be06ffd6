#pragma once

#include <QFlags>
#include <QObject>
#include <QtGlobal>

// The controller link's protocol in one place: the editor's side (the worker, the transport) and
// the virtual controller's side both take every packet type, status bit, state and frame constant
// from here, so the two cannot drift apart. Signals carry these values as ints (the link's
// interfaces are int-typed); they are converted at the edge, and the numbers never change meaning.
namespace LinkProtocol {
Q_NAMESPACE

// Frames: start byte, payload length, type, payload, CRC-8/MAXIM over everything before it.
constexpr quint8 kStartByte = 0xB5;
// Start byte, length, type and checksum around the payload.
constexpr int kFrameOverhead = 4;
// The largest payload a frame can announce in its length byte.
constexpr int kMaxPayload = 255;

// Packet types of the requests the editor sends. A state packet's type is not examined by the
// editor; the virtual controller sends State.
enum class PacketType : int
{
    // No request outstanding (the worker's pending type).
    None = 0x00,
    Configuration = 0x01,
    ManualCommand = 0x02,
    StepCommand = 0x03,
    Rename = 0x07,
    MemoryWrite = 0x10,
    MemoryRead = 0x11,
    State = 0x20,
};
Q_ENUM_NS(PacketType)

// The reply to a request of type T has type T | kReplyBit.
constexpr int kReplyBit = 0x80;

constexpr int wireType(PacketType type)
{
    return int(type);
}
constexpr int replyType(PacketType request)
{
    return int(request) | kReplyBit;
}
constexpr bool isReply(int type)
{
    return (type & kReplyBit) != 0;
}
// The request a reply answers (for a reply type; anything else maps onto itself).
constexpr PacketType requestOf(int type)
{
    return PacketType(type & ~kReplyBit);
}

// Memory write and read packets: address low, address high, count (1-kMaxChunk), then for a
// write the bytes. Their replies start with the address.
constexpr int kMemoryHeaderSize = 3;
constexpr int kMaxChunk = 64;
constexpr int kAddressSize = 2;
// A rename packet carries at least this many bytes: the name, padded with zero bytes.
constexpr int kRenamePadding = 20;
// Manual and step command packets: a sequence number in front of a command record.
constexpr int kSequenceSize = 1;

// State packets: status word (low byte first), echoed sequence number, 80 digital inputs packed
// in 10 bytes (least significant bit first), 16 analog inputs; anything beyond is ignored.
constexpr int kStatePacketSize = 29;
constexpr int kStatusOffset = 0;
constexpr int kSequenceOffset = 2;
constexpr int kDigitalOffset = 3;
constexpr int kAnalogOffset = 13;
constexpr int kDigitalInputs = 80;
constexpr int kAnalogInputs = 16;

// Bits of the controller's status word that the editor reads; the rest are stored as they come.
enum class StatusBit : int
{
    // The command with the echoed sequence number is done.
    Done = 0x0002,
    // Cleared by the editor together with Done before it sends a command; not otherwise read.
    Busy = 0x0008,
    // The running subprogram returned.
    Returned = 0x0010,
    // The current cycle repeats from its start.
    CycleRepeats = 0x0020,
    // The current cycle ended.
    CycleEnded = 0x0040,
    // The executed command called a subprogram.
    Called = 0x0080,
    // Reading the controller memory is not offered.
    ReadLocked = 0x0400,
};
Q_ENUM_NS(StatusBit)
Q_DECLARE_FLAGS(StatusFlags, StatusBit)
Q_DECLARE_OPERATORS_FOR_FLAGS(StatusFlags)

// The controller worker's states.
enum class WorkerState : int
{
    Disconnected = 0,
    // The configuration is not confirmed yet.
    Connected = 1,
    Ready = 2,
    ManualCommand = 3,
    Running = 4,
    // A run, step or stop ends: the command in flight finishes and the robot is halted.
    Stopping = 5,
    Stepping = 6,
    Writing = 7,
    Reading = 8,
};
Q_ENUM_NS(WorkerState)

// Connection status numbers: the transport's, and the worker's own for the first frame of a
// connection.
enum class ConnectionStatus : int
{
    // More than the flood limit was waiting and was discarded.
    Flooded = -2,
    // Opening the connected socket failed.
    OpenFailed = -1,
    // Nothing to report.
    None = 0,
    // The socket connected and was opened for reading and writing.
    Opened = 1,
    // Data arrived.
    DataArrived = 2,
    // The first frame of a connection arrived (the worker's own).
    FirstFrame = 3,
};
Q_ENUM_NS(ConnectionStatus)

} // namespace LinkProtocol
