#pragma once

#include "internalworker.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QObject>
#include <QString>
#include <QTimer>

#include <functional>

// One piece of work on one robot over a worker of its own: connect, do it, let go. Everything
// happens in slots; a job never blocks, so any number of them run side by side in one thread.
//
//   Identify  shows the robot for about two seconds (its number on the 8×8 picture, a short
//             melody, a small back-and-forth of the drive motors, each only where the given
//             configuration has that gadget; the configuration is sent first), then halts it
//             (drive stopped, picture cleared, silence). Its memory is not touched.
//   Rename    gives the robot a new name with the rename packet.
//   Write     writes the program, then confirms its configuration; a write cut by a lost link
//             starts again when the link is back, as a single write does.
//   Read      reads the whole memory; the decoded document comes with finished().
//   Run       runs the program through (with a run time: until it has passed and the robot
//             was halted); commandDone() tells each command the controller reported done.
//
// The job retries through dropped links and give-ups until its timeout has passed.
class RobotJob : public QObject
{
    Q_OBJECT
public:
    enum class Kind
    {
        Identify,
        Rename,
        Write,
        Read,
        Run,
    };
    Q_ENUM(Kind)

    // Where a robot stands, for a row's words. Shown, Renamed, Written, Read and RunEnded end a
    // job that succeeded, Failed one that did not (see failure()).
    enum class State
    {
        Found,
        Connecting,
        Connected,
        Showing,
        Shown,
        Renaming,
        Renamed,
        Writing,
        Written,
        Reading,
        Read,
        Running,
        RunEnded,
        Failed,
    };
    Q_ENUM(State)

    // Why a job failed. NoLink and LinkLost come with linkProblem() when the link knew why.
    enum class Failure
    {
        None,
        Cancelled,
        // The link never came up before the timeout.
        NoLink,
        // The link went away and did not come back in time (or went during a run).
        LinkLost,
        // Connected, but the controller stopped answering.
        NotAnswering,
        // The program does not compile (nothing was sent).
        NotCompiled,
        // The controller does not allow its memory to be read.
        ReadLocked,
        // The memory read back holds no program.
        NoProgram,
        // The controller did not take the name or did not start the run.
        Refused,
    };
    Q_ENUM(Failure)

    static constexpr int kDefaultTimeoutSeconds = 30;
    // How long a robot shows itself.
    static constexpr int kShowMs = 2000;

    // The worker's transport comes from the factory (nothing: the worker's default, which picks
    // Bluetooth, TCP or a serial port by the address).
    RobotJob(Kind kind, const QString &deviceText, QObject *parent = nullptr,
             internalWorker::TransportFactory factory = {});
    // On the robot the editor's worker is linked to, over that link: nothing is connected or let
    // go, and a robot that was shown gets the editor's program (from restore) back afterwards.
    RobotJob(Kind kind, const QString &deviceText, internalWorker *borrowed,
             std::function<QJsonObject()> restore, QObject *parent = nullptr);
    ~RobotJob() override;

    Kind kind() const { return m_kind; }
    // Over the editor's worker rather than one of its own.
    bool isBorrowed() const { return m_borrowed; }
    // The device text the job connects to, and the address it holds (the signals' key).
    const QString &deviceText() const { return m_deviceText; }
    const QString &address() const { return m_address; }

    // The address a device text (or a bare address) holds, and the device text of either.
    static QString addressOf(const QString &deviceText);
    static QString deviceTextOf(const QString &deviceText);

    // Write and Run: the program; Identify: the document whose configuration says which
    // gadgets the robot has (its programs are not used).
    void setDocument(const QJsonObject &document) { m_document = document; }
    // Identify: the number shown on the picture (1–99; others show no digits).
    void setNumber(int number) { m_number = number; }
    // Rename: the new name.
    void setNewName(const QString &name) { m_newName = name; }
    // Run: seconds before the robot is halted (0: until the main program ends).
    void setRunSeconds(int seconds) { m_runSeconds = seconds; }
    // Write: every chunk, not only those the robot is not known to hold.
    void setWholeWrite(bool whole) { m_wholeWrite = whole; }
    void setTimeoutSeconds(int seconds) { m_timeoutSeconds = seconds; }
    const QJsonObject &givenDocument() const { return m_document; }
    int number() const { return m_number; }
    const QString &newName() const { return m_newName; }
    int timeoutSeconds() const { return m_timeoutSeconds; }

    State state() const { return m_state; }
    int percent() const { return m_percent; }
    bool isFinished() const { return m_finished; }
    Failure failure() const { return m_failure; }
    // The LinkProblem code behind NoLink or LinkLost (None when the link did not say), and the
    // detail its words need.
    int linkProblem() const { return m_linkProblem; }
    const QString &linkProblemDetail() const { return m_linkDetail; }
    // The failure in one English line, for logs and the command line; problemWords (when given)
    // turns a LinkProblem code, the address and the detail into words.
    using ProblemWords =
        std::function<QString(int problem, const QString &address, const QString &detail)>;
    QString failureText(const ProblemWords &problemWords = {}) const;
    // Read: the document read back.
    const QJsonObject &document() const { return m_readDocument; }

    // The job's worker until the job is finished (it lets the link go with it, unless the worker
    // is borrowed), then null.
    internalWorker *worker() const { return m_worker; }

    // The 8×8 picture of a number as 64 cells (rows from the top), for "pict".
    static QJsonArray numberPicture(int number);
    // The program shown by Identify for a configuration: one command per gadget it has.
    static QJsonObject identifyDocument(const QJsonObject &configuration, int number);

public slots:
    void start();
    // Ends the job as failed (Cancelled); a robot being shown is halted first.
    void cancel();

signals:
    void stateChanged(RobotJob::State state);
    // Write and Read: bytes done so far in percent.
    void progress(int percent);
    void finished(bool ok, RobotJob::Failure why, const QJsonObject &document);
    // Run: the controller reported this command of the program done.
    void commandDone(int program, int position);

private:
    enum class Phase
    {
        Connect,
        Transfer,
        Restart,
        RestartAfterReconnect,
        Act,
        Halting,
        Done,
    };

    void follow();
    void poll();
    void pollLink();
    // Sends the configuration ("restart") and waits in Phase::Restart for the controller to be
    // Ready with it.
    void sendConfiguration();
    void confirmConfigurationAgain(LinkProtocol::WorkerState state);
    void pollIdentify();
    void pollRename();
    void pollWrite();
    void pollRead();
    void pollRun();
    void showNext();
    void runEnded(bool completed);
    void setState(State state);
    void finish(bool ok, Failure why = Failure::None);
    void failForDeadline();
    void troubleIs(Failure trouble, const QString &text);

    Kind m_kind;
    QString m_deviceText;
    QString m_address;
    internalWorker *m_worker;
    std::function<QJsonObject()> m_restore;
    bool m_borrowed = false;
    bool m_wholeWrite = false;
    QTimer m_poll;
    QTimer m_deadline;
    QTimer m_showTime;
    QJsonObject m_document;
    QJsonObject m_readDocument;
    QString m_newName;
    int m_number = 0;
    int m_runSeconds = 0;
    int m_timeoutSeconds = kDefaultTimeoutSeconds;
    // Identify: the next command of the shown program.
    int m_showStep = 0;
    int m_showCommands = 0;
    bool m_renameAsked = false;
    bool m_stopRequested = false;
    bool m_wasConnected = false;
    bool m_finished = false;
    Phase m_phase = Phase::Connect;
    State m_state = State::Found;
    int m_percent = 0;
    Failure m_failure = Failure::None;
    // What the timeout reports: the last trouble met.
    Failure m_trouble = Failure::NoLink;
    QString m_troubleText;
    bool m_timedOut = false;
    bool m_haltOnly = false;
    bool m_hasFactory = false;
    int m_linkProblem = 0;
    QString m_linkDetail;
};
