#pragma once

#include "linkprotocol.h"

#include <QByteArray>
#include <QObject>
#include <QTimer>

#include <array>

class QIODevice;

// Cuts frames out of the received byte stream and resynchronises after noise. A partly received
// frame that stalls is dropped when the receive timer expires; the owner connects the timer and
// calls reset(), because the owner may use the same timer for more than the deframer.
class Deframer : public QObject
{
    Q_OBJECT
public:
    enum State
    {
        Hunting = 0,
        Length = 1,
        Body = 2,
        Checksum = 3
    };

    // Bytes waiting above this are a backlog the link cannot catch up with: they are dropped.
    static constexpr int kFloodLimit = 2000;
    static constexpr int kBatchSize = 100;
    static constexpr int kReceiveTimeoutMs = 300;

    explicit Deframer(QObject *parent = nullptr);

    // Reads everything the device has buffered, in batches, through the state machine.
    void readFrom(QIODevice *device);
    // One batch of bytes through the state machine.
    void feed(QByteArrayView batch);
    // Back to hunting for a start byte; the bytes already consumed are not scanned again.
    void reset();

    State state() const { return m_state; }
    QByteArray lastPayload() const { return m_lastPayload; }
    QTimer &receiveTimer() { return m_receiveTimer; }

signals:
    void packetReceived(int type, const QByteArray &payload);
    void checksumFailed();
    // A frame attempt ended, after packetReceived or checksumFailed.
    void frameEnded();
    // DataArrived or Flooded (a LinkProtocol::ConnectionStatus).
    void connectState(int status);

private:
    // Start byte, length and type come before the payload.
    static constexpr int kHeaderSize = 3;
    static constexpr int kTypeIndex = 2;

    void feedByte(quint8 byte, bool lastOfBatch);

    QTimer m_receiveTimer;
    std::array<quint8, LinkProtocol::kMaxPayload + LinkProtocol::kFrameOverhead> m_frame{};
    int m_writeIndex = 0;
    State m_state = Hunting;
    int m_expectedLength = 0;
    QByteArray m_lastPayload;
};
