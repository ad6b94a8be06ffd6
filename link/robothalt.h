#pragma once

#include "linkprotocol.h"

#include <QByteArray>
#include <QList>

#include <optional>

// Bringing the robot to rest after a run, a stop or before the editor leaves it: the manual
// command records still to send (see haltrecords.h), one at a time once the controller is free,
// and the state the worker settles in once they are answered.
class RobotHalt
{
public:
    using WorkerState = LinkProtocol::WorkerState;

    bool isActive() const { return m_active; }
    // A record went out already: a halt nobody answers means the link is gone.
    bool hasSent() const { return m_sent; }
    WorkerState nextState() const { return m_nextState; }

    void begin(const QList<QByteArray> &records, WorkerState nextState, bool endsRun);
    // Asked again on the way (the settings open during a stop): the lower state wins.
    void settleNoHigherThan(WorkerState state);
    // The next record to send; nothing once every record has been answered.
    std::optional<QByteArray> takeRecord();
    // The halt is over; whether it ended a run.
    bool finish();

private:
    bool m_active = false;
    QList<QByteArray> m_records;
    WorkerState m_nextState = WorkerState::Ready;
    bool m_sent = false;
    bool m_endsRun = false;
};
