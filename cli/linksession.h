#pragma once

#include "robotjob.h"

#include <QJsonObject>
#include <QObject>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

class TerminalProgress;

// One robot job from the command line, waited for to its end: connects to the device, writes or
// reads the memory or runs the program, retrying through dropped links and abandoned transfers
// until the deadline (RobotJob does the work).
class LinkSession : public QObject
{
    Q_OBJECT
public:
    LinkSession(const QString &address, int timeoutSeconds, QObject *parent = nullptr);
    ~LinkSession() override;

    // Writes the compiled document, then confirms the configuration. True once the controller
    // is ready to run it.
    bool write(const QJsonObject &document);
    // Reads the whole memory; the decoded document, or nothing (see failureReason()).
    std::optional<QJsonObject> read();
    // Confirms the configuration, starts the run and follows it; every command the controller
    // reports done goes to onCommand (program, position). True when the main program came to
    // its end or, with a run time, once it has passed and the robot was halted. A run cannot
    // be resumed, so a link lost during it is a failure. Breakpoints do not pause it.
    using CommandCallback = std::function<void(int program, int position)>;
    bool runProgram(const QJsonObject &document, int runSeconds, CommandCallback onCommand);

    // Makes the robot show itself (the number on its picture, a melody, a small drive) as far as
    // the configuration has those gadgets, then halts it. True once it was halted.
    bool identify(const QJsonObject &configuration, int number);
    // Gives the robot a new name. True once the controller took it.
    bool rename(const QString &name);

    // Shows the worker's memory writes, reads and configuration packets on the terminal line of
    // `progress`, when standard error is a terminal.
    void showProgressOn(TerminalProgress &progress);

    // Set when write() or read() fails: a one-line reason.
    QString failureReason() const { return m_failure; }
    // read() failed because the memory did not decode, not because of the link.
    bool memoryUndecodable() const { return m_undecodable; }

    // A job's failure in the command line's words.
    static QString failureText(const RobotJob &job);

private:
    bool run(RobotJob::Kind kind, const QJsonObject &document = {}, int runSeconds = 0,
             const QString &name = {}, int number = 0);

    QString m_address;
    int m_timeoutSeconds;
    TerminalProgress *m_progress = nullptr;
    CommandCallback m_onCommand;
    std::optional<QJsonObject> m_readDocument;
    bool m_undecodable = false;
    QString m_failure;
};
