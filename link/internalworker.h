#pragma once

#include "controllerstate.h"
#include "linkprotocol.h"
#include "memoryimage.h"
#include "memorytransfer.h"
#include "pendingrequest.h"
#include "programrun.h"
#include "robothalt.h"
#include "robotmemory.h"
#include "runonrobot.h"
#include "statereport.h"
#include "transferreport.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QJsonObject>
#include <QObject>
#include <QString>
#include <QTimer>

#include <functional>

class LinkTransport;

// The editor's model of one controller connection: keeps the link alive, writes and reads the
// controller memory, runs a program command by command, executes single commands by hand and
// publishes a state report after every event. Everything happens in slots; nothing blocks.
// It owns its parts: the awaited request and its resends (PendingRequest), the memory transfer
// (MemoryTransfer), the run (ProgramRun), the halt (RobotHalt) and the transfer report; it keeps
// the state machine that ties them together. Several workers may live side by side, each with
// its own transport.
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
    static constexpr int kMaxResends = PendingRequest::kMaxResends;
    static constexpr int kResumeWithinTicks = MemoryTransfer::kResumeWithinTicks;

    explicit internalWorker(QObject *parent = nullptr, TransportFactory factory = {});
    ~internalWorker() override;

    LinkTransport *transport();
    void setClock(Clock clock) { m_now = std::move(clock); }
    const ReplyTimer &replyTimer() const { return m_request.replyTimer(); }

    WorkerState state() const { return m_state; }
    PacketType pendingType() const { return m_request.type(); }
    bool programOk() const { return m_programOk; }
    // The next controller memory address a write or read moves.
    int memoryAddress() const { return m_memory.address(); }
    QByteArray memoryImage() const { return m_memoryImage; }
    quint8 sequenceCounter() const { return m_sequenceCounter; }
    int currentProgram() const { return m_run.currentProgram(); }
    int currentPosition() const { return m_run.currentPosition(); }
    int mainPosition() const { return m_run.mainPosition(); }
    int stackDepth() const { return m_run.stackDepth(); }
    const ControllerState &controllerState() const { return m_controller; }
    // A run holds a place in the program: running, or paused at a breakpoint or after a step.
    bool runActive() const { return m_run.isActive(); }
    StateReport::RunMarker runMarker() const;
    // Whether a run pauses before a command marked with a breakpoint (see breakpoint.h). The
    // command line runs programs straight through.
    void setPauseAtBreakpoints(bool pause) { m_run.setPauseAtBreakpoints(pause); }
    const QString &selectedDevice() const { return m_selectedDevice; }
    // A write was cut by a lost link and starts again when the link is back.
    bool writeWaitingForLink() const { return m_memory.isWaitingForLink(); }
    // As far as this connection can tell, the controller holds the current image: a write
    // would send nothing.
    bool robotHoldsProgram() const { return m_robotMemory.holds(m_memoryImage); }
    // The chunks a write would send now, of all the image's chunks.
    int chunksToWrite() const { return int(m_robotMemory.changedChunks(m_memoryImage).size()); }
    bool runOnRobotActive() const { return m_runOnRobot.isActive(); }

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
    // A write's plan comes first: the chunks it sends of all the image's chunks (0 when the
    // controller holds the image already, all for a whole write).
    void sigTransferEnded(int kind, int outcome, qint64 elapsedMs);
    void sigWritePlanned(int changedChunks, int allChunks);
    // "Run on the robot" began a part or is over (LinkTransfer::RunStep); the chunks it writes
    // of all, and the time since the key.
    void sigRunOnRobot(int step, int changedChunks, int allChunks, qint64 elapsedMs);
    // The halt records were all answered (confirmed), or the halt was abandoned because the
    // link went away or stopped answering.
    void sigHaltEnded(bool confirmed);

private:
    void publish();
    // A frame on a working link: the answer to the pending request, or a state packet.
    void takeFrame(int type, const QByteArray &payload);
    void advance();
    void advanceRun(bool &completed);
    void beginHalt(WorkerState nextState);
    void continueHalt();
    void finishHalt(bool confirmed);
    void abandonHalt();
    void dropToConnected();
    void beginWrite();
    // Writes the chunks the controller does not hold, or every chunk; true when a write began.
    // Nothing to send ends at once as a write done.
    bool writeImage(bool whole);
    void beginRunOnRobot();
    void continueRunOnRobot();
    void endRunOnRobot(LinkTransfer::RunStep step);
    bool startRun();
    void sendConfiguration();
    void suspendWrite();
    void sendChunk();
    void startTransfer(LinkTransfer::Kind kind, int total);
    void endTransfer(LinkTransfer::Outcome outcome);
    void sendCommandRecord(const QByteArray &record, bool asStep);
    void sendFresh(PacketType type, const QByteArray &payload);
    void giveUp(PacketType abandoned);
    bool acknowledgedByState(const QByteArray &payload) const;
    void reportRenameFailed();
    void dropPending();
    qint64 now() const;

    TransportFactory m_transportFactory;
    QTimer m_watchdog;
    WorkerState m_state = WorkerState::Disconnected;
    bool m_freshState = false;
    bool m_programOk = false;
    StateReport::ActionFlags m_actionFlags{};
    ControllerState m_controller;
    LinkTransport *m_transport = nullptr;
    QString m_selectedDevice;
    QJsonObject m_configuration;
    QByteArray m_configurationBytes;
    ImageBuilder m_builder;
    QByteArray m_commandPayload;
    quint8 m_sequenceCounter = 0;
    QByteArray m_memoryImage;
    QString m_newDeviceName;
    bool m_renameRequested = false;

    Clock m_now;
    QElapsedTimer m_clock;
    PendingRequest m_request;
    // A running write takes its chunks from the image it began with, so an edit during the
    // write cannot splice two programs together in the controller.
    MemoryTransfer m_memory;
    ProgramRun m_run;
    RobotHalt m_halt;
    TransferReport m_transfer;
    RobotMemory m_robotMemory;
    RunOnRobot m_runOnRobot;
};
