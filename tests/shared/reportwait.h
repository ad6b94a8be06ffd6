#pragma once

// Waiting for a state report of the worker that a test looks for, in the reports a spy has
// caught since the last one it took.

#include <QDeadlineTimer>
#include <QJsonObject>
#include <QSignalSpy>

#include <functional>

namespace ReportWait {

using Report = std::function<bool(const QJsonObject &)>;

// True once a report from `*from` on matches (then `*from` is past it); false after the time.
inline bool until(QSignalSpy &spy, qsizetype *from, const Report &wanted, int timeoutMs)
{
    QDeadlineTimer deadline(timeoutMs);
    while (true) {
        for (; *from < spy.count(); ++*from) {
            if (wanted(spy.at(*from).at(0).toJsonObject())) {
                ++*from;
                return true;
            }
        }
        if (deadline.hasExpired() || !spy.wait(int(qMax<qint64>(1, deadline.remainingTime()))))
            return false;
    }
}

} // namespace ReportWait
