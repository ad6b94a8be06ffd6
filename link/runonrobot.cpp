#include "runonrobot.h"

void RunOnRobot::begin(qint64 now, int changed, int all)
{
    m_active = true;
    m_last = Part::None;
    m_startedAt = now;
    m_changed = changed;
    m_all = all;
}

RunOnRobot::Part RunOnRobot::next(bool programHeld, bool readyFromStart)
{
    if (!m_active)
        return Part::None;
    if (m_last < Part::Write && !programHeld)
        m_last = Part::Write;
    else if (m_last < Part::Restart && !readyFromStart)
        m_last = Part::Restart;
    else if (m_last < Part::Start)
        m_last = Part::Start;
    else
        return Part::None;
    return m_last;
}
