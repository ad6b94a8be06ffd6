#pragma once

#include <QObject>

class QSocketNotifier;

// Turns SIGTERM and SIGINT into a Qt signal delivered by the event loop, so that a logout, a
// "kill" or Ctrl-C in a terminal ends the program through its normal shutdown, which saves the
// user's work. Only the async-signal-safe part (one write) runs in the signal handler.
class TerminationSignals : public QObject
{
    Q_OBJECT
public:
    explicit TerminationSignals(QObject *parent = nullptr);
    ~TerminationSignals() override;

    bool isWatching() const { return m_notifier != nullptr; }

signals:
    void received(int signalNumber);

private:
    static void handle(int signalNumber);

    QSocketNotifier *m_notifier = nullptr;
};
