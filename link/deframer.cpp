#include "deframer.h"

#include "linklog.h"
#include "packetframe.h"

#include <QIODevice>

using LinkProtocol::ConnectionStatus;

Deframer::Deframer(QObject *parent)
    : QObject(parent)
{
    m_receiveTimer.setInterval(kReceiveTimeoutMs);
    m_receiveTimer.setSingleShot(true);
}

void Deframer::readFrom(QIODevice *device)
{
    qint64 available = device->bytesAvailable();
    if (available > kFloodLimit) {
        device->readAll();
        qCDebug(lcLink) << "CLEAR. to many received";
        emit connectState(int(ConnectionStatus::Flooded));
        available = device->bytesAvailable();
        if (available == 0)
            return;
    } else if (available == 0) {
        return;
    } else {
        emit connectState(int(ConnectionStatus::DataArrived));
    }
    while (available > 0) {
        const QByteArray batch = device->read(kBatchSize);
        if (batch.isEmpty())
            break;
        feed(batch);
        available = device->bytesAvailable();
    }
}

void Deframer::feed(QByteArrayView batch)
{
    for (qsizetype i = 0; i < batch.size(); ++i)
        feedByte(static_cast<quint8>(batch[i]), i == batch.size() - 1);
}

void Deframer::reset()
{
    m_state = Hunting;
    m_writeIndex = 0;
}

void Deframer::feedByte(quint8 byte, bool lastOfBatch)
{
    switch (m_state) {
    case Hunting:
        m_receiveTimer.start();
        if (byte == LinkProtocol::kStartByte) {
            m_frame[0] = byte;
            m_state = Length;
        }
        break;
    case Length:
        m_frame[1] = byte;
        m_expectedLength = byte;
        m_writeIndex = 2;
        m_state = Body;
        break;
    case Body:
        m_frame[m_writeIndex++] = byte;
        if (m_writeIndex > m_expectedLength + 2)
            m_state = Checksum;
        break;
    case Checksum: {
        m_frame[m_writeIndex] = byte;
        const int frameSize = m_writeIndex + 1;
        m_state = Hunting;
        m_writeIndex = 0;
        const auto *bytes = reinterpret_cast<const char *>(m_frame.data());
        if (lastOfBatch)
            m_receiveTimer.stop();
        if (PacketFrame::crc8(QByteArrayView(bytes, frameSize)) != 0) {
            emit checksumFailed();
        } else {
            m_lastPayload = QByteArray(bytes + kHeaderSize, m_expectedLength);
            emit packetReceived(m_frame[kTypeIndex], m_lastPayload);
        }
        emit frameEnded();
        break;
    }
    }
}
