#pragma once

#include "controllerstate.h"
#include "linkprotocol.h"
#include "memoryimage.h"
#include "replytimer.h"
#include "statereport.h"
#include "transferprogress.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonObject>
#include <QList>
#include <QObject>
#include <QString>
#include <QTimer>

#include <functional>

class LinkTransport;

// The editor's model of one controller connection: keeps the link alive, writes and reads the
// controller memory, runs a program command by command, executes single commands by hand and
// publishes a state report after every event. Everything happens in slots; nothing blocks.
class internalWorker : public QObject
{
    Q_OBJECT
public:
    // Builds the transport (as a child of the given parent); the default is mBluetoothConnect.
    using TransportFactory = std::function<LinkTransport *(QObject *parent)>;
    // Milliseconds on a monotonic clock; tests replace it to play out reply times.
    using Clock = std::function<qint64()>;

    using WorkerState = LinkProtocol::WorkerState;
    using PacketType = LinkProtocol::PacketType;

    static constexpr int kWatchdogMs = 1500;
    static constexpr int kMissesBeforeResend = 3;
    static constexpr int kMaxResends = 10;
    // Until replies to memory writes have been measured, a chunk is given this long per byte
    // before it is sent again: a controller's EEPROM takes about 3.3 ms a byte.
    static constexpr int kFirstWriteWaitMsPerByte = 4;
    // A write cut by a lost link goes on if the link is back within this many watchdog ticks.
    static constexpr int kResumeWithinTicks = 20;

    explicit internalWorker(QObject *parent = nullptr, TransportFactory factory = {});
    ~internalWorker() override;

    LinkTransport *transport();
    void setClock(Clock clock) { m_now = std::move(clock); }
    const ReplyTimer &replyTimer() const { return m_replyTimer; }

    WorkerState state() const { return m_state; }
    PacketType pendingType() const { return m_pendingType; }
    bool programOk() const { return m_programOk; }
    int memoryAddress() const { return m_memoryAddress; }
    QByteArray memoryImage() const { return m_memoryImage; }
    quint8 sequenceCounter() const { return m_sequenceCounter; }
    int currentProgram() const { return m_currentProgram; }
    int currentPosition() const { return m_currentPosition; }
    int mainPosition() const { return m_mainPosition; }
    int stackDepth() const { return int(m_stack.size()); }
    const ControllerState &controllerState() const { return m_controller; }
    // A run holds a place in the program: running, or paused at a breakpoint or after a step.
    bool runActive() const { return m_runActive; }
    StateReport::RunMarker runMarker() const;
    // Whether a run pauses before a command marked with a breakpoint (see breakpoint.h). The
    // command line runs programs straight through.
    void setPauseAtBreakpoints(bool pause) { m_pauseAtBreakpoints = pause; }
    const QString &selectedDevice() const { return m_selectedDevice; }
    // A write was cut by a lost link and starts again when the link is back.
    bool writeWaitingForLink() const { return m_resumeTicksLeft > 0; }

public slots:
    void mwStart();
    void mwStop();
    void mwCommand(const QString &command);
    void mwChangeProg(const QJsonObject &document);
    void mwManual(int proc, int num, bool checkeq);
    void mwDebugSignal();
    void mwFindDevices();
    void mwSelectDevice(const QString &deviceText);
    void mwChangeName(const QString &name);
    void intFindDevice(const QString &deviceText);
    void intEndFindDevices();
    void connectStateSlot(int status);
    void tslt();
    void receivePacket(int type, const QByteArray &payload);
    void CommandSuccesfulExecute(int type, const QByteArray &payload);
    // Emits the decoded document; false when the image holds no program.
    bool decompileProg(const QByteArray &image);

signals:
    void sigCurState(const QString &report);
    void sigFindDevice(const QString &deviceText);
    void sigEndFindDevices();
    void sigConnectOK(int status);
    void sigErrorConnect();
    void sigReadProg(const QJsonObject &document);
    void sigEndChangeName(bool ok, const QString &message);
    // A run or step reached a command of the program (program, position) and the controller
    // reported it done.
    void sigCommandDone(int program, int position);
    // A run, step or stop is over and the worker is Ready again; completed when the main
    // program came to its end, not when it was stopped or abandoned.
    void sigRunEnded(bool completed);
    // Relayed from the transport for the device page: a search began or ended, what a found
    // device is, and why the chosen device does not come up (see linkproblem.h).
    void sigSearchStarted(int durationMs);
    void sigSearchEnded(int robotCount, int problem);
    void sigFoundDeviceKind(const QString &deviceText, int kind);
    void sigLinkProblem(int problem, const QString &detail);
    // A memory write, memory read or configuration packet (LinkTransfer::Kind) is under way: bytes
    // acknowledged so far of the total, and the time since it began. Each starts with done 0.
    void sigTransferProgress(int kind, int done, int total, qint64 elapsedMs);
    // It is over (LinkTransfer::Outcome); one that was refused at once ends without having started.
    void sigTransferEnded(int kind, int outcome, qint64 elapsedMs);
    // The halt records were all answered (confirmed), or the halt was abandoned because the
    // link went away or stopped answering.
    void sigHaltEnded(bool confirmed);

private:
    struct Frame
    {
        int program = 0;
        int position = 0;
        int iteration = 0;
    };

    void publish();
    // A frame on a working link: the answer to the pending request, or a state packet.
    void takeFrame(int type, const QByteArray &payload);
    void advance();
    void advanceRun(bool &completed);
    void stepToNextCommand();
    void runOnto(int program, int position);
    bool hasBreakpoint(int program, int position) const;
    void beginHalt(WorkerState nextState);
    void continueHalt();
    void finishHalt(bool confirmed);
    void abandonHalt();
    void dropToConnected();
    void startTransfer(int kind, int total);
    void reportTransfer(int done);
    void endTransfer(int outcome);
    void refuseTransfer(int kind, int outcome);
    void beginWrite();
    void suspendWrite();
    bool execute(int program, int position, bool asStep);
    void sendCommandRecord(const QByteArray &record, bool asStep);
    void sendFresh(PacketType type, const QByteArray &payload);
    void resend();
    bool resendDue() const;
    void giveUp();
    bool isStaleReply(int type, const QByteArray &payload);
    void noteReply(PacketType request);
    void expectStaleReplies(int type, int count, qint64 sampleMs);
    bool acknowledgedByState(const QByteArray &payload) const;
    void reportRenameFailed();
    void dropPending();
    qint64 now() const;
    bool sendWriteChunk();
    bool sendReadChunk();
    void resetExecution();
    int programCount() const;
    int commandCount(int program) const;

    TransportFactory m_transportFactory;
    QTimer m_watchdog;
    WorkerState m_state = WorkerState::Disconnected;
    bool m_freshState = false;
    bool m_programOk = false;
    StateReport::ActionFlags m_actionFlags{};
    int m_mainPosition = -1;
    ControllerState m_controller;
    LinkTransport *m_transport = nullptr;
    QString m_selectedDevice;
    PacketType m_pendingType = PacketType::None;
    QJsonArray m_programList;
    QJsonObject m_configuration;
    QByteArray m_configurationBytes;
    ImageBuilder m_builder;
    QByteArray m_commandPayload;
    quint8 m_sequenceCounter = 0;
    QByteArray m_memoryImage;
    // The image a running write takes its chunks from, so an edit during the write cannot
    // splice two programs together in the controller.
    QByteArray m_writeImage;
    QByteArray m_readBuffer;
    int m_memoryAddress = 0;
    int m_chunkSize = 0;
    QList<Frame> m_stack;
    int m_currentProgram = 0;
    int m_currentPosition = 0;
    int m_iterationValue = 0;
    QString m_newDeviceName;
    bool m_renameRequested = false;
    int m_missCount = 0;
    int m_resendCount = 0;
    PacketType m_lastSentType = PacketType::None;
    QByteArray m_lastSentPayload;

    // Pacing of resends by the reply times this link has shown.
    Clock m_now;
    QElapsedTimer m_clock;
    ReplyTimer m_replyTimer;
    int m_copiesSent = 0;
    qint64 m_firstSentAt = 0;
    qint64 m_lastSentAt = 0;
    // Replies still on their way for copies of a request that was already answered: the late
    // answers to resends. They must not be taken for the answer to the next request.
    int m_staleType = 0;
    int m_staleCount = 0;
    qint64 m_staleUntil = 0;
    // Reply time of the request they belong to, taken once a late answer confirms it.
    qint64 m_staleSampleMs = -1;
    // The program command of the step packet in flight; position -1 for the end-of-program
    // record.
    int m_runProgram = 0;
    int m_runPosition = -1;

    bool m_runActive = false;
    bool m_pauseAtBreakpoints = true;
    // Halting (Stopping): the records still to send, the state to enter once they are answered,
    // whether one went out already, and whether the halt ends a run.
    bool m_halting = false;
    QList<QByteArray> m_haltRecords;
    WorkerState m_haltNextState = WorkerState::Ready;
    bool m_haltStarted = false;
    bool m_haltEndsRun = false;

    int m_transferKind = LinkTransfer::None;
    int m_transferTotal = 0;
    qint64 m_transferStartedAt = 0;
    // Watchdog ticks a write cut by a lost link still waits for the link; 0 when none waits.
    int m_resumeTicksLeft = 0;
};
