#include "firstframeprobe.h"

#include <QEvent>
#include <QFile>
#include <QTimer>
#include <QWidget>

FirstFrameProbe::FirstFrameProbe(QWidget *window)
    : QObject(window)
    , m_window(window)
{
    window->installEventFilter(this);
}

bool FirstFrameProbe::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_window && event->type() == QEvent::Paint && !m_painted &&
        m_window->isVisible()) {
        m_painted = true;
        m_window->removeEventFilter(this);
        // The window's paint event comes first among its widgets'; a queued call runs once the
        // whole frame has been painted and handed to the screen.
        QTimer::singleShot(0, this, &FirstFrameProbe::firstFrame);
    }
    return false;
}

namespace {
// A field of /proc/self/status in KiB ("VmRSS:", "VmHWM:"); -1 where that cannot be read.
qint64 statusKiB(const QByteArray &field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly | QIODevice::Text))
        return -1;
    // Files of /proc report no size; read until the end instead of asking for it.
    const QList<QByteArray> lines = status.readAll().split('\n');
    for (const QByteArray &line : lines) {
        if (line.startsWith(field))
            return line.mid(field.size()).trimmed().split(' ').first().toLongLong();
    }
    return -1;
}
} // namespace

qint64 FirstFrameProbe::peakResidentKiB()
{
    return statusKiB("VmHWM:");
}

qint64 FirstFrameProbe::residentKiB()
{
    return statusKiB("VmRSS:");
}
