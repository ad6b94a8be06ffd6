#include "robotmemory.h"

#include "linklog.h"
#include "linkprotocol.h"
#include "memoryimage.h"

#include <algorithm>

using LinkProtocol::kMaxChunk;

int RobotMemory::chunkCount(const QByteArray &image)
{
    return int((image.size() + kMaxChunk - 1) / kMaxChunk);
}

QList<MemoryTransfer::Chunk> RobotMemory::changedChunks(const QByteArray &image) const
{
    const int size = int(std::min<qsizetype>(image.size(), kMemorySize));
    QList<MemoryTransfer::Chunk> chunks;
    for (int address = 0; address < size; address += kMaxChunk) {
        const int length = std::min(size - address, kMaxChunk);
        const bool held = isKnown() && address + length <= m_known &&
                          m_bytes.mid(address, length) == image.mid(address, length);
        if (!held)
            chunks.append({address, length});
    }
    return chunks;
}

void RobotMemory::written(const QByteArray &image)
{
    if (!m_inFlight) {
        forget();
        return;
    }
    m_inFlight = false;
    if (m_bytes.size() < kMemorySize)
        m_bytes.resize(kMemorySize, '\xff');
    const int size = int(std::min<qsizetype>(image.size(), kMemorySize));
    m_bytes.replace(0, size, image.left(size));
    m_known = std::max(m_known, size);
}

void RobotMemory::read(const QByteArray &memory)
{
    if (!m_inFlight || memory.size() != kMemorySize) {
        forget();
        return;
    }
    m_inFlight = false;
    m_bytes = memory;
    m_known = kMemorySize;
}

void RobotMemory::forget()
{
    if (m_known > 0 || m_inFlight)
        qCDebug(lcLink) << "Robot memory unknown";
    m_known = 0;
    m_inFlight = false;
}
