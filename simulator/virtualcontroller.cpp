#include "virtualcontroller.h"

#include "commandkinds.h"
#include "conditioncodec.h"
#include "controllerstate.h"
#include "memoryimage.h"
#include "packetframe.h"
#include "simlog.h"

using namespace LinkProtocol;
using CommandKinds::Opcode;

namespace {
constexpr int kRecordHeader = 9;
// One frame in this many gets noise in front of it; one noise burst in this many holds a start
// byte. Rare enough that the link stays usable, as on a real radio link with interference.
constexpr int kNoiseFrames = 16;
constexpr int kFalseStartBursts = 4;
constexpr int kMaxNoiseBytes = 6;

// Milliseconds until a due time, one early: timers fire late rather than early, so the last
// fraction passes in zero-length turns of the event loop and modelled times hold to well under
// a millisecond.
int msBefore(qint64 dueNs, qint64 nowNs)
{
    return int(qMax<qint64>(0, (dueNs - nowNs) / 1000000 - 1));
}

// Garbage never contains a start byte, so it is skipped without eating the frame behind it.
QByteArray garbage(int size)
{
    QByteArray bytes(size, '\0');
    for (int i = 0; i < size; ++i)
        bytes[i] = char((i * 37 + 11) % 181);
    return bytes;
}
} // namespace

VirtualController::VirtualController(QObject *parent)
    : QObject(parent)
    , m_eeprom(kMemorySize, char(0xFF))
{
    m_clock.start();
    m_stateTimer.setInterval(kDefaultIntervalMs);
    connect(&m_stateTimer, &QTimer::timeout, this, &VirtualController::sendStatePacket);
    m_waitTimer.setSingleShot(true);
    connect(&m_waitTimer, &QTimer::timeout, this, &VirtualController::runInstructions);
    m_outputTimer.setSingleShot(true);
    m_outputTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_outputTimer, &QTimer::timeout, this, &VirtualController::flushDue);
    connect(&m_deframer.receiveTimer(), &QTimer::timeout, &m_deframer, &Deframer::reset);
    connect(&m_deframer, &Deframer::packetReceived, this, &VirtualController::receivePacket);
    m_serviceTimer.setSingleShot(true);
    m_serviceTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_serviceTimer, &QTimer::timeout, this, &VirtualController::finishService);
}

void VirtualController::setNoise(bool on, quint32 seed)
{
    m_noise = on;
    m_noiseSource.seed(seed);
}

void VirtualController::receiveBytes(const QByteArray &bytes)
{
    if (isSilent())
        return;
    m_deframer.feed(bytes);
}

void VirtualController::attach()
{
    m_attached = true;
    m_deframer.reset();
    m_requestQueue.clear();
    m_serving = false;
    m_serviceTimer.stop();
    m_outputQueue.clear();
    m_outputTimer.stop();
    stopWait();
    m_running = false;
    m_stack.clear();
    m_statusFlags = {};
    m_lastSequence = 0;
    if (!m_manualTime)
        m_stateTimer.start();
}

void VirtualController::detach()
{
    m_attached = false;
    m_stateTimer.stop();
    m_requestQueue.clear();
    m_serving = false;
    m_serviceTimer.stop();
    m_outputQueue.clear();
    m_outputTimer.stop();
}

void VirtualController::setStateInterval(int ms)
{
    m_stateTimer.setInterval(qMax(1, ms));
}

void VirtualController::goSilent(int ms)
{
    m_silentUntil = m_clock.elapsed() + qMax(0, ms);
    m_outputQueue.clear();
    m_outputTimer.stop();
}

bool VirtualController::isSilent() const
{
    return m_clock.elapsed() < m_silentUntil;
}

void VirtualController::setDigitalInput(int index, bool high)
{
    if (index >= 0 && index < int(m_digital.size()))
        m_digital[index] = high ? 1 : 0;
}

bool VirtualController::digitalInput(int index) const
{
    return index >= 0 && index < int(m_digital.size()) && m_digital[index];
}

void VirtualController::setAnalogInput(int index, int value)
{
    if (index >= 0 && index < int(m_analog.size()))
        m_analog[index] = quint8(qBound(0, value, 255));
}

int VirtualController::analogInput(int index) const
{
    return index >= 0 && index < int(m_analog.size()) ? m_analog[index] : 0;
}

void VirtualController::setEeprom(const QByteArray &contents)
{
    m_eeprom = contents.left(kMemorySize);
    if (m_eeprom.size() < kMemorySize)
        m_eeprom.append(QByteArray(kMemorySize - m_eeprom.size(), char(0xFF)));
}

void VirtualController::receivePacket(int type, const QByteArray &payload)
{
    ++m_requestCount;
    emit requestArrived(type);
    if (m_loseRequestEvery > 0 && m_requestCount % m_loseRequestEvery == 0) {
        ++m_lostRequests;
        qCDebug(lcSimulator) << "Losing request" << m_requestCount << "of type" << type;
        return;
    }
    // The controller's receive buffer holds what comes in while it is busy; it works through
    // it in arrival order, a resent duplicate included.
    m_requestQueue.append({type, payload});
    if (!m_serving)
        serveNext();
}

qint64 VirtualController::serviceNs(const Request &request) const
{
    switch (PacketType(request.type)) {
    case PacketType::Configuration:
    case PacketType::ManualCommand:
    case PacketType::StepCommand:
        return qint64(m_stepMs) * 1000000;
    case PacketType::MemoryWrite: {
        const int count =
            request.payload.size() >= kMemoryHeaderSize ? quint8(request.payload[2]) : 0;
        const bool valid =
            count >= 1 && count <= kMaxChunk && request.payload.size() == kMemoryHeaderSize + count;
        return valid ? qint64(m_msPerByte * count * 1e6) : 0;
    }
    default:
        return 0;
    }
}

void VirtualController::serveNext()
{
    while (!m_requestQueue.isEmpty()) {
        Request request = m_requestQueue.takeFirst();
        const qint64 ns = serviceNs(request);
        if (ns <= 0) {
            handlePacket(request.type, request.payload);
            continue;
        }
        m_serving = true;
        m_inService = std::move(request);
        m_serviceDueNs = m_clock.nsecsElapsed() + ns;
        m_serviceTimer.start(msBefore(m_serviceDueNs, m_clock.nsecsElapsed()));
        return;
    }
}

void VirtualController::finishService()
{
    const qint64 now = m_clock.nsecsElapsed();
    if (now < m_serviceDueNs) {
        m_serviceTimer.start(msBefore(m_serviceDueNs, now));
        return;
    }
    m_serving = false;
    const Request request = std::move(m_inService);
    m_inService = {};
    handlePacket(request.type, request.payload);
    if (!m_serving)
        serveNext();
}

void VirtualController::resetOutputs()
{
    m_outputs = {};
    emit outputsChanged();
}

void VirtualController::handlePacket(int type, const QByteArray &payload)
{
    switch (PacketType(type)) {
    case PacketType::Configuration:
        // A restart: the editor starts its runs afresh from here, and so does the controller.
        m_configuration = payload;
        stopWait();
        m_running = false;
        m_stack.clear();
        reply(type, {});
        break;
    case PacketType::ManualCommand:
    case PacketType::StepCommand:
        if (payload.isEmpty()) {
            qCDebug(lcSimulator) << "Empty command packet";
            return;
        }
        reply(type, {});
        startCommand(quint8(payload[0]), payload.mid(kSequenceSize),
                     PacketType(type) == PacketType::StepCommand);
        break;
    case PacketType::Rename: {
        QByteArray name = payload;
        const qsizetype end = name.indexOf('\0');
        if (end >= 0)
            name.truncate(end);
        m_deviceName = QString::fromUtf8(name);
        reply(type, {});
        break;
    }
    case PacketType::MemoryWrite:
        handleMemoryWrite(payload);
        break;
    case PacketType::MemoryRead:
        handleMemoryRead(payload);
        break;
    default:
        qCDebug(lcSimulator) << "Unknown request type" << type;
        return;
    }
    emit requestHandled(type);
}

void VirtualController::handleMemoryWrite(const QByteArray &payload)
{
    if (payload.size() < kMemoryHeaderSize) {
        qCDebug(lcSimulator) << "Memory write too short" << payload.size();
        return;
    }
    const int address = quint8(payload[0]) | (quint8(payload[1]) << 8);
    const int count = quint8(payload[2]);
    if (count < 1 || count > kMaxChunk || payload.size() != kMemoryHeaderSize + count ||
        address + count > kMemorySize) {
        qCDebug(lcSimulator) << "Bad memory write at" << address << "count" << count;
        return;
    }
    m_eeprom.replace(address, count, payload.mid(kMemoryHeaderSize));
    reply(wireType(PacketType::MemoryWrite), payload.left(kAddressSize));
}

void VirtualController::handleMemoryRead(const QByteArray &payload)
{
    if (payload.size() < kMemoryHeaderSize) {
        qCDebug(lcSimulator) << "Memory read too short" << payload.size();
        return;
    }
    const int address = quint8(payload[0]) | (quint8(payload[1]) << 8);
    const int count = quint8(payload[2]);
    if (count < 1 || count > kMaxChunk || address + count > kMemorySize) {
        qCDebug(lcSimulator) << "Bad memory read at" << address << "count" << count;
        return;
    }
    reply(wireType(PacketType::MemoryRead),
          payload.left(kAddressSize) + m_eeprom.mid(address, count));
}

void VirtualController::reply(int type, const QByteArray &payload)
{
    ++m_replyCount;
    if (m_dropEvery > 0 && m_replyCount % m_dropEvery == 0) {
        qCDebug(lcSimulator) << "Dropping reply" << m_replyCount;
        return;
    }
    QByteArray frame = PacketFrame::build(replyType(PacketType(type)), payload);
    if (m_corruptEvery > 0 && m_replyCount % m_corruptEvery == 0)
        frame[frame.size() - 1] = char(frame.at(frame.size() - 1) ^ 0xFF);
    if (m_garbagePrefix > 0)
        frame.prepend(garbage(m_garbagePrefix));
    if (m_floodEvery > 0 && m_replyCount % m_floodEvery == 0)
        frame.prepend(garbage(kFloodBytes));
    output(frame);
}

void VirtualController::sendStatePacket()
{
    if (isSilent())
        return;
    output(PacketFrame::build(
        wireType(PacketType::State),
        ControllerState::encode(m_statusFlags, m_lastSequence, m_digital, m_analog)));
}

QByteArray VirtualController::noise()
{
    if (!m_noise || m_noiseSource.bounded(kNoiseFrames) != 0)
        return {};
    QByteArray bytes(1 + m_noiseSource.bounded(kMaxNoiseBytes), '\0');
    for (char &byte : bytes)
        byte = char(m_noiseSource.bounded(256));
    if (m_noiseSource.bounded(kFalseStartBursts) == 0)
        bytes[m_noiseSource.bounded(int(bytes.size()))] = char(kStartByte);
    return bytes;
}

void VirtualController::output(const QByteArray &frame)
{
    if (isSilent() || !m_attached)
        return;
    const QByteArray bytes = noise() + frame;
    if (m_latencyMs <= 0 && m_outputQueue.isEmpty()) {
        emit bytesToSend(bytes);
        return;
    }
    m_outputQueue.append({m_clock.nsecsElapsed() + qint64(m_latencyMs) * 1000000, bytes});
    if (!m_outputTimer.isActive())
        scheduleOutput();
}

void VirtualController::scheduleOutput()
{
    m_outputTimer.start(msBefore(m_outputQueue.first().first, m_clock.nsecsElapsed()));
}

void VirtualController::flushDue()
{
    const qint64 now = m_clock.nsecsElapsed();
    while (!m_outputQueue.isEmpty() && m_outputQueue.first().first <= now)
        emit bytesToSend(m_outputQueue.takeFirst().second);
    if (!m_outputQueue.isEmpty())
        scheduleOutput();
}

void VirtualController::startCommand(quint8 sequence, const QByteArray &record, bool step)
{
    // A new command replaces one that is still waiting.
    stopWait();
    m_record = record;
    m_sequence = sequence;
    m_step = step;
    m_flowBits = {};
    m_running = true;
    m_statusFlags = StatusBit::Busy;
    if (record.size() < kRecordHeader + 1) {
        qCDebug(lcSimulator) << "Command record too short" << record.size();
        finishCommand();
        return;
    }
    if (quint8(record[0]) != ((record.size() - 1) & 0xFF))
        qCDebug(lcSimulator) << "Command record length byte" << quint8(record[0]) << "for"
                             << record.size() << "bytes";
    m_pc = kRecordHeader;
    if (!conditionsHold()) {
        const int opcode = byteAt(m_pc);
        // A cycle end whose conditions fail ends its cycle; any other command is skipped.
        if (m_step && (opcode == int(Opcode::EndCycle) || opcode == int(Opcode::EndCountedCycle)))
            endCycle(false);
        finishCommand();
        return;
    }
    runInstructions();
}

int VirtualController::byteAt(int index) const
{
    return index >= 0 && index < m_record.size() ? quint8(m_record[index]) : -1;
}

void VirtualController::runInstructions()
{
    while (m_running && m_pc < m_record.size()) {
        const int opcode = byteAt(m_pc);
        const std::optional<CommandKinds::Instruction> instruction =
            CommandKinds::instruction(opcode);
        if (!instruction) {
            qCDebug(lcSimulator) << "Unknown opcode" << opcode << "at" << m_pc;
            ++m_unknownInstructions;
            m_pc = int(m_record.size());
            continue;
        }
        // A wait goes on when its timer expires; what came before it (a drive, a picture) is
        // under way meanwhile.
        if (execute(instruction->opcode, instruction->operands) == Execution::Waits) {
            emit outputsChanged();
            return;
        }
    }
    emit outputsChanged();
    if (m_running)
        finishCommand();
}

VirtualController::Execution VirtualController::execute(Opcode opcode, int operands)
{
    int size = 1 + operands;
    // Whether the record holds all of the instruction's operands.
    const bool complete = m_pc + operands < m_record.size();
    const auto operand = [this](int index) { return byteAt(m_pc + index); };
    switch (opcode) {
    case Opcode::Nop:
        break;
    case Opcode::StartCycle:
    case Opcode::StartCountedCycle:
        if (m_step)
            m_stack.append({false, 0});
        break;
    case Opcode::EndCycle:
        if (m_step)
            endCycle(true);
        break;
    case Opcode::EndCountedCycle:
        if (complete && m_step)
            endCycle(innermostIterations() + 1 < operand(1));
        break;
    case Opcode::Call:
        if (m_step) {
            m_flowBits |= StatusBit::Called;
            m_stack.append({true, 0});
        }
        break;
    case Opcode::Wait: {
        if (!complete)
            break;
        const quint32 ms = quint32(operand(1)) | (quint32(operand(2)) << 8) |
                           (quint32(operand(3)) << 16) | (quint32(operand(4)) << 24);
        m_pc += size;
        startWait(ms);
        return Execution::Waits;
    }
    case Opcode::Return:
        if (m_step) {
            m_flowBits |= StatusBit::Returned;
            while (!m_stack.isEmpty()) {
                if (m_stack.takeLast().call)
                    break;
            }
        }
        break;
    case Opcode::LedOn:
    case Opcode::LedOff:
        if (complete)
            m_outputs.leds[operand(1)] = opcode == Opcode::LedOn;
        break;
    case Opcode::Servo:
        if (complete)
            m_outputs.servos[operand(1)] = operand(2);
        break;
    case Opcode::Note:
        if (complete) {
            m_outputs.note = operand(1);
            m_outputs.noteTenths = operand(2);
            ++m_outputs.notesPlayed;
        }
        break;
    case Opcode::Matrix:
        if (complete) {
            for (int row = 0; row < 8; ++row)
                m_outputs.matrix[row] = quint8(operand(1 + row));
        }
        break;
    case Opcode::MotorRun:
        if (complete) {
            m_outputs.motors[operand(1)] = qint8(quint8(operand(2)));
            m_outputs.motorStamps[operand(1)] = ++m_outputs.motorStamp;
        }
        break;
    case Opcode::MotorBrake:
    case Opcode::MotorCoast:
        if (complete) {
            m_outputs.motors[operand(1)] = 0;
            m_outputs.motorBrakes[operand(1)] = opcode == Opcode::MotorBrake;
            m_outputs.motorStamps[operand(1)] = ++m_outputs.motorStamp;
        }
        break;
    case Opcode::DriveCoast:
    case Opcode::DriveBrake:
        m_outputs.driveCommand = int(opcode);
        m_outputs.driveSpeed = 0;
        m_outputs.driveStamp = ++m_outputs.motorStamp;
        break;
    case Opcode::DriveLeft:
    case Opcode::DriveForward:
    case Opcode::DriveRight:
    case Opcode::DriveTurnLeft:
    case Opcode::DriveTurnRight:
    case Opcode::DriveBackRight:
    case Opcode::DriveBackward:
    case Opcode::DriveBackLeft:
        m_outputs.driveCommand = int(opcode);
        m_outputs.driveSpeed = operand(1) < 0 ? 0 : operand(1);
        m_outputs.driveStamp = ++m_outputs.motorStamp;
        break;
    case Opcode::Melody: {
        int end = m_pc + 2;
        while (end + 1 < m_record.size() && byteAt(end) != CommandKinds::kMelodyEnd)
            end += 2;
        m_outputs.melodyTempo = operand(1);
        m_outputs.melody = m_record.mid(m_pc + 2, end - m_pc - 2);
        ++m_outputs.melodiesPlayed;
        size = end + 2 - m_pc;
        break;
    }
    }
    if (m_pc + size > m_record.size())
        qCDebug(lcSimulator) << "Instruction" << int(opcode) << "runs past the record";
    m_pc += size;
    return Execution::GoesOn;
}

void VirtualController::endCycle(bool repeat)
{
    if (repeat && !m_stack.isEmpty() && !m_stack.last().call) {
        ++m_stack.last().iterations;
        m_flowBits |= StatusBit::CycleRepeats;
        return;
    }
    if (!m_stack.isEmpty() && !m_stack.last().call)
        m_stack.removeLast();
    m_flowBits |= StatusBit::CycleEnded;
}

void VirtualController::finishCommand()
{
    m_running = false;
    m_statusFlags = StatusBit::Done | m_flowBits;
    m_lastSequence = m_sequence;
}

int VirtualController::innermostIterations() const
{
    // Cycles of a calling program are not visible inside the called one.
    if (m_stack.isEmpty() || m_stack.last().call)
        return 0;
    return m_stack.last().iterations;
}

bool VirtualController::conditionsHold() const
{
    const bool first = slotHolds(1);
    const int second = byteAt(5);
    if ((second & 0x0F) == 0)
        return first;
    return (second & ConditionCodec::kAndFlag) ? first && slotHolds(5) : first || slotHolds(5);
}

bool VirtualController::slotHolds(int offset) const
{
    using ConditionCodec::Kind;
    const int kind = byteAt(offset) & ConditionCodec::kKindMask;
    const int pin = byteAt(offset + 1);
    const int level = byteAt(offset + 2);
    const int level2 = byteAt(offset + 3);
    const int value = pin < 128 ? (digitalInput(pin) ? 1 : 0) : analogInput(pin - 128);
    switch (Kind(kind)) {
    case Kind::Equals:
        return value == level;
    case Kind::Unequal:
        return value != level;
    case Kind::Greater:
        return value > level;
    case Kind::Smaller:
        return value < level;
    case Kind::Inside:
        return level < value && value < level2;
    case Kind::Outside:
        return !(level < value && value < level2);
    case Kind::DigitalLow:
        return value == 0;
    case Kind::DigitalHigh:
        return value != 0;
    case Kind::Counter:
        return innermostIterations() >= level;
    default:
        return true;
    }
}

void VirtualController::startWait(quint32 ms)
{
    if (m_manualTime)
        m_waitDueMs = m_manualMs + ms;
    else
        m_waitTimer.start(int(qMin<quint32>(ms, 0x7FFFFFFF)));
}

void VirtualController::stopWait()
{
    m_waitTimer.stop();
    m_waitDueMs = -1;
}

void VirtualController::setManualTime(bool manual)
{
    m_manualTime = manual;
    if (manual)
        m_stateTimer.stop();
    else if (m_attached)
        m_stateTimer.start();
}

void VirtualController::advanceTime(int ms)
{
    // Millisecond by millisecond, so that a wait ends and a state packet goes out when it is due.
    for (const qint64 until = m_manualMs + qMax(0, ms); m_manualMs < until;) {
        ++m_manualMs;
        if (m_waitDueMs >= 0 && m_manualMs >= m_waitDueMs) {
            m_waitDueMs = -1;
            runInstructions();
        }
        if (m_attached && m_manualMs >= m_nextStateMs) {
            m_nextStateMs = m_manualMs + m_stateTimer.interval();
            sendStatePacket();
        }
    }
}
