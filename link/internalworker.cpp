#include "internalworker.h"

#include "breakpoint.h"
#include "commandkinds.h"
#include "haltrecords.h"
#include "linklog.h"
#include "linktransport.h"
#include "mbluetoothconnect.h"

#include <QJsonDocument>

#include <algorithm>
#include <utility>

using namespace LinkProtocol;

namespace {

QString hexBytes(const QByteArray &bytes)
{
    return QString::fromLatin1(bytes.toHex(' '));
}

// The address a memory write or read answer names, low byte first.
int answeredAddress(const QByteArray &payload)
{
    return quint8(payload[0]) | (quint8(payload[1]) << 8);
}
} // namespace

internalWorker::internalWorker(QObject *parent, TransportFactory factory)
    : QObject(parent)
    , m_transportFactory(std::move(factory))
{
    m_watchdog.setInterval(kWatchdogMs);
    connect(&m_watchdog, &QTimer::timeout, this, &internalWorker::tslt);
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

int internalWorker::programCount() const
{
    return int(m_programList.size());
}

int internalWorker::commandCount(int program) const
{
    if (program < 0 || program >= programCount())
        return 0;
    return int(m_programList.at(program).toArray().size());
}

void internalWorker::mwStart()
{
    // Starting over: whatever was sent on the old footing is no longer waited for.
    endTransfer(LinkTransfer::Interrupted);
    m_state = WorkerState::Disconnected;
    abandonHalt();
    m_watchdog.start();
    publish();
}

void internalWorker::mwStop()
{
    // The editor leaves the controller for a while (settings, language, closing): a robot left
    // driving would go on without anyone watching, so it is halted on the way.
    if (m_state >= WorkerState::Ready && m_state <= WorkerState::Stepping)
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
    if (m_halting) {
        publish();
        return;
    }
    if (command == QLatin1String("confighardware") || command == QLatin1String("restart")) {
        if (m_state != WorkerState::Disconnected && !m_programOk) {
            refuseTransfer(LinkTransfer::Configuration, LinkTransfer::NotCompiled);
        } else if (m_state != WorkerState::Disconnected) {
            startTransfer(LinkTransfer::Configuration, int(m_configurationBytes.size()));
            m_pendingType = PacketType::Configuration;
            sendFresh(PacketType::Configuration, m_configurationBytes);
            resetExecution();
        }
    } else if (command == QLatin1String("start")) {
        if (m_state == WorkerState::Ready) {
            // A fresh run stops before a marked first command; a paused one goes on with it.
            if (!m_runActive && hasBreakpoint(m_currentProgram, m_currentPosition)) {
                qCDebug(lcLink) << "Pause at breakpoint " << m_currentProgram << m_currentPosition;
                m_runActive = true;
            } else if (execute(m_currentProgram, m_currentPosition, true)) {
                m_runActive = true;
                m_state = WorkerState::Running;
            }
        }
    } else if (command == QLatin1String("stop")) {
        if (m_state >= WorkerState::Ready && m_state <= WorkerState::Stepping)
            beginHalt(WorkerState::Ready);
    } else if (command == QLatin1String("step")) {
        if (m_state == WorkerState::Ready && execute(m_currentProgram, m_currentPosition, true)) {
            m_runActive = true;
            m_state = WorkerState::Stepping;
        }
    } else if (command == QLatin1String("write")) {
        // An image that did not compile (or does not fit the memory) is never written.
        if (m_state != WorkerState::Writing &&
            (!m_programOk || m_memoryImage.size() > kMemorySize)) {
            refuseTransfer(LinkTransfer::Write, LinkTransfer::NotCompiled);
        } else if (m_state != WorkerState::Writing) {
            m_writeImage = m_memoryImage;
            beginWrite();
        }
    } else if (command == QLatin1String("read")) {
        if (m_state != WorkerState::Reading) {
            m_pendingType = PacketType::MemoryRead;
            m_memoryAddress = 0;
            m_readBuffer.clear();
            if (sendReadChunk()) {
                m_state = WorkerState::Reading;
                startTransfer(LinkTransfer::Read, kMemorySize);
            } else {
                m_pendingType = PacketType::None;
            }
        }
    }
    publish();
}

void internalWorker::mwChangeProg(const QJsonObject &document)
{
    const ImageBuilder::Result result = m_builder.buildImage(document);
    m_programList = document.value(QLatin1String("ProgData")).toArray();
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
    if (m_state == WorkerState::Ready && execute(proc, num, false)) {
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
    endTransfer(LinkTransfer::Interrupted);
    m_state = WorkerState::Disconnected;
    abandonHalt();
    // The user has chosen: a search still running would keep the link down until it ends.
    transport()->stopSearch();
    transport()->disconnectDevice();
    m_selectedDevice = deviceText;
    // Another controller answers at its own pace.
    m_replyTimer.reset();
    m_staleCount = 0;
    m_watchdog.stop();
    m_watchdog.setInterval(kWatchdogMs);
    m_watchdog.start();
}

void internalWorker::mwChangeName(const QString &name)
{
    // A rename sent now would take the place of the outstanding request and leave the transfer
    // or run waiting for an answer that is never evaluated.
    if ((m_state >= WorkerState::ManualCommand && m_state <= WorkerState::Reading) ||
        (m_pendingType != PacketType::None && m_pendingType != PacketType::Rename)) {
        qCDebug(lcLink) << "Change name refused while busy, state " << int(m_state);
        emit sigEndChangeName(false, QStringLiteral("Error change"));
        return;
    }
    reportRenameFailed();
    m_newDeviceName = name;
    m_renameRequested = true;
    m_pendingType = PacketType::Rename;
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
    if (m_state == WorkerState::Disconnected && m_resumeTicksLeft > 0 && --m_resumeTicksLeft == 0)
        endTransfer(LinkTransfer::LinkLost);
    if (m_state != WorkerState::Disconnected) {
        const bool running =
            (m_state >= WorkerState::Running && m_state <= WorkerState::Stepping) ||
            (m_runActive && m_state != WorkerState::Connected);
        reportRenameFailed();
        if (m_state == WorkerState::Writing && m_transferKind == LinkTransfer::Write)
            suspendWrite();
        else
            endTransfer(LinkTransfer::LinkLost);
        m_state = WorkerState::Disconnected;
        // A halt under way cannot reach the robot any more; it ends the run itself.
        const bool halting = m_halting;
        abandonHalt();
        transport()->disconnectDevice();
        if (running && !halting)
            emit sigRunEnded(false);
        m_runActive = false;
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
        qCDebug(lcLink) << "Succesful connect";
        if (m_resumeTicksLeft > 0) {
            // This frame answers nothing sent on the new link; the cut write starts after it.
            takeFrame(type, payload);
            qCDebug(lcLink) << "Resume write";
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
    if (m_pendingType != PacketType::None) {
        if (type == replyType(m_pendingType)) {
            if (isStaleReply(type, payload))
                return;
            const PacketType request = m_pendingType;
            m_missCount = 0;
            qCDebug(lcLink) << "Command succesfull executed " << type;
            noteReply(request);
            m_pendingType = PacketType::None;
            CommandSuccesfulExecute(wireType(request), payload);
            // Whatever was answered, a halt waiting for the controller to be free goes on.
            if (m_halting && m_pendingType == PacketType::None) {
                continueHalt();
                publish();
            }
            return;
        }
        if (!acknowledgedByState(payload)) {
            // Counted as before, but a resend waits until a reply could have arrived.
            if (++m_missCount >= kMissesBeforeResend && resendDue()) {
                m_missCount = 0;
                resend();
            }
            return;
        }
        // The controller reports the command done, so it got the packet; its reply is lost
        // or still on its way. The state packet is evaluated like any other.
        qCDebug(lcLink) << "Command done before its reply " << wireType(m_pendingType);
        m_missCount = 0;
        expectStaleReplies(replyType(m_pendingType), m_copiesSent, -1);
        m_pendingType = PacketType::None;
    } else if (isStaleReply(type, payload)) {
        return;
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
        reportTransfer(m_transferTotal);
        endTransfer(LinkTransfer::Done);
        // A halt that waited for this answer goes on with its own records (receivePacket).
        if (!m_halting)
            m_state = WorkerState::Ready;
        publish();
        break;
    case PacketType::Rename:
        m_renameRequested = false;
        emit sigEndChangeName(true, QStringLiteral("OK"));
        break;
    case PacketType::MemoryWrite: {
        if (payload.size() < kAddressSize) {
            m_pendingType = PacketType::MemoryWrite;
            sendWriteChunk();
            qCDebug(lcLink) << "Write answer error format";
            break;
        }
        const int address = answeredAddress(payload);
        qCDebug(lcLink) << "Write answer: " << address;
        if (address == m_memoryAddress) {
            m_memoryAddress += m_chunkSize;
            reportTransfer(m_memoryAddress);
        }
        m_pendingType = PacketType::MemoryWrite;
        if (!sendWriteChunk()) {
            m_pendingType = PacketType::None;
            m_state = WorkerState::Connected;
            endTransfer(LinkTransfer::Done);
            publish();
        }
        break;
    }
    case PacketType::MemoryRead: {
        if (payload.size() < kAddressSize) {
            qCDebug(lcLink) << "Read answer global error format";
            endTransfer(LinkTransfer::BadAnswer);
            break;
        }
        const int address = answeredAddress(payload);
        const int length = int(payload.size()) - kAddressSize;
        qCDebug(lcLink) << "Read answer: " << address << " len: " << length;
        if (address == m_memoryAddress && length == m_chunkSize) {
            m_memoryAddress += length;
            m_readBuffer.append(payload.mid(kAddressSize));
            reportTransfer(m_memoryAddress);
            m_pendingType = PacketType::MemoryRead;
            if (!sendReadChunk()) {
                m_pendingType = PacketType::None;
                m_state = WorkerState::Connected;
                const bool decoded = decompileProg(m_readBuffer);
                endTransfer(decoded ? LinkTransfer::Done : LinkTransfer::NoProgram);
                publish();
            }
        } else {
            m_pendingType = PacketType::MemoryRead;
            sendReadChunk();
            qCDebug(lcLink) << "Read answer error format. Reread.";
        }
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
    emit sigCurState(StateReport::text(m_actionFlags, m_mainPosition, m_currentProgram,
                                       m_currentPosition, runMarker(), m_controller));
}

StateReport::RunMarker internalWorker::runMarker() const
{
    if (m_state == WorkerState::Running || m_state == WorkerState::Stepping)
        return StateReport::Running;
    if ((m_state == WorkerState::Ready || m_state == WorkerState::ManualCommand) && m_runActive)
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
        m_state == WorkerState::Ready && !m_runActive)
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
    if (m_runPosition >= 0)
        emit sigCommandDone(m_runProgram, m_runPosition);

    if (status.testFlag(StatusBit::Called)) {
        const int target = m_builder.compiler().lastCallTarget();
        qCDebug(lcLink) << "Call subprogram " << target;
        m_stack.append({m_currentProgram, m_currentPosition, m_iterationValue});
        m_currentPosition = 0;
        m_iterationValue = 0;
        m_currentProgram = target;
        if (m_state == WorkerState::Running)
            runOnto(m_currentProgram, 0);
        else
            m_state = WorkerState::Ready;
        return;
    }
    if (status.testFlag(StatusBit::Returned)) {
        qCDebug(lcLink) << "Pop stack proc";
        if (m_stack.isEmpty()) {
            resetExecution();
            m_state = WorkerState::Ready;
            completed = true;
            return;
        }
        const Frame frame = m_stack.takeLast();
        m_currentProgram = frame.program;
        m_currentPosition = frame.position;
        m_iterationValue = frame.iteration;
    } else if (status.testFlag(StatusBit::CycleRepeats)) {
        qCDebug(lcLink) << "Pop stack cycle";
        if (m_stack.isEmpty()) {
            resetExecution();
            m_state = WorkerState::Ready;
            return;
        }
        m_currentProgram = m_stack.last().program;
        m_currentPosition = m_stack.last().position;
    } else if (status.testFlag(StatusBit::CycleEnded)) {
        qCDebug(lcLink) << "End cycle";
        if (m_stack.isEmpty()) {
            resetExecution();
            m_state = WorkerState::Ready;
            return;
        }
        m_iterationValue = m_stack.takeLast().iteration;
    }
    stepToNextCommand();
}

void internalWorker::stepToNextCommand()
{
    if (m_currentPosition + 1 >= commandCount(m_currentProgram)) {
        m_runPosition = -1;
        sendCommandRecord(CommandCompiler::returnRecord(), true);
        return;
    }
    ++m_currentPosition;
    if (m_currentProgram == 0)
        m_mainPosition = m_currentPosition;
    if (m_state == WorkerState::Running)
        runOnto(m_currentProgram, m_currentPosition);
    else
        m_state = WorkerState::Ready;
}

void internalWorker::runOnto(int program, int position)
{
    if (hasBreakpoint(program, position)) {
        // Ready, with the place and the call stack kept: "start" goes on from here.
        qCDebug(lcLink) << "Pause at breakpoint " << program << position;
        m_state = WorkerState::Ready;
        return;
    }
    if (!execute(program, position, true)) {
        // Nothing was sent, so nothing will report done: the run cannot go on.
        resetExecution();
        m_state = WorkerState::Ready;
    }
}

bool internalWorker::hasBreakpoint(int program, int position) const
{
    if (!m_pauseAtBreakpoints || position < 0 || position >= commandCount(program))
        return false;
    return Breakpoint::isSet(m_programList.at(program).toArray().at(position).toObject());
}

void internalWorker::beginHalt(WorkerState nextState)
{
    if (m_halting) {
        // Asked again on the way (the settings open during a stop): the lower state wins.
        m_haltNextState = std::min(m_haltNextState, nextState);
        return;
    }
    m_haltEndsRun =
        m_runActive || (m_state >= WorkerState::Running && m_state <= WorkerState::Stepping);
    resetExecution();
    m_halting = true;
    m_haltRecords = HaltRecords::build(m_programList);
    m_haltNextState = nextState;
    m_haltStarted = false;
    m_state = WorkerState::Stopping;
    qCDebug(lcLink) << "Halt the robot";
    continueHalt();
}

void internalWorker::continueHalt()
{
    // The controller takes one request at a time: a command in flight is answered first.
    if (!m_halting || m_pendingType != PacketType::None)
        return;
    if (m_haltRecords.isEmpty()) {
        m_state = m_haltNextState;
        finishHalt(true);
        return;
    }
    m_haltStarted = true;
    sendCommandRecord(m_haltRecords.takeFirst(), false);
}

void internalWorker::finishHalt(bool confirmed)
{
    m_halting = false;
    m_haltRecords.clear();
    m_haltStarted = false;
    qCDebug(lcLink) << (confirmed ? "Robot halted" : "Halt abandoned");
    if (std::exchange(m_haltEndsRun, false))
        emit sigRunEnded(false);
    emit sigHaltEnded(confirmed);
}

void internalWorker::abandonHalt()
{
    if (m_halting)
        finishHalt(false);
}

void internalWorker::dropToConnected()
{
    if (m_halting) {
        // The halt still goes out; it ends in Connected.
        m_haltNextState = WorkerState::Connected;
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
    if (std::exchange(m_resumeTicksLeft, 0) > 0)
        m_transferKind = LinkTransfer::None;
    m_pendingType = PacketType::MemoryWrite;
    m_memoryAddress = 0;
    if (sendWriteChunk()) {
        m_state = WorkerState::Writing;
        startTransfer(LinkTransfer::Write, int(m_writeImage.size()));
    } else {
        m_pendingType = PacketType::None;
    }
}

void internalWorker::suspendWrite()
{
    // Nothing will answer the chunk in flight; the write starts afresh when the link is back.
    m_pendingType = PacketType::None;
    m_resumeTicksLeft = kResumeWithinTicks;
    qCDebug(lcLink) << "Write waits for the link";
    emit sigTransferEnded(LinkTransfer::Write, LinkTransfer::WaitingForLink,
                          now() - m_transferStartedAt);
}

void internalWorker::startTransfer(int kind, int total)
{
    endTransfer(LinkTransfer::Interrupted);
    m_transferKind = kind;
    m_transferTotal = total;
    m_transferStartedAt = now();
    emit sigTransferProgress(kind, 0, total, 0);
}

void internalWorker::reportTransfer(int done)
{
    if (m_transferKind != LinkTransfer::None)
        emit sigTransferProgress(m_transferKind, std::min(done, m_transferTotal), m_transferTotal,
                                 now() - m_transferStartedAt);
}

void internalWorker::endTransfer(int outcome)
{
    m_resumeTicksLeft = 0;
    if (m_transferKind == LinkTransfer::None)
        return;
    const int kind = std::exchange(m_transferKind, int(LinkTransfer::None));
    qCDebug(lcLink) << "Transfer " << kind << " ended: " << outcome;
    emit sigTransferEnded(kind, outcome, now() - m_transferStartedAt);
}

void internalWorker::refuseTransfer(int kind, int outcome)
{
    qCDebug(lcLink) << "Transfer " << kind << " refused: " << outcome;
    emit sigTransferEnded(kind, outcome, 0);
}

bool internalWorker::execute(int program, int position, bool asStep)
{
    if (program < 0 || position < 0)
        return false;
    if (program > programCount() - 1) {
        qCDebug(lcLink) << "Too big proc number " << program;
        return false;
    }
    if (position >= commandCount(program)) {
        qCDebug(lcLink) << "Too big command number " << position;
        return false;
    }
    const QJsonObject command = m_programList.at(program).toArray().at(position).toObject();
    qCDebug(lcLink).noquote() << "Execute " << position << " json: "
                              << QString::fromUtf8(
                                     QJsonDocument(command).toJson(QJsonDocument::Compact));
    const CommandKinds::Kind *kind = CommandKinds::byName(command.value(QLatin1String("action"))
                                                              .toObject()
                                                              .value(QLatin1String("command"))
                                                              .toString());
    const CommandKinds::Encoding encoding = kind ? kind->encoding : CommandKinds::Encoding::Nop;
    CommandCompiler &compiler = m_builder.compiler();
    // Counted cycles are entered like endless ones: the controller reports their repeats and
    // their end the same way, so the run needs the same frame to come back to.
    if (encoding == CommandKinds::Encoding::StartCycle ||
        (asStep && encoding == CommandKinds::Encoding::StartCountedCycle)) {
        if (!asStep)
            return true;
        if (!compiler.compileCommand(command))
            return false;
        m_stack.append({m_currentProgram, m_currentPosition, m_iterationValue});
        m_iterationValue = 0;
        m_runProgram = program;
        m_runPosition = position;
        sendCommandRecord(compiler.lastRecord(), true);
        return true;
    }
    if (encoding == CommandKinds::Encoding::EndCycle && !asStep)
        return true;
    if (!compiler.compileCommand(command))
        return false;
    if (asStep) {
        m_runProgram = program;
        m_runPosition = position;
    }
    sendCommandRecord(compiler.lastRecord(), asStep);
    return true;
}

void internalWorker::sendCommandRecord(const QByteArray &record, bool asStep)
{
    m_sequenceCounter = m_sequenceCounter == 255 ? 1 : m_sequenceCounter + 1;
    m_commandPayload = QByteArray(1, char(m_sequenceCounter)) + record;
    m_controller.statusFlags &= ~StatusFlags(StatusBit::Done | StatusBit::Busy);
    const PacketType type = asStep ? PacketType::StepCommand : PacketType::ManualCommand;
    m_pendingType = type;
    qCDebug(lcLink).noquote() << "Send pkg" << wireType(type) << hexBytes(m_commandPayload);
    sendFresh(type, m_commandPayload);
}

void internalWorker::sendFresh(PacketType type, const QByteArray &payload)
{
    // Any other request takes the place of a rename that is still waiting for its answer.
    if (type != PacketType::Rename)
        reportRenameFailed();
    m_resendCount = 0;
    m_lastSentType = type;
    m_lastSentPayload = payload;
    m_copiesSent = 1;
    m_firstSentAt = m_lastSentAt = now();
    transport()->sendPacket(wireType(type), payload);
}

void internalWorker::resend()
{
    if (++m_resendCount > kMaxResends) {
        giveUp();
        return;
    }
    qCDebug(lcLink) << "Resend command " << wireType(m_lastSentType);
    ++m_copiesSent;
    m_lastSentAt = now();
    transport()->sendPacket(wireType(m_lastSentType), m_lastSentPayload);
}

bool internalWorker::resendDue() const
{
    qint64 timeout = m_replyTimer.timeoutMs(m_pendingType, m_resendCount);
    // The first chunk of a write would otherwise go out twice to a slow EEPROM: nothing has been
    // measured when its state packets start counting as misses.
    if (timeout == 0 && m_pendingType == PacketType::MemoryWrite)
        timeout = qint64(m_chunkSize) * kFirstWriteWaitMsPerByte;
    return now() - m_lastSentAt >= timeout;
}

bool internalWorker::isStaleReply(int type, const QByteArray &payload)
{
    const bool expected = m_staleCount > 0 && type == m_staleType && now() < m_staleUntil;
    bool stale = expected;
    // A memory answer names its chunk: one for a chunk that was already acknowledged is the late
    // answer to a resend, whatever was expected.
    if (m_pendingType != PacketType::None &&
        (type == replyType(PacketType::MemoryWrite) || type == replyType(PacketType::MemoryRead))) {
        stale = payload.size() >= kAddressSize && answeredAddress(payload) < m_memoryAddress;
    }
    if (!stale)
        return false;
    qCDebug(lcLink) << "Stale reply " << type;
    if (expected) {
        --m_staleCount;
        // The late answer proves that the first answer belonged to the first copy, so the time
        // up to it is a true reply time.
        if (m_staleSampleMs >= 0)
            m_replyTimer.addSample(requestOf(type), m_staleSampleMs);
        m_staleSampleMs = -1;
    }
    return true;
}

void internalWorker::noteReply(PacketType request)
{
    const qint64 t = now();
    if (m_copiesSent == 1) {
        m_replyTimer.addSample(request, t - m_lastSentAt);
        return;
    }
    // After a resend the answer may belong to any copy, so it is no reply time (Karn's rule);
    // it counts once a late answer shows that it belonged to the first copy. Only the very
    // first estimate has to guess: after one resend most likely an early one, answered for
    // the first copy; after several, losses, answered for the last.
    const qint64 fromFirst = t - m_firstSentAt;
    const bool bootstrap = !m_replyTimer.isMeasured(request);
    const bool guessFirst = bootstrap && m_copiesSent == 2;
    if (bootstrap)
        m_replyTimer.addSample(request, guessFirst ? fromFirst : t - m_lastSentAt);
    expectStaleReplies(replyType(request), m_copiesSent - 1, guessFirst ? -1 : fromFirst);
}

void internalWorker::expectStaleReplies(int type, int count, qint64 sampleMs)
{
    const qint64 perCopy = m_replyTimer.isMeasured(requestOf(type))
                               ? m_replyTimer.timeoutMs(requestOf(type))
                               : ReplyTimer::kMaxTimeoutMs;
    m_staleType = type;
    m_staleCount = count;
    m_staleUntil = now() + count * perCopy;
    m_staleSampleMs = sampleMs;
}

bool internalWorker::acknowledgedByState(const QByteArray &payload) const
{
    if ((m_pendingType != PacketType::ManualCommand && m_pendingType != PacketType::StepCommand) ||
        payload.size() < kStatePacketSize)
        return false;
    return ControllerState::statusOf(payload).testFlag(StatusBit::Done) && m_sequenceCounter != 0 &&
           quint8(payload[kSequenceOffset]) == m_sequenceCounter;
}

void internalWorker::dropPending()
{
    if (m_pendingType == PacketType::Rename)
        reportRenameFailed();
    if (m_pendingType == PacketType::Configuration || m_pendingType == PacketType::MemoryWrite ||
        m_pendingType == PacketType::MemoryRead)
        endTransfer(LinkTransfer::Interrupted);
    m_pendingType = PacketType::None;
}

void internalWorker::reportRenameFailed()
{
    if (!m_renameRequested)
        return;
    m_renameRequested = false;
    emit sigEndChangeName(false, QStringLiteral("Error change"));
}

void internalWorker::giveUp()
{
    qCDebug(lcLink) << "Give up command " << wireType(m_pendingType);
    const PacketType abandoned = m_pendingType;
    if (abandoned == PacketType::Rename)
        reportRenameFailed();
    m_pendingType = PacketType::None;
    m_resendCount = 0;
    if (abandoned == PacketType::Configuration || abandoned == PacketType::MemoryWrite ||
        abandoned == PacketType::MemoryRead)
        endTransfer(LinkTransfer::GaveUp);
    if (m_state == WorkerState::Writing || m_state == WorkerState::Reading) {
        m_state = WorkerState::Connected;
        publish();
    } else if (m_halting) {
        if (abandoned == PacketType::Configuration)
            m_haltNextState = WorkerState::Connected;
        // A halt record nobody answers: the link is gone for all practical purposes. An
        // abandoned command in flight, though, leaves the way free for the halt.
        if (m_haltStarted) {
            m_state = m_haltNextState;
            finishHalt(false);
        } else {
            continueHalt();
        }
        publish();
    } else if (m_state >= WorkerState::ManualCommand && m_state <= WorkerState::Stepping) {
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

bool internalWorker::sendWriteChunk()
{
    const int n = std::min(int(m_writeImage.size()) - m_memoryAddress, kMaxChunk);
    if (n < 1)
        return false;
    m_chunkSize = n;
    QByteArray payload;
    payload.append(char(m_memoryAddress & 0xFF));
    payload.append(char(m_memoryAddress >> 8));
    payload.append(char(n));
    payload.append(m_writeImage.mid(m_memoryAddress, n));
    qCDebug(lcLink).nospace() << "Send eemem: " << m_memoryAddress << " [" << n << "]";
    sendFresh(PacketType::MemoryWrite, payload);
    return true;
}

bool internalWorker::sendReadChunk()
{
    const int n = std::min(kMemorySize - m_memoryAddress, kMaxChunk);
    if (n < 1)
        return false;
    m_chunkSize = n;
    QByteArray payload;
    payload.append(char(m_memoryAddress & 0xFF));
    payload.append(char(m_memoryAddress >> 8));
    payload.append(char(n));
    qCDebug(lcLink).nospace() << "Receive eemem: " << m_memoryAddress << " [" << n << "]";
    sendFresh(PacketType::MemoryRead, payload);
    return true;
}

void internalWorker::resetExecution()
{
    m_runActive = false;
    m_stack.clear();
    m_currentProgram = 0;
    m_currentPosition = 0;
    m_iterationValue = 0;
    m_mainPosition = 0;
}
