#include "memorytransfer.h"

#include "linklog.h"
#include "linkprotocol.h"
#include "memoryimage.h"

#include <algorithm>
#include <utility>

using namespace LinkProtocol;

namespace {

int addressOf(const QByteArray &answer)
{
    return quint8(answer[0]) | (quint8(answer[1]) << 8);
}

} // namespace

void MemoryTransfer::plan(int size)
{
    QList<Chunk> chunks;
    for (int address = 0; address < size; address += kMaxChunk)
        chunks.append({address, std::min(size - address, kMaxChunk)});
    plan(chunks);
}

void MemoryTransfer::plan(const QList<Chunk> &chunks)
{
    m_chunks = chunks;
    m_next = 0;
    m_bytesDone = 0;
    m_bytesTotal = 0;
    for (const Chunk &chunk : std::as_const(m_chunks))
        m_bytesTotal += chunk.size;
}

bool MemoryTransfer::beginWrite(const QByteArray &image)
{
    m_direction = Direction::Write;
    m_image = image;
    plan(int(image.size()));
    return !finished();
}

bool MemoryTransfer::beginWrite(const QByteArray &image, const QList<Chunk> &chunks)
{
    m_direction = Direction::Write;
    m_image = image;
    plan(chunks);
    return !finished();
}

bool MemoryTransfer::beginRead()
{
    m_direction = Direction::Read;
    m_readBack.clear();
    plan(kMemorySize);
    return !finished();
}

int MemoryTransfer::address() const
{
    if (!finished())
        return m_chunks.at(m_next).address;
    return m_chunks.isEmpty() ? 0 : m_chunks.last().address + m_chunks.last().size;
}

QByteArray MemoryTransfer::chunkRequest() const
{
    const Chunk chunk = m_chunks.at(m_next);
    QByteArray payload;
    payload.append(char(chunk.address & 0xFF));
    payload.append(char(chunk.address >> 8));
    payload.append(char(chunk.size));
    if (m_direction == Direction::Write) {
        payload.append(m_image.mid(chunk.address, chunk.size));
        qCDebug(lcLink).nospace() << "Send eemem: " << chunk.address << " [" << chunk.size << "]";
    } else {
        qCDebug(lcLink).nospace() << "Receive eemem: " << chunk.address << " [" << chunk.size
                                  << "]";
    }
    return payload;
}

MemoryTransfer::Answer MemoryTransfer::takeWriteAnswer(const QByteArray &payload)
{
    if (payload.size() < kAddressSize) {
        qCDebug(lcLink) << "Write answer error format";
        return Answer::Malformed;
    }
    const int address = addressOf(payload);
    qCDebug(lcLink) << "Write answer: " << address;
    if (finished() || address != m_chunks.at(m_next).address)
        return Answer::Unmatched;
    m_bytesDone += m_chunks.at(m_next++).size;
    return Answer::Acknowledged;
}

MemoryTransfer::Answer MemoryTransfer::takeReadAnswer(const QByteArray &payload)
{
    if (payload.size() < kAddressSize) {
        qCDebug(lcLink) << "Read answer global error format";
        return Answer::Malformed;
    }
    const int address = addressOf(payload);
    const int length = int(payload.size()) - kAddressSize;
    qCDebug(lcLink) << "Read answer: " << address << " len: " << length;
    if (finished() || address != m_chunks.at(m_next).address ||
        length != m_chunks.at(m_next).size) {
        qCDebug(lcLink) << "Read answer error format. Reread.";
        return Answer::Unmatched;
    }
    m_readBack.append(payload.mid(kAddressSize));
    m_bytesDone += m_chunks.at(m_next++).size;
    return Answer::Acknowledged;
}

std::optional<bool> MemoryTransfer::isLateAnswer(int type, const QByteArray &payload) const
{
    if (type != replyType(PacketType::MemoryWrite) && type != replyType(PacketType::MemoryRead))
        return std::nullopt;
    return payload.size() >= kAddressSize && addressOf(payload) < address();
}

bool MemoryTransfer::tickWithoutLink()
{
    return m_resumeTicksLeft > 0 && --m_resumeTicksLeft == 0;
}

bool MemoryTransfer::stopWaiting()
{
    return std::exchange(m_resumeTicksLeft, 0) > 0;
}
