#pragma once

#include "internalworker.h"

#include <QEventLoop>
#include <QJsonObject>
#include <QObject>
#include <QString>
#include <QTimer>

#include <functional>
#include <optional>

class TerminalProgress;

// Drives one controller worker from the command line: connects to the device, writes or reads
// the memory or runs the program, and retries through dropped links and abandoned transfers
// until the deadline.
class LinkSession : public QObject
{
    Q_OBJECT
public:
    LinkSession(const QString &address, int timeoutSeconds, QObject *parent = nullptr);

    // Writes the compiled document (every chunk, or those the controller does not hold), then
    // confirms the configuration. True once the controller is ready to run it.
    bool write(const QJsonObject &document, bool whole = false);
    // Reads the whole memory; the decoded document, or nothing (see failureReason()).
    std::optional<QJsonObject> read();
    // Confirms the configuration, starts the run and follows it; every command the controller
    // reports done goes to onCommand (program, position). True when the main program came to
    // its end or, with a run time, once it has passed and the robot was halted. A run cannot
    // be resumed, so a link lost during it is a failure. Breakpoints do not pause it.
    using CommandCallback = std::function<void(int program, int position)>;
    bool runProgram(const QJsonObject &document, int runSeconds, CommandCallback onCommand);

    // Shows the worker's memory writes, reads and configuration packets on the terminal line of
    // `progress`, when standard error is a terminal.
    void showProgressOn(TerminalProgress &progress);

    // Set when write() or read() fails: a one-line reason.
    QString failureReason() const { return m_failure; }
    // read() failed because the memory did not decode, not because of the link.
    bool memoryUndecodable() const { return m_undecodable; }

private:
    enum class Phase
    {
        Connect,
        Transfer,
        Restart,
        RestartAfterReconnect,
        Running,
        Done
    };

    bool run();
    void poll();
    void pollWrite();
    void pollRead();
    void pollRun();
    void runEnded(bool completed);
    void finish(bool ok, const QString &failure = {});

    QString m_address;
    internalWorker m_worker;
    QTimer m_deadline;
    QTimer m_poll;
    QEventLoop m_loop;
    enum class Mode
    {
        Write,
        Read,
        Run
    };
    Mode m_mode = Mode::Read;
    bool m_wholeWrite = false;
    int m_runSeconds = 0;
    bool m_stopRequested = false;
    QTimer m_runTime;
    CommandCallback m_onCommand;
    Phase m_phase = Phase::Connect;
    bool m_wasConnected = false;
    bool m_ok = false;
    bool m_undecodable = false;
    QString m_lastTrouble;
    QString m_failure;
    int m_timeoutSeconds;
    std::optional<QJsonObject> m_readDocument;
};
