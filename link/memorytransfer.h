#pragma once

#include <QByteArray>
#include <QList>

#include <optional>

// Moves a memory image to the controller and the controller's memory back, one chunk per
// request. The chunks a transfer moves are planned when it begins, in ascending order, so that a
// write could leave out chunks the controller is known to hold already; an answer for the chunk
// in hand moves on to the next one, any other answer has that chunk sent again. A write cut by a
// lost link waits a while for the link to come back, and then starts again from the first chunk.
class MemoryTransfer
{
public:
    // A write cut by a lost link goes on if the link is back within this many watchdog ticks.
    static constexpr int kResumeWithinTicks = 20;

    enum class Direction
    {
        None,
        Write,
        Read,
    };

    struct Chunk
    {
        int address = 0;
        int size = 0;
    };

    // Plans a write of the whole image from address 0, or of the chunks given (in address
    // order), or a read of the whole memory; false when there is nothing to move.
    bool beginWrite(const QByteArray &image);
    bool beginWrite(const QByteArray &image, const QList<Chunk> &chunks);
    bool beginRead();

    Direction direction() const { return m_direction; }
    // The image a write takes its chunks from.
    const QByteArray &image() const { return m_image; }
    // The bytes read so far.
    const QByteArray &readBack() const { return m_readBack; }
    // The address of the chunk in hand; past the last chunk once all are acknowledged.
    int address() const;
    // Bytes acknowledged so far of the bytes planned.
    int bytesDone() const { return m_bytesDone; }
    int bytesTotal() const { return m_bytesTotal; }
    bool finished() const { return m_next >= m_chunks.size(); }
    int chunksPlanned() const { return int(m_chunks.size()); }

    // The payload of the request for the chunk in hand: address, count and, for a write, its
    // bytes. Only while the transfer is not finished.
    QByteArray chunkRequest() const;

    enum class Answer
    {
        // Too short to name a chunk.
        Malformed,
        // The chunk in hand was acknowledged; the transfer moves on.
        Acknowledged,
        // An answer for another chunk, or with the wrong bytes: the chunk in hand goes again.
        Unmatched,
    };
    Answer takeWriteAnswer(const QByteArray &payload);
    Answer takeReadAnswer(const QByteArray &payload);
    // For a memory write or read answer: whether it names a chunk acknowledged already (the late
    // answer to a resend). Nothing for other packet types.
    std::optional<bool> isLateAnswer(int type, const QByteArray &payload) const;

    // The link was lost during a write: it waits for the link to come back.
    void waitForLink() { m_resumeTicksLeft = kResumeWithinTicks; }
    bool isWaitingForLink() const { return m_resumeTicksLeft > 0; }
    // A watchdog tick without the link; true when the wait has just run out.
    bool tickWithoutLink();
    // Whatever comes now, the cut write is not taken up again; true when one was waiting.
    bool stopWaiting();

private:
    void plan(int size);
    void plan(const QList<Chunk> &chunks);

    Direction m_direction = Direction::None;
    QByteArray m_image;
    QByteArray m_readBack;
    QList<Chunk> m_chunks;
    qsizetype m_next = 0;
    int m_bytesDone = 0;
    int m_bytesTotal = 0;
    int m_resumeTicksLeft = 0;
};
