#include "internalworker.h"

#include "haltrecords.h"
#include "linklog.h"
#include "linktransport.h"
#include "mbluetoothconnect.h"

#include <utility>

using namespace LinkProtocol;

namespace {

QString hexBytes(const QByteArray &bytes)
{
    return QString::fromLatin1(bytes.toHex(' '));
}

bool isBetween(WorkerState state, WorkerState first, WorkerState last)
{
    return state >= first && state <= last;
}

} // namespace

internalWorker::internalWorker(QObject *parent, TransportFactory factory)
    : QObject(parent)
    , m_transportFactory(std::move(factory))
    , m_request(
          [this](PacketType type, const QByteArray &payload) {
              transport()->sendPacket(wireType(type), payload);
          },
          [this] { return now(); })
    , m_run(m_builder.compiler(),
            [this](const QByteArray &record, bool asStep) { sendCommandRecord(record, asStep); })
    , m_transfer([this] { return now(); })
{
    m_watchdog.setInterval(kWatchdogMs);
    connect(&m_watchdog, &QTimer::timeout, this, &internalWorker::tslt);
    connect(&m_transfer, &TransferReport::progress, this, &internalWorker::sigTransferProgress);
    connect(&m_transfer, &TransferReport::ended, this, &internalWorker::sigTransferEnded);
    m_clock.start();
}

qint64 internalWorker::now() const
{
    return m_now ? m_now() : m_clock.elapsed();
}

internalWorker::~internalWorker() = default;

LinkTransport *internalWorker::transport()
{
    if (m_transport)
        return m_transport;
    if (m_transportFactory)
        m_transport = m_transportFactory(this);
    if (!m_transport)
        m_transport = new mBluetoothConnect(this);
    connect(m_transport, &LinkTransport::findNewDevice, this, &internalWorker::intFindDevice);
    connect(m_transport, &LinkTransport::endDevicesRefresh, this,
            &internalWorker::intEndFindDevices);
    connect(m_transport, &LinkTransport::receivePacket, this, &internalWorker::receivePacket);
    connect(m_transport, &LinkTransport::connectState, this, &internalWorker::connectStateSlot);
    connect(m_transport, &LinkTransport::searchStarted, this, &internalWorker::sigSearchStarted);
    connect(m_transport, &LinkTransport::searchEnded, this, &internalWorker::sigSearchEnded);
    connect(m_transport, &LinkTransport::foundDeviceKind, this,
            &internalWorker::sigFoundDeviceKind);
    connect(m_transport, &LinkTransport::linkProblem, this, &internalWorker::sigLinkProblem);
    return m_transport;
}

void internalWorker::mwStart()
{
    // Starting over: whatever was sent on the old footing is no longer waited for, and the
    // robot may have been flashed or written by another program meanwhile.
    endRunOnRobot(LinkTransfer::RunGivenUp);
    endTransfer(LinkTransfer::Interrupted);
    m_robotMemory.forget();
    m_state = WorkerState::Disconnected;
    abandonHalt();
    m_watchdog.start();
    publish();
}

void internalWorker::mwStop()
{
    // The editor leaves the controller for a while (settings, language, closing): a robot left
    // driving would go on without anyone watching, so it is halted on the way.
    endRunOnRobot(LinkTransfer::RunGivenUp);
    if (isBetween(m_state, WorkerState::Ready, WorkerState::Stepping))
        beginHalt(WorkerState::Connected);
    else if (m_state != WorkerState::Disconnected)
        dropToConnected();
    else
        endTransfer(LinkTransfer::Interrupted); // a write waiting for the link is not resumed
    publish();
}

void internalWorker::mwCommand(const QString &command)
{
    // While halting, nothing may take the place of the halt records.
    if (m_halt.isActive()) {
        publish();
        return;
    }
    const int program = m_run.currentProgram();
    const int position = m_run.currentPosition();
    const bool runOnRobot = command == QLatin1String("runonrobot");
    // Any other command takes the user's place in "run on the robot"; a stop also ends the
    // write it is making.
    if (m_runOnRobot.isActive() && !runOnRobot) {
        endRunOnRobot(LinkTransfer::RunGivenUp);
        if (command == QLatin1String("stop") && m_state == WorkerState::Writing) {
            dropToConnected();
            publish();
            return;
        }
    }
    if (runOnRobot) {
        beginRunOnRobot();
    } else if (command == QLatin1String("confighardware") || command == QLatin1String("restart")) {
        if (m_state != WorkerState::Disconnected && !m_programOk)
            m_transfer.refuse(LinkTransfer::Configuration, LinkTransfer::NotCompiled);
        else if (m_state != WorkerState::Disconnected)
            sendConfiguration();
    } else if (command == QLatin1String("start")) {
        startRun();
    } else if (command == QLatin1String("stop")) {
        if (isBetween(m_state, WorkerState::Ready, WorkerState::Stepping))
            beginHalt(WorkerState::Ready);
    } else if (command == QLatin1String("step")) {
        if (m_state == WorkerState::Ready && m_run.execute(program, position, true)) {
            m_run.setActive(true);
            m_state = WorkerState::Stepping;
        }
    } else if (command == QLatin1String("write") || command == QLatin1String("writewhole")) {
        // An image that did not compile (or does not fit the memory) is never written.
        if (m_state != WorkerState::Writing &&
            (!m_programOk || m_memoryImage.size() > kMemorySize)) {
            m_transfer.refuse(LinkTransfer::Write, LinkTransfer::NotCompiled);
        } else if (m_state != WorkerState::Writing) {
            writeImage(command == QLatin1String("writewhole"));
        }
    } else if (command == QLatin1String("read")) {
        if (m_state != WorkerState::Reading && m_memory.beginRead()) {
            m_robotMemory.transferBegins();
            sendChunk();
            m_state = WorkerState::Reading;
            startTransfer(LinkTransfer::Read, m_memory.bytesTotal());
        }
    }
    publish();
}

void internalWorker::mwChangeProg(const QJsonObject &document)
{
    const ImageBuilder::Result result = m_builder.buildImage(document);
    m_run.setPrograms(document.value(QLatin1String("ProgData")).toArray());
    m_configuration = document.value(QLatin1String("configuration")).toObject();
    m_configurationBytes = m_builder.configurationRecord();
    m_memoryImage = result.image;
    if (result.configurationChanged && m_state != WorkerState::Disconnected)
        dropToConnected();
    if (result.success) {
        if (!m_programOk)
            qCDebug(lcLink) << "Program repaired";
        m_programOk = true;
    } else {
        if (m_state != WorkerState::Disconnected && m_state != WorkerState::Connected)
            qCDebug(lcLink) << "Program compile error";
        if (m_state != WorkerState::Disconnected)
            dropToConnected();
        m_programOk = false;
    }
    publish();
}

void internalWorker::mwManual(int proc, int num, bool checkeq)
{
    Q_UNUSED(checkeq)
    if (m_state == WorkerState::Ready && m_run.execute(proc, num, false)) {
        m_state = WorkerState::ManualCommand;
        publish();
    }
}

void internalWorker::mwDebugSignal()
{
    qCDebug(lcLink) << "Input array";
    for (int line = 0; line < ControllerState::kDigitalInputs / 8; ++line) {
        QString text;
        for (int b = 7; b >= 0; --b)
            text += QString::number(m_controller.digitalInputs[line * 8 + b]);
        qCDebug(lcLink).noquote() << text;
    }
}

void internalWorker::mwFindDevices()
{
    transport()->findDevices();
}

void internalWorker::mwSelectDevice(const QString &deviceText)
{
    endRunOnRobot(LinkTransfer::RunGivenUp);
    endTransfer(LinkTransfer::Interrupted);
    m_robotMemory.forget();
    m_state = WorkerState::Disconnected;
    abandonHalt();
    // The user has chosen: a search still running would keep the link down until it ends.
    transport()->stopSearch();
    transport()->disconnectDevice();
    m_selectedDevice = deviceText;
    // Another controller answers at its own pace.
    m_request.forgetLink();
    m_watchdog.stop();
    m_watchdog.setInterval(kWatchdogMs);
    m_watchdog.start();
}

void internalWorker::mwChangeName(const QString &name)
{
    // A rename sent now would take the place of the outstanding request and leave the transfer
    // or run waiting for an answer that is never evaluated.
    if (isBetween(m_state, WorkerState::ManualCommand, WorkerState::Reading) ||
        (m_request.isPending() && m_request.type() != PacketType::Rename)) {
        qCDebug(lcLink) << "Change name refused while busy, state " << int(m_state);
        emit sigEndChangeName(false, QStringLiteral("Error change"));
        return;
    }
    reportRenameFailed();
    // A controller that takes a new name may take it as a reset.
    m_robotMemory.forget();
    m_newDeviceName = name;
    m_renameRequested = true;
    QByteArray payload = name.toUtf8();
    if (payload.size() < kRenamePadding)
        payload.append(QByteArray(kRenamePadding - payload.size(), '\0'));
    qCDebug(lcLink) << "Change name command";
    sendFresh(PacketType::Rename, payload);
}

void internalWorker::intFindDevice(const QString &deviceText)
{
    emit sigFindDevice(deviceText);
    // The chosen device, just found by a search: connected now, not on the next tick or after
    // the search (BlueZ may have learnt of the robot only now).
    if (m_state == WorkerState::Disconnected &&
        mBluetoothConnect::sameDevice(deviceText, m_selectedDevice))
        transport()->connectDevice(m_selectedDevice);
}

void internalWorker::intEndFindDevices()
{
    emit sigEndFindDevices();
}

void internalWorker::connectStateSlot(int status)
{
    if (m_state == WorkerState::Disconnected)
        emit sigConnectOK(status);
}

void internalWorker::tslt()
{
    emit sigErrorConnect();
    if (m_state == WorkerState::Disconnected && m_memory.tickWithoutLink())
        endTransfer(LinkTransfer::LinkLost);
    if (m_state != WorkerState::Disconnected) {
        const bool running = isBetween(m_state, WorkerState::Running, WorkerState::Stepping) ||
                             (m_run.isActive() && m_state != WorkerState::Connected);
        reportRenameFailed();
        endRunOnRobot(LinkTransfer::RunGivenUp);
        m_robotMemory.forget();
        if (m_state == WorkerState::Writing && m_transfer.kind() == LinkTransfer::Write)
            suspendWrite();
        else
            endTransfer(LinkTransfer::LinkLost);
        m_state = WorkerState::Disconnected;
        // A halt under way cannot reach the robot any more; it ends the run itself.
        const bool halting = m_halt.isActive();
        abandonHalt();
        transport()->disconnectDevice();
        if (running && !halting)
            emit sigRunEnded(false);
        m_run.setActive(false);
        publish();
    }
    if (m_state == WorkerState::Disconnected)
        transport()->connectDevice(m_selectedDevice);
    m_watchdog.start();
}

void internalWorker::receivePacket(int type, const QByteArray &payload)
{
    m_watchdog.start();
    if (m_state == WorkerState::Disconnected) {
        emit sigConnectOK(int(ConnectionStatus::FirstFrame));
        m_state = WorkerState::Connected;
        dropPending();
        // Whatever is at the other end now, it may not be what was written before.
        m_robotMemory.forget();
        qCDebug(lcLink) << "Succesful connect";
        if (m_memory.isWaitingForLink()) {
            // This frame answers nothing sent on the new link; the cut write starts after it.
            takeFrame(type, payload);
            qCDebug(lcLink) << "Resume write";
            m_memory.beginWrite(m_memory.image());
            beginWrite();
            publish();
            return;
        }
        publish();
    }
    takeFrame(type, payload);
}

void internalWorker::takeFrame(int type, const QByteArray &payload)
{
    const PendingRequest::Arrival arrival =
        m_request.take(type, m_memory.isLateAnswer(type, payload), acknowledgedByState(payload));
    switch (arrival.verdict) {
    case PendingRequest::Verdict::Answer:
        CommandSuccesfulExecute(wireType(arrival.request), payload);
        // Whatever was answered, a halt waiting for the controller to be free goes on.
        if (m_halt.isActive() && !m_request.isPending()) {
            continueHalt();
            publish();
        }
        return;
    case PendingRequest::Verdict::Stale:
    case PendingRequest::Verdict::Missed:
        return;
    case PendingRequest::Verdict::GaveUp:
        giveUp(arrival.request);
        return;
    case PendingRequest::Verdict::DoneByState:
    case PendingRequest::Verdict::NotAwaited:
        break;
    }
    if (m_controller.store(payload)) {
        m_freshState = true;
        publish();
    } else {
        qCDebug(lcLink) << "too small state packet" << payload.size();
    }
}

void internalWorker::CommandSuccesfulExecute(int type, const QByteArray &payload)
{
    switch (PacketType(type)) {
    case PacketType::Configuration:
        m_transfer.reportAll();
        endTransfer(LinkTransfer::Done);
        // A halt that waited for this answer goes on with its own records (receivePacket).
        if (!m_halt.isActive())
            m_state = WorkerState::Ready;
        if (m_runOnRobot.isActive()) {
            if (m_state == WorkerState::Ready)
                continueRunOnRobot();
            else
                endRunOnRobot(LinkTransfer::RunGivenUp);
        }
        publish();
        break;
    case PacketType::Rename:
        m_renameRequested = false;
        emit sigEndChangeName(true, QStringLiteral("OK"));
        break;
    case PacketType::MemoryWrite: {
        const MemoryTransfer::Answer answer = m_memory.takeWriteAnswer(payload);
        if (answer == MemoryTransfer::Answer::Acknowledged)
            m_transfer.report(m_memory.bytesDone());
        else
            m_robotMemory.forget(); // who knows what the controller took
        // Anything but the acknowledgement of the chunk in hand repeats it.
        if (!m_memory.finished()) {
            sendChunk();
            break;
        }
        m_robotMemory.written(m_memory.image());
        m_state = WorkerState::Connected;
        endTransfer(LinkTransfer::Done);
        continueRunOnRobot();
        publish();
        break;
    }
    case PacketType::MemoryRead: {
        const MemoryTransfer::Answer answer = m_memory.takeReadAnswer(payload);
        if (answer == MemoryTransfer::Answer::Malformed) {
            // Nothing is requested again: the read stands until it is stopped or restarted.
            endTransfer(LinkTransfer::BadAnswer);
            break;
        }
        if (answer == MemoryTransfer::Answer::Acknowledged)
            m_transfer.report(m_memory.bytesDone());
        else
            m_robotMemory.forget();
        if (!m_memory.finished()) {
            sendChunk();
            break;
        }
        m_robotMemory.read(m_memory.readBack());
        m_state = WorkerState::Connected;
        const bool decoded = decompileProg(m_memory.readBack());
        endTransfer(decoded ? LinkTransfer::Done : LinkTransfer::NoProgram);
        publish();
        break;
    }
    default:
        break;
    }
}

bool internalWorker::decompileProg(const QByteArray &image)
{
    const std::optional<QJsonObject> document = decodeImage(image);
    if (document)
        emit sigReadProg(*document);
    return document.has_value();
}

void internalWorker::publish()
{
    if (m_freshState) {
        m_freshState = false;
        advance();
    }
    const bool readAllowed = !m_controller.statusFlags.testFlag(StatusBit::ReadLocked);
    m_actionFlags = StateReport::actionFlags(m_state, readAllowed, m_programOk);
    // Stop ends "run on the robot" at any point of it.
    if (m_runOnRobot.isActive())
        m_actionFlags[StateReport::Stop] = 1;
    emit sigCurState(StateReport::text(m_actionFlags, m_run.mainPosition(), m_run.currentProgram(),
                                       m_run.currentPosition(), runMarker(), m_controller));
}

StateReport::RunMarker internalWorker::runMarker() const
{
    if (m_state == WorkerState::Running || m_state == WorkerState::Stepping)
        return StateReport::Running;
    if ((m_state == WorkerState::Ready || m_state == WorkerState::ManualCommand) &&
        m_run.isActive())
        return StateReport::Paused;
    return StateReport::NoRun;
}

void internalWorker::advance()
{
    const WorkerState before = m_state;
    bool completed = false;
    advanceRun(completed);
    // A pause (at a breakpoint, after a step) keeps the run; only its end is reported.
    if ((before == WorkerState::Running || before == WorkerState::Stepping) &&
        m_state == WorkerState::Ready && !m_run.isActive())
        emit sigRunEnded(completed);
}

void internalWorker::advanceRun(bool &completed)
{
    const StatusFlags status = m_controller.statusFlags;
    const bool done =
        status.testFlag(StatusBit::Done) &&
        (m_controller.reportedSequence == m_sequenceCounter || m_controller.reportedSequence == 0);
    if (m_state == WorkerState::ManualCommand) {
        if (done)
            m_state = WorkerState::Ready;
        return;
    }
    if (m_state == WorkerState::Stopping) {
        // The command in flight was taken, or a halt record done without its answer.
        continueHalt();
        return;
    }
    if ((m_state != WorkerState::Running && m_state != WorkerState::Stepping) || !done)
        return;
    if (m_run.sentPosition() >= 0)
        emit sigCommandDone(m_run.sentProgram(), m_run.sentPosition());
    switch (m_run.advance(status, m_state == WorkerState::Running)) {
    case ProgramRun::Outcome::GoesOn:
        break;
    case ProgramRun::Outcome::Completes:
        completed = true;
        m_state = WorkerState::Ready;
        break;
    case ProgramRun::Outcome::Pauses:
    case ProgramRun::Outcome::Ends:
        m_state = WorkerState::Ready;
        break;
    }
}

void internalWorker::beginHalt(WorkerState nextState)
{
    if (m_halt.isActive()) {
        m_halt.settleNoHigherThan(nextState);
        return;
    }
    const bool endsRun =
        m_run.isActive() || isBetween(m_state, WorkerState::Running, WorkerState::Stepping);
    m_run.reset();
    m_halt.begin(HaltRecords::build(m_run.programs()), nextState, endsRun);
    m_state = WorkerState::Stopping;
    qCDebug(lcLink) << "Halt the robot";
    continueHalt();
}

void internalWorker::continueHalt()
{
    // The controller takes one request at a time: a command in flight is answered first.
    if (!m_halt.isActive() || m_request.isPending())
        return;
    if (const std::optional<QByteArray> record = m_halt.takeRecord()) {
        sendCommandRecord(*record, false);
        return;
    }
    m_state = m_halt.nextState();
    finishHalt(true);
}

void internalWorker::finishHalt(bool confirmed)
{
    const bool endedRun = m_halt.finish();
    qCDebug(lcLink) << (confirmed ? "Robot halted" : "Halt abandoned");
    if (endedRun)
        emit sigRunEnded(false);
    emit sigHaltEnded(confirmed);
}

void internalWorker::abandonHalt()
{
    if (m_halt.isActive())
        finishHalt(false);
}

void internalWorker::dropToConnected()
{
    if (m_halt.isActive()) {
        // The halt still goes out; it ends in Connected.
        m_halt.settleNoHigherThan(WorkerState::Connected);
        return;
    }
    m_state = WorkerState::Connected;
    dropPending();
}

void internalWorker::beginWrite()
{
    // A write that starts again after a lost link starts from the first byte: whatever answers
    // now may be another robot behind the same port, or one that lost what it had taken. The
    // cut write was reported already; it gives way without a word.
    if (m_memory.stopWaiting())
        m_transfer.forget();
    if (m_memory.finished())
        return;
    m_robotMemory.transferBegins();
    const int chunks = m_memory.chunksPlanned();
    const int all = RobotMemory::chunkCount(m_memory.image());
    qCDebug(lcLink) << "Write" << chunks << "of" << all << "chunks";
    emit sigWritePlanned(chunks, all);
    sendChunk();
    m_state = WorkerState::Writing;
    startTransfer(LinkTransfer::Write, m_memory.bytesTotal());
}

bool internalWorker::writeImage(bool whole)
{
    const QList<MemoryTransfer::Chunk> chunks = whole ? RobotMemory().changedChunks(m_memoryImage)
                                                      : m_robotMemory.changedChunks(m_memoryImage);
    if (chunks.isEmpty()) {
        qCDebug(lcLink) << "The robot holds the program already";
        emit sigWritePlanned(0, RobotMemory::chunkCount(m_memoryImage));
        startTransfer(LinkTransfer::Write, 0);
        endTransfer(LinkTransfer::Done);
        return false;
    }
    m_memory.beginWrite(m_memoryImage, chunks);
    beginWrite();
    return m_state == WorkerState::Writing;
}

void internalWorker::sendConfiguration()
{
    startTransfer(LinkTransfer::Configuration, int(m_configurationBytes.size()));
    sendFresh(PacketType::Configuration, m_configurationBytes);
    m_run.reset();
}

bool internalWorker::startRun()
{
    if (m_state != WorkerState::Ready)
        return false;
    const int program = m_run.currentProgram();
    const int position = m_run.currentPosition();
    // A fresh run stops before a marked first command; a paused one goes on with it.
    if (!m_run.isActive() && m_run.hasBreakpoint(program, position)) {
        qCDebug(lcLink) << "Pause at breakpoint " << program << position;
        m_run.setActive(true);
        return true;
    }
    if (!m_run.execute(program, position, true))
        return false;
    m_run.setActive(true);
    m_state = WorkerState::Running;
    return true;
}

void internalWorker::beginRunOnRobot()
{
    if (m_runOnRobot.isActive())
        return;
    if (!isBetween(m_state, WorkerState::Connected, WorkerState::Ready)) {
        qCDebug(lcLink) << "Run on the robot refused in state " << int(m_state);
        return;
    }
    if (!m_programOk || m_memoryImage.size() > kMemorySize) {
        m_transfer.refuse(LinkTransfer::Write, LinkTransfer::NotCompiled);
        return;
    }
    qCDebug(lcLink) << "Run on the robot";
    m_runOnRobot.begin(now(), chunksToWrite(), RobotMemory::chunkCount(m_memoryImage));
    continueRunOnRobot();
}

void internalWorker::continueRunOnRobot()
{
    if (!m_runOnRobot.isActive())
        return;
    const qint64 elapsed = now() - m_runOnRobot.startedAt();
    const int changed = m_runOnRobot.changedChunks();
    const int all = m_runOnRobot.allChunks();
    switch (m_runOnRobot.next(robotHoldsProgram(),
                              m_state == WorkerState::Ready && !m_run.isActive())) {
    case RunOnRobot::Part::Write:
        emit sigRunOnRobot(LinkTransfer::RunWriting, changed, all, elapsed);
        if (!writeImage(false))
            endRunOnRobot(LinkTransfer::RunGivenUp);
        break;
    case RunOnRobot::Part::Restart:
        emit sigRunOnRobot(LinkTransfer::RunGettingReady, changed, all, elapsed);
        sendConfiguration();
        break;
    case RunOnRobot::Part::Start:
        endRunOnRobot(startRun() ? LinkTransfer::RunStarted : LinkTransfer::RunGivenUp);
        break;
    case RunOnRobot::Part::None:
        endRunOnRobot(LinkTransfer::RunGivenUp);
        break;
    }
}

void internalWorker::endRunOnRobot(LinkTransfer::RunStep step)
{
    if (!m_runOnRobot.isActive())
        return;
    m_runOnRobot.end();
    const qint64 elapsed = now() - m_runOnRobot.startedAt();
    qCDebug(lcLink) << "Run on the robot ended: " << int(step) << " after " << elapsed << " ms";
    emit sigRunOnRobot(step, m_runOnRobot.changedChunks(), m_runOnRobot.allChunks(), elapsed);
}

void internalWorker::suspendWrite()
{
    // Nothing will answer the chunk in flight; the write starts afresh when the link is back.
    m_request.clear();
    m_memory.waitForLink();
    qCDebug(lcLink) << "Write waits for the link";
    m_transfer.tellWaitingForLink();
}

void internalWorker::sendChunk()
{
    sendFresh(m_memory.direction() == MemoryTransfer::Direction::Write ? PacketType::MemoryWrite
                                                                       : PacketType::MemoryRead,
              m_memory.chunkRequest());
}

void internalWorker::startTransfer(LinkTransfer::Kind kind, int total)
{
    endTransfer(LinkTransfer::Interrupted);
    m_transfer.start(kind, total);
}

void internalWorker::endTransfer(LinkTransfer::Outcome outcome)
{
    m_memory.stopWaiting();
    const LinkTransfer::Kind kind = m_transfer.kind();
    if (outcome == LinkTransfer::Done || kind == LinkTransfer::None) {
        m_transfer.end(outcome);
        return;
    }
    // A write or read that did not finish leaves the memory unknown.
    if (kind == LinkTransfer::Write || kind == LinkTransfer::Read)
        m_robotMemory.forget();
    m_transfer.end(outcome);
    endRunOnRobot(LinkTransfer::RunGivenUp);
}

void internalWorker::sendCommandRecord(const QByteArray &record, bool asStep)
{
    m_sequenceCounter = m_sequenceCounter == 255 ? 1 : m_sequenceCounter + 1;
    m_commandPayload = QByteArray(kSequenceSize, char(m_sequenceCounter)) + record;
    m_controller.statusFlags &= ~StatusFlags(StatusBit::Done | StatusBit::Busy);
    const PacketType type = asStep ? PacketType::StepCommand : PacketType::ManualCommand;
    qCDebug(lcLink).noquote() << "Send pkg" << wireType(type) << hexBytes(m_commandPayload);
    sendFresh(type, m_commandPayload);
}

void internalWorker::sendFresh(PacketType type, const QByteArray &payload)
{
    // Any other request takes the place of a rename that is still waiting for its answer.
    if (type != PacketType::Rename)
        reportRenameFailed();
    m_request.send(type, payload);
}

bool internalWorker::acknowledgedByState(const QByteArray &payload) const
{
    const PacketType pending = m_request.type();
    if ((pending != PacketType::ManualCommand && pending != PacketType::StepCommand) ||
        payload.size() < kStatePacketSize)
        return false;
    return ControllerState::statusOf(payload).testFlag(StatusBit::Done) && m_sequenceCounter != 0 &&
           quint8(payload[kSequenceOffset]) == m_sequenceCounter;
}

void internalWorker::dropPending()
{
    const PacketType pending = m_request.type();
    if (pending == PacketType::Rename)
        reportRenameFailed();
    if (pending == PacketType::Configuration || pending == PacketType::MemoryWrite ||
        pending == PacketType::MemoryRead)
        endTransfer(LinkTransfer::Interrupted);
    m_request.clear();
}

void internalWorker::reportRenameFailed()
{
    if (!m_renameRequested)
        return;
    m_renameRequested = false;
    emit sigEndChangeName(false, QStringLiteral("Error change"));
}

void internalWorker::giveUp(PacketType abandoned)
{
    if (abandoned == PacketType::Rename)
        reportRenameFailed();
    if (abandoned == PacketType::Configuration || abandoned == PacketType::MemoryWrite ||
        abandoned == PacketType::MemoryRead)
        endTransfer(LinkTransfer::GaveUp);
    if (m_state == WorkerState::Writing || m_state == WorkerState::Reading) {
        m_state = WorkerState::Connected;
        publish();
    } else if (m_halt.isActive()) {
        if (abandoned == PacketType::Configuration)
            m_halt.settleNoHigherThan(WorkerState::Connected);
        // A halt record nobody answers: the link is gone for all practical purposes. An
        // abandoned command in flight, though, leaves the way free for the halt.
        if (m_halt.hasSent()) {
            m_state = m_halt.nextState();
            finishHalt(false);
        } else {
            continueHalt();
        }
        publish();
    } else if (isBetween(m_state, WorkerState::ManualCommand, WorkerState::Stepping)) {
        // The controller never took the command, so no state packet will report it done:
        // waiting for one would hang the run. It ends here, Ready to start again, with the
        // robot halted in case the last command it took left it moving.
        const bool run = m_state != WorkerState::ManualCommand;
        // A restart sent during the run leaves the configuration unconfirmed: Connected only.
        const WorkerState next =
            abandoned == PacketType::Configuration ? WorkerState::Connected : WorkerState::Ready;
        if (run)
            beginHalt(next);
        else
            m_state = next;
        publish();
    }
}
