// Received byte stream -> frames, with the receive timer expiring between arrivals.
//
// The input is a script of arrivals. Each arrival starts with one control byte: the top two bits
// say how the bytes arrive (0: one batch, 1: after the receive timer expired, 2: through the
// device, 3: everything left at once through the device), the low six bits give the batch size
// minus one.
#include "deframer.h"
#include "fuzzsupport.h"
#include "packetframe.h"

#include <QBuffer>

namespace {

struct Counts
{
    int packets = 0;
    int checksumFailures = 0;
    int frameEnds = 0;
    int lastType = -1;
    QByteArray lastPayload;
};

void arriveThroughDevice(Deframer &deframer, const QByteArray &bytes)
{
    QByteArray storage = bytes;
    QBuffer device(&storage);
    device.open(QIODevice::ReadOnly);
    deframer.readFrom(&device);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    FuzzSupport::initialise(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray script = FuzzSupport::bytes(data, size);
    Deframer deframer;
    Counts counts;
    QObject::connect(&deframer, &Deframer::packetReceived, [&](int type, const QByteArray &p) {
        FUZZ_CHECK(type >= 0 && type <= 255);
        FUZZ_CHECK(p.size() <= 255);
        FUZZ_CHECK(p == deframer.lastPayload());
        ++counts.packets;
        counts.lastType = type;
        counts.lastPayload = p;
    });
    QObject::connect(&deframer, &Deframer::checksumFailed, [&] { ++counts.checksumFailures; });
    QObject::connect(&deframer, &Deframer::frameEnded, [&] { ++counts.frameEnds; });

    qsizetype at = 0;
    while (at < script.size()) {
        const quint8 control = quint8(script.at(at++));
        const int mode = control >> 6;
        const qsizetype length = mode == 3 ? script.size() - at : (control & 0x3F) + 1;
        const QByteArray batch = script.mid(at, length);
        at += batch.size();
        switch (mode) {
        case 1:
            // What the owner does when the receive timer fires.
            deframer.reset();
            [[fallthrough]];
        case 0:
            deframer.feed(batch);
            break;
        default:
            arriveThroughDevice(deframer, batch);
            break;
        }
        FUZZ_CHECK(counts.frameEnds == counts.packets + counts.checksumFailures);
        // A partly received frame must be able to time out.
        if (deframer.state() != Deframer::Hunting)
            FUZZ_CHECK(deframer.receiveTimer().isActive());
    }

    // After the receive timer expired, the next whole frame is received whatever came before.
    deframer.reset();
    const int packetsBefore = counts.packets;
    const QByteArray payload("\x01\xb5\x00\xff", 4);
    const int type = LinkProtocol::wireType(LinkProtocol::PacketType::State);
    deframer.feed(PacketFrame::build(type, payload));
    FUZZ_CHECK(counts.packets == packetsBefore + 1);
    FUZZ_CHECK(counts.lastType == type && counts.lastPayload == payload);
    FUZZ_CHECK(deframer.state() == Deframer::Hunting);
    return 0;
}
