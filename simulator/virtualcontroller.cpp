#include "virtualcontroller.h"

#include "controllerstate.h"
#include "memoryimage.h"
#include "packetframe.h"
#include "simlog.h"

namespace {
constexpr int kRecordHeader = 9;
constexpr int kMaxChunk = 64;
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
    m_statusFlags = 0;
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
    switch (request.type) {
    case 0x01:
    case 0x02:
    case 0x03:
        return qint64(m_stepMs) * 1000000;
    case 0x10: {
        const int count = request.payload.size() >= 3 ? quint8(request.payload[2]) : 0;
        const bool valid = count >= 1 && count <= kMaxChunk && request.payload.size() == 3 + count;
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
    switch (type) {
    case 0x01:
        // A restart: the editor starts its runs afresh from here, and so does the controller.
        m_configuration = payload;
        stopWait();
        m_running = false;
        m_stack.clear();
        reply(type, {});
        break;
    case 0x02:
    case 0x03:
        if (payload.isEmpty()) {
            qCDebug(lcSimulator) << "Empty command packet";
            return;
        }
        reply(type, {});
        startCommand(quint8(payload[0]), payload.mid(1), type == 0x03);
        break;
    case 0x07: {
        QByteArray name = payload;
        const qsizetype end = name.indexOf('\0');
        if (end >= 0)
            name.truncate(end);
        m_deviceName = QString::fromUtf8(name);
        reply(type, {});
        break;
    }
    case 0x10:
        handleMemoryWrite(payload);
        break;
    case 0x11:
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
    if (payload.size() < 3) {
        qCDebug(lcSimulator) << "Memory write too short" << payload.size();
        return;
    }
    const int address = quint8(payload[0]) | (quint8(payload[1]) << 8);
    const int count = quint8(payload[2]);
    if (count < 1 || count > kMaxChunk || payload.size() != 3 + count ||
        address + count > kMemorySize) {
        qCDebug(lcSimulator) << "Bad memory write at" << address << "count" << count;
        return;
    }
    m_eeprom.replace(address, count, payload.mid(3));
    reply(0x10, payload.left(2));
}

void VirtualController::handleMemoryRead(const QByteArray &payload)
{
    if (payload.size() < 3) {
        qCDebug(lcSimulator) << "Memory read too short" << payload.size();
        return;
    }
    const int address = quint8(payload[0]) | (quint8(payload[1]) << 8);
    const int count = quint8(payload[2]);
    if (count < 1 || count > kMaxChunk || address + count > kMemorySize) {
        qCDebug(lcSimulator) << "Bad memory read at" << address << "count" << count;
        return;
    }
    reply(0x11, payload.left(2) + m_eeprom.mid(address, count));
}

void VirtualController::reply(int type, const QByteArray &payload)
{
    ++m_replyCount;
    if (m_dropEvery > 0 && m_replyCount % m_dropEvery == 0) {
        qCDebug(lcSimulator) << "Dropping reply" << m_replyCount;
        return;
    }
    QByteArray frame = PacketFrame::build(type | 0x80, payload);
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
        0x20, ControllerState::encode(m_statusFlags, m_lastSequence, m_digital, m_analog)));
}

QByteArray VirtualController::noise()
{
    if (!m_noise || m_noiseSource.bounded(kNoiseFrames) != 0)
        return {};
    QByteArray bytes(1 + m_noiseSource.bounded(kMaxNoiseBytes), '\0');
    for (char &byte : bytes)
        byte = char(m_noiseSource.bounded(256));
    if (m_noiseSource.bounded(kFalseStartBursts) == 0)
        bytes[m_noiseSource.bounded(int(bytes.size()))] = char(PacketFrame::kStartByte);
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
    m_flowBits = 0;
    m_running = true;
    m_statusFlags = ControllerState::kBusy;
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
        if (m_step && (opcode == 0x02 || opcode == 0x04))
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
        int size = 1;
        const auto need = [this](int operands) { return m_pc + operands < m_record.size(); };
        switch (opcode) {
        case 0x00:
            break;
        case 0x01:
            if (m_step)
                m_stack.append({false, 0});
            break;
        case 0x02:
            if (m_step)
                endCycle(true);
            break;
        case 0x03:
            size = 2;
            if (m_step)
                m_stack.append({false, 0});
            break;
        case 0x04: {
            size = 2;
            if (!need(1))
                break;
            if (m_step) {
                const int count = byteAt(m_pc + 1);
                endCycle(innermostIterations() + 1 < count);
            }
            break;
        }
        case 0x05:
            size = 2;
            if (m_step) {
                m_flowBits |= ControllerState::kCalled;
                m_stack.append({true, 0});
            }
            break;
        case 0x06: {
            size = 5;
            if (!need(4))
                break;
            const quint32 ms = quint32(byteAt(m_pc + 1)) | (quint32(byteAt(m_pc + 2)) << 8) |
                               (quint32(byteAt(m_pc + 3)) << 16) |
                               (quint32(byteAt(m_pc + 4)) << 24);
            m_pc += size;
            startWait(ms);
            return;
        }
        case 0x07:
            if (m_step) {
                m_flowBits |= ControllerState::kReturned;
                while (!m_stack.isEmpty()) {
                    if (m_stack.takeLast().call)
                        break;
                }
            }
            break;
        case 0x10:
        case 0x11:
            size = 2;
            if (need(1))
                m_outputs.leds[byteAt(m_pc + 1)] = opcode == 0x10;
            break;
        case 0x13:
            size = 4;
            if (need(3))
                m_outputs.servos[byteAt(m_pc + 1)] = byteAt(m_pc + 2);
            break;
        case 0x14:
            size = 3;
            if (need(2)) {
                m_outputs.note = byteAt(m_pc + 1);
                m_outputs.noteTenths = byteAt(m_pc + 2);
                ++m_outputs.notesPlayed;
            }
            break;
        case 0x15:
            size = 9;
            if (need(8)) {
                for (int row = 0; row < 8; ++row)
                    m_outputs.matrix[row] = quint8(byteAt(m_pc + 1 + row));
            }
            break;
        case 0x16:
            size = 3;
            if (need(2)) {
                m_outputs.motors[byteAt(m_pc + 1)] = qint8(quint8(byteAt(m_pc + 2)));
                m_outputs.motorStamps[byteAt(m_pc + 1)] = ++m_outputs.motorStamp;
            }
            break;
        case 0x17:
        case 0x18:
            size = 2;
            if (need(1)) {
                m_outputs.motors[byteAt(m_pc + 1)] = 0;
                m_outputs.motorBrakes[byteAt(m_pc + 1)] = opcode == 0x17;
                m_outputs.motorStamps[byteAt(m_pc + 1)] = ++m_outputs.motorStamp;
            }
            break;
        case 0x20:
        case 0x21:
            m_outputs.driveCommand = opcode;
            m_outputs.driveSpeed = 0;
            m_outputs.driveStamp = ++m_outputs.motorStamp;
            break;
        case 0x2A: {
            int end = m_pc + 2;
            while (end + 1 < m_record.size() && byteAt(end) != 0xFF)
                end += 2;
            m_outputs.melodyTempo = byteAt(m_pc + 1);
            m_outputs.melody = m_record.mid(m_pc + 2, end - m_pc - 2);
            ++m_outputs.melodiesPlayed;
            size = end + 2 - m_pc;
            break;
        }
        default:
            if (opcode >= 0x22 && opcode <= 0x29) {
                size = 2;
                m_outputs.driveCommand = opcode;
                m_outputs.driveSpeed = byteAt(m_pc + 1) < 0 ? 0 : byteAt(m_pc + 1);
                m_outputs.driveStamp = ++m_outputs.motorStamp;
                break;
            }
            qCDebug(lcSimulator) << "Unknown opcode" << opcode << "at" << m_pc;
            m_pc = int(m_record.size());
            continue;
        }
        if (m_pc + size > m_record.size())
            qCDebug(lcSimulator) << "Instruction" << opcode << "runs past the record";
        m_pc += size;
    }
    emit outputsChanged();
    if (m_running)
        finishCommand();
}

void VirtualController::endCycle(bool repeat)
{
    if (repeat && !m_stack.isEmpty() && !m_stack.last().call) {
        ++m_stack.last().iterations;
        m_flowBits |= ControllerState::kCycleRepeats;
        return;
    }
    if (!m_stack.isEmpty() && !m_stack.last().call)
        m_stack.removeLast();
    m_flowBits |= ControllerState::kCycleEnded;
}

void VirtualController::finishCommand()
{
    m_running = false;
    m_statusFlags = ControllerState::kDone | m_flowBits;
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
    return (second & 0x80) ? first && slotHolds(5) : first || slotHolds(5);
}

bool VirtualController::slotHolds(int offset) const
{
    const int kind = byteAt(offset) & 0x7F;
    const int pin = byteAt(offset + 1);
    const int level = byteAt(offset + 2);
    const int level2 = byteAt(offset + 3);
    const int value = pin < 128 ? (digitalInput(pin) ? 1 : 0) : analogInput(pin - 128);
    switch (kind) {
    case 1:
        return value == level;
    case 2:
        return value != level;
    case 3:
        return value > level;
    case 4:
        return value < level;
    case 5:
        return level < value && value < level2;
    case 6:
        return !(level < value && value < level2);
    case 7:
        return value == 0;
    case 8:
        return value != 0;
    case 9:
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
