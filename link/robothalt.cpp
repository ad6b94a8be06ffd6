#include "robothalt.h"

#include <algorithm>
#include <utility>

void RobotHalt::begin(const QList<QByteArray> &records, WorkerState nextState, bool endsRun)
{
    m_active = true;
    m_records = records;
    m_nextState = nextState;
    m_sent = false;
    m_endsRun = endsRun;
}

void RobotHalt::settleNoHigherThan(WorkerState state)
{
    m_nextState = std::min(m_nextState, state);
}

std::optional<QByteArray> RobotHalt::takeRecord()
{
    if (m_records.isEmpty())
        return std::nullopt;
    m_sent = true;
    return m_records.takeFirst();
}

bool RobotHalt::finish()
{
    m_active = false;
    m_records.clear();
    m_sent = false;
    return std::exchange(m_endsRun, false);
}
