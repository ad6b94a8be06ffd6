#pragma once

#include "linkprotocol.h"
#include "replytimer.h"

#include <QByteArray>

#include <functional>
#include <optional>

// The one request a worker waits an answer for, and when it goes out again. A frame that is not
// its answer counts as a miss; after the third miss the request is resent, once a reply could
// have arrived (judged from the reply times this link has shown for that kind of request), and
// after the tenth resend it is given up. Late answers to resent copies are recognised and never
// stand for the next request.
class PendingRequest
{
public:
    using PacketType = LinkProtocol::PacketType;
    // Puts a packet on the link.
    using Send = std::function<void(PacketType type, const QByteArray &payload)>;
    // Milliseconds on a monotonic clock.
    using Clock = std::function<qint64()>;

    static constexpr int kMissesBeforeResend = 3;
    static constexpr int kMaxResends = 10;
    // Until replies to memory writes have been measured, a chunk is given this long per byte
    // before it is sent again: a controller's EEPROM takes about 3.3 ms a byte.
    static constexpr int kFirstWriteWaitMsPerByte = 4;

    PendingRequest(Send send, Clock clock);

    PacketType type() const { return m_type; }
    bool isPending() const { return m_type != PacketType::None; }
    // Sends a request afresh (a new one, the next chunk, a request again after a bad answer): it
    // is the one awaited now, with no resends yet.
    void send(PacketType type, const QByteArray &payload);
    // Nothing is awaited any more (the link went away, the worker moved on).
    void clear() { m_type = PacketType::None; }
    // Another controller answers at its own pace: what was measured no longer holds.
    void forgetLink();

    const ReplyTimer &replyTimer() const { return m_replyTimer; }

    enum class Verdict
    {
        // The answer to the awaited request; it is awaited no longer.
        Answer,
        // The late answer to a copy of an earlier request; nothing to do with it.
        Stale,
        // Another frame while a request is awaited; it may have been resent.
        Missed,
        // The request was resent ten times without an answer: it is abandoned.
        GaveUp,
        // A state packet that reports the awaited command done: its answer is lost or late, so
        // it is awaited no longer, and the packet is a state packet like any other.
        DoneByState,
        // Nothing is awaited: the frame is a state packet.
        NotAwaited,
    };
    struct Arrival
    {
        Verdict verdict;
        // The request answered or abandoned.
        PacketType request = PacketType::None;
    };
    // Judges a received frame. lateMemoryAnswer: for a memory write or read answer, whether it
    // names a chunk already acknowledged (nothing for other frames). doneByState: whether the
    // frame is a state packet that reports the awaited command done.
    Arrival take(int type, std::optional<bool> lateMemoryAnswer, bool doneByState);

private:
    bool isStale(int type, std::optional<bool> lateMemoryAnswer);
    void noteReply(PacketType request);
    void expectStaleReplies(int type, int count, qint64 sampleMs);
    bool resendDue() const;
    // Sends the last request again; false when it is given up instead.
    bool resend();

    Send m_send;
    Clock m_now;
    PacketType m_type = PacketType::None;
    int m_missCount = 0;
    int m_resendCount = 0;
    PacketType m_lastSentType = PacketType::None;
    QByteArray m_lastSentPayload;
    int m_copiesSent = 0;
    qint64 m_firstSentAt = 0;
    qint64 m_lastSentAt = 0;
    ReplyTimer m_replyTimer;
    // Replies still on their way for copies of a request that was already answered: the late
    // answers to resends.
    int m_staleType = 0;
    int m_staleCount = 0;
    qint64 m_staleUntil = 0;
    // Reply time of the request they belong to, taken once a late answer confirms it.
    qint64 m_staleSampleMs = -1;
};
