#pragma once

#include <QObject>

class QWidget;

// Tells when a window has shown its first frame: after its first paint has gone to the screen.
// Start-up measurements stop their clock here.
class FirstFrameProbe : public QObject
{
    Q_OBJECT
public:
    explicit FirstFrameProbe(QWidget *window);

    // The process's peak resident memory so far, from /proc; -1 where that cannot be read.
    static qint64 peakResidentKiB();
    // The process's resident memory now.
    static qint64 residentKiB();

signals:
    void firstFrame();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QWidget *m_window;
    bool m_painted = false;
};
