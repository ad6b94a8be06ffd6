#pragma once

#include <QtGlobal>

// Write, restart and start as one step from the editor's key: each part in turn, and each left
// out when it is not needed (a controller that holds the program is not written again, one ready
// to run from the first command is not restarted). The worker asks for the next part when one
// has finished; anything that goes wrong on the way ends it.
class RunOnRobot
{
public:
    enum class Part
    {
        None,
        Write,
        Restart,
        Start,
    };

    // Begins at the time given, for a program of which `changed` of `all` chunks are to be
    // written.
    void begin(qint64 now, int changed, int all);
    bool isActive() const { return m_active; }
    // The next part still to do, given whether the controller holds the program and is ready to
    // run it from its first command; each part at most once, in order. None when all are done.
    Part next(bool programHeld, bool readyFromStart);
    void end() { m_active = false; }

    qint64 startedAt() const { return m_startedAt; }
    int changedChunks() const { return m_changed; }
    int allChunks() const { return m_all; }

private:
    bool m_active = false;
    Part m_last = Part::None;
    qint64 m_startedAt = 0;
    int m_changed = 0;
    int m_all = 0;
};
