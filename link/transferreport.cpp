#include "transferreport.h"

#include "linklog.h"

#include <algorithm>
#include <utility>

TransferReport::TransferReport(Clock clock, QObject *parent)
    : QObject(parent)
    , m_now(std::move(clock))
{}

void TransferReport::start(LinkTransfer::Kind kind, int total)
{
    end(LinkTransfer::Interrupted);
    m_kind = kind;
    m_total = total;
    m_startedAt = m_now();
    emit progress(kind, 0, total, 0);
}

void TransferReport::report(int done)
{
    if (m_kind != LinkTransfer::None)
        emit progress(m_kind, std::min(done, m_total), m_total, m_now() - m_startedAt);
}

void TransferReport::end(LinkTransfer::Outcome outcome)
{
    if (m_kind == LinkTransfer::None)
        return;
    const int kind = std::exchange(m_kind, LinkTransfer::None);
    qCDebug(lcLink) << "Transfer " << kind << " ended: " << outcome;
    emit ended(kind, outcome, m_now() - m_startedAt);
}

void TransferReport::refuse(LinkTransfer::Kind kind, LinkTransfer::Outcome outcome)
{
    qCDebug(lcLink) << "Transfer " << kind << " refused: " << outcome;
    emit ended(kind, outcome, 0);
}

void TransferReport::tellWaitingForLink()
{
    emit ended(m_kind, LinkTransfer::WaitingForLink, m_now() - m_startedAt);
}
