#pragma once

#include "transferprogress.h"

#include <QObject>

#include <functional>

// Tells how a memory write, a memory read or a configuration packet goes on and how it ends,
// for the editor's progress bar and the command line; one transfer at a time.
class TransferReport : public QObject
{
    Q_OBJECT
public:
    // Milliseconds on a monotonic clock.
    using Clock = std::function<qint64()>;

    explicit TransferReport(Clock clock, QObject *parent = nullptr);

    LinkTransfer::Kind kind() const { return m_kind; }
    // A transfer begins (one still under way ends as interrupted) with nothing done yet.
    void start(LinkTransfer::Kind kind, int total);
    void report(int done);
    void reportAll() { report(m_total); }
    // The transfer under way, if any, is over.
    void end(LinkTransfer::Outcome outcome);
    // A transfer refused at once: it ends without having started.
    void refuse(LinkTransfer::Kind kind, LinkTransfer::Outcome outcome);
    // The write under way waits for the link: told as an end of its own, though it may go on.
    void tellWaitingForLink();
    // The transfer under way gives way without a word (its end was told already).
    void forget() { m_kind = LinkTransfer::None; }

signals:
    void progress(int kind, int done, int total, qint64 elapsedMs);
    void ended(int kind, int outcome, qint64 elapsedMs);

private:
    Clock m_now;
    LinkTransfer::Kind m_kind = LinkTransfer::None;
    int m_total = 0;
    qint64 m_startedAt = 0;
};
