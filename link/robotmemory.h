#pragma once

#include "memorytransfer.h"

#include <QByteArray>
#include <QList>

// What the controller's memory holds, as far as this connection can tell: what a whole write or
// read over it moved, and what later writes changed. Nothing else writes to the controller while
// the link holds it, so a write need only send the chunks that differ. Whatever casts doubt (a
// new connection, a transfer that did not finish, an answer that does not match) forgets it all,
// and the next write is whole.
class RobotMemory
{
public:
    // The chunks of the image, in address order, that the controller does not hold already;
    // every chunk while nothing is known.
    QList<MemoryTransfer::Chunk> changedChunks(const QByteArray &image) const;
    // The image's chunks counted whole (the last one may be short).
    static int chunkCount(const QByteArray &image);
    // The controller holds every byte of the image.
    bool holds(const QByteArray &image) const { return changedChunks(image).isEmpty(); }
    bool isKnown() const { return m_known > 0 && !m_inFlight; }

    // A write or read begins: until it has finished nothing is known for sure, though a write
    // that finishes keeps what the chunks it left out hold.
    void transferBegins() { m_inFlight = true; }
    // The transfer that began was finished without doubt; anything else forgets.
    void written(const QByteArray &image);
    void read(const QByteArray &memory);
    void forget();

private:
    QByteArray m_bytes;
    // The first bytes that are known; the rest is not.
    int m_known = 0;
    bool m_inFlight = false;
};
