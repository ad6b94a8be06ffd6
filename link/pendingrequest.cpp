#include "pendingrequest.h"

#include "linklog.h"

#include <utility>

using namespace LinkProtocol;

PendingRequest::PendingRequest(Send send, Clock clock)
    : m_send(std::move(send))
    , m_now(std::move(clock))
{}

void PendingRequest::send(PacketType type, const QByteArray &payload)
{
    m_type = type;
    m_resendCount = 0;
    m_lastSentType = type;
    m_lastSentPayload = payload;
    m_copiesSent = 1;
    m_firstSentAt = m_lastSentAt = m_now();
    m_send(type, payload);
}

void PendingRequest::forgetLink()
{
    m_replyTimer.reset();
    m_staleCount = 0;
}

PendingRequest::Arrival PendingRequest::take(int type, std::optional<bool> lateMemoryAnswer,
                                             bool doneByState)
{
    if (!isPending())
        return {isStale(type, std::nullopt) ? Verdict::Stale : Verdict::NotAwaited};
    if (type == replyType(m_type)) {
        if (isStale(type, lateMemoryAnswer))
            return {Verdict::Stale};
        const PacketType request = m_type;
        m_missCount = 0;
        qCDebug(lcLink) << "Command succesfull executed " << type;
        noteReply(request);
        m_type = PacketType::None;
        return {Verdict::Answer, request};
    }
    if (!doneByState) {
        // Counted as before, but a resend waits until a reply could have arrived.
        if (++m_missCount >= kMissesBeforeResend && resendDue()) {
            m_missCount = 0;
            if (!resend())
                return {Verdict::GaveUp, std::exchange(m_type, PacketType::None)};
        }
        return {Verdict::Missed};
    }
    // The controller reports the command done, so it got the packet; its reply is lost or still
    // on its way.
    qCDebug(lcLink) << "Command done before its reply " << wireType(m_type);
    m_missCount = 0;
    expectStaleReplies(replyType(m_type), m_copiesSent, -1);
    return {Verdict::DoneByState, std::exchange(m_type, PacketType::None)};
}

bool PendingRequest::resend()
{
    if (++m_resendCount > kMaxResends) {
        qCDebug(lcLink) << "Give up command " << wireType(m_type);
        m_resendCount = 0;
        return false;
    }
    qCDebug(lcLink) << "Resend command " << wireType(m_lastSentType);
    ++m_copiesSent;
    m_lastSentAt = m_now();
    m_send(m_lastSentType, m_lastSentPayload);
    return true;
}

bool PendingRequest::resendDue() const
{
    qint64 timeout = m_replyTimer.timeoutMs(m_type, m_resendCount);
    // The first chunk of a write would otherwise go out twice to a slow EEPROM: nothing has been
    // measured when its state packets start counting as misses.
    if (timeout == 0 && m_type == PacketType::MemoryWrite)
        timeout = qint64(m_lastSentPayload.size() - kMemoryHeaderSize) * kFirstWriteWaitMsPerByte;
    return m_now() - m_lastSentAt >= timeout;
}

bool PendingRequest::isStale(int type, std::optional<bool> lateMemoryAnswer)
{
    const bool expected = m_staleCount > 0 && type == m_staleType && m_now() < m_staleUntil;
    // A memory answer names its chunk: one for a chunk that was already acknowledged is the late
    // answer to a resend, whatever was expected.
    const bool stale = isPending() && lateMemoryAnswer ? *lateMemoryAnswer : expected;
    if (!stale)
        return false;
    qCDebug(lcLink) << "Stale reply " << type;
    if (expected) {
        --m_staleCount;
        // The late answer proves that the first answer belonged to the first copy, so the time
        // up to it is a true reply time.
        if (m_staleSampleMs >= 0)
            m_replyTimer.addSample(requestOf(type), m_staleSampleMs);
        m_staleSampleMs = -1;
    }
    return true;
}

void PendingRequest::noteReply(PacketType request)
{
    const qint64 t = m_now();
    if (m_copiesSent == 1) {
        m_replyTimer.addSample(request, t - m_lastSentAt);
        return;
    }
    // After a resend the answer may belong to any copy, so it is no reply time (Karn's rule); it
    // counts once a late answer shows that it belonged to the first copy. Only the very first
    // estimate has to guess: after one resend most likely an early one, answered for the first
    // copy; after several, losses, answered for the last.
    const qint64 fromFirst = t - m_firstSentAt;
    const bool bootstrap = !m_replyTimer.isMeasured(request);
    const bool guessFirst = bootstrap && m_copiesSent == 2;
    if (bootstrap)
        m_replyTimer.addSample(request, guessFirst ? fromFirst : t - m_lastSentAt);
    expectStaleReplies(replyType(request), m_copiesSent - 1, guessFirst ? -1 : fromFirst);
}

void PendingRequest::expectStaleReplies(int type, int count, qint64 sampleMs)
{
    const qint64 perCopy = m_replyTimer.isMeasured(requestOf(type))
                               ? m_replyTimer.timeoutMs(requestOf(type))
                               : ReplyTimer::kMaxTimeoutMs;
    m_staleType = type;
    m_staleCount = count;
    m_staleUntil = m_now() + count * perCopy;
    m_staleSampleMs = sampleMs;
}
