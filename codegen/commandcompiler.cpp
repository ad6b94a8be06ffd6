#include "commandcompiler.h"

#include "codegenlog.h"
#include "commandkinds.h"
#include "conditioncodec.h"
#include "programvalues.h"

#include <QtEndian>

#include <cmath>
#include <limits>

using namespace ProgramValues;

namespace {

// A record carries its length in one byte, and so does the frame that holds it in the image.
constexpr int kMaxRecordSize = 256;

using CommandKinds::Encoding;
using CommandKinds::Opcode;

// Truncation toward zero that cannot overflow: NaN reads as 0, huge values saturate far beyond any
// 32-bit millisecond count yet low enough that scaling them to milliseconds stays in range.
qint64 truncSaturated(double value)
{
    if (std::isnan(value))
        return 0;
    constexpr double limit = 1.0e15;
    if (value >= limit)
        return qint64(limit);
    if (value <= -limit)
        return -qint64(limit);
    return qint64(value);
}

// A 32-bit wait must not wrap around into a wait of weeks; out-of-range values saturate.
quint32 milliseconds(qint64 value)
{
    if (value < 0)
        return 0;
    if (value > std::numeric_limits<quint32>::max())
        return std::numeric_limits<quint32>::max();
    return quint32(value);
}

// A negative time has no meaning for the controller; it reads as no time at all.
float readTime(const QJsonValue &value)
{
    const double time = readDecimal(value);
    return time > 0 ? float(time) : 0.0f;
}

// Times are scaled in single precision, as programs for this controller have always been built,
// so a document gives the same bytes as before; the rounded forms add one half in double precision.
qint64 tenthsTruncated(float seconds)
{
    return truncSaturated(seconds * 10.0f);
}

qint64 tenthsRounded(float seconds)
{
    return truncSaturated(double(seconds * 10.0f) + 0.5);
}

class RecordWriter
{
public:
    void byte(int value) { m_bytes.append(char(quint8(value))); }
    void opcode(Opcode value) { byte(int(value)); }
    void word32(quint32 value)
    {
        char buffer[4];
        qToLittleEndian(value, buffer);
        m_bytes.append(buffer, 4);
    }
    void append(const QByteArray &bytes) { m_bytes.append(bytes); }
    QByteArray bytes() const { return m_bytes; }

private:
    QByteArray m_bytes;
};

quint8 noteByte(const QJsonObject &object)
{
    static const char *const names[] = {"c",  "c#", "d",  "d#", "e",  "f",
                                        "f#", "g",  "g#", "a",  "a#", "b"};
    const QString note = readText(object.value(QLatin1String("note"))).toLower();
    quint8 high = 0;
    for (int i = 0; i < int(std::size(names)); ++i) {
        if (note == QLatin1String(names[i])) {
            high = quint8((i + 1) << 4);
            break;
        }
    }
    return high | (readInt(object.value(QLatin1String("octave"))) & 0x0F);
}

// Fields stored as text before their editor first writes them read as empty lists.
QJsonArray readArray(const QJsonValue &value)
{
    return value.toArray();
}

} // namespace

void CommandCompiler::setPrograms(const QJsonArray &programs)
{
    m_programs = programs;
}

QJsonArray CommandCompiler::programs() const
{
    return m_programs;
}

void CommandCompiler::setServoPins(const QList<quint8> &pins)
{
    m_servoPins = pins;
}

QList<quint8> CommandCompiler::servoPins() const
{
    return m_servoPins;
}

void CommandCompiler::resetCycleDepth()
{
    m_cycleDepth = 0;
}

int CommandCompiler::cycleDepth() const
{
    return m_cycleDepth;
}

QByteArray CommandCompiler::lastRecord() const
{
    return m_lastRecord;
}

int CommandCompiler::lastCallTarget() const
{
    return m_lastCallTarget;
}

QByteArray CommandCompiler::returnRecord()
{
    static const char bytes[] = {0x09,       char(0x80), 0, 0, 0,
                                 char(0x80), 0,          0, 0, char(Opcode::Return)};
    return QByteArray(bytes, sizeof bytes);
}

bool CommandCompiler::compileCommand(const QJsonObject &command)
{
    const QJsonObject conditions = command.value(QLatin1String("conditions")).toObject();
    const QJsonObject action = command.value(QLatin1String("action")).toObject();
    const auto field = [&action](const char *key) { return action.value(QLatin1String(key)); };
    const CommandKinds::Kind *kind = CommandKinds::byName(readText(field("command")));

    bool success = true;
    RecordWriter out;
    out.append(ConditionCodec::encodeConditions(conditions));

    // A name that is no command compiles as a no-operation.
    switch (kind ? kind->encoding : Encoding::Nop) {
    case Encoding::Led:
        out.opcode(readInt(field("state")) != 0 ? Opcode::LedOn : Opcode::LedOff);
        out.byte(parsePinLabel(readText(field("pin"))));
        break;
    case Encoding::Servos: {
        const float time = readTime(field("time"));
        const int tenths = time > 25.5f ? 255 : int(tenthsTruncated(time));
        const QJsonArray servos = readArray(field("servos"));
        if (servos.isEmpty())
            out.opcode(Opcode::Nop);
        for (const QJsonValue &value : servos) {
            const QJsonObject servo = value.toObject();
            const quint8 pin = parsePinLabel(readText(servo.value(QLatin1String("pin"))));
            if (!m_servoPins.contains(pin))
                success = false;
            out.opcode(Opcode::Servo);
            out.byte(pin);
            out.byte(readInt(servo.value(QLatin1String("angle"))));
            out.byte(tenths);
        }
        if (readInt(field("timer")) != 0) {
            out.opcode(Opcode::Wait);
            out.word32(milliseconds(qint64(tenths) * 100));
        }
        break;
    }
    case Encoding::Pause: {
        const qint64 minutes =
            qint64(readInt(field("hour"))) * 60 + qint64(readInt(field("minute")));
        const qint64 tenths = minutes * 600 + tenthsRounded(readTime(field("second")));
        out.opcode(Opcode::Wait);
        out.word32(milliseconds(tenths * 100));
        break;
    }
    case Encoding::Drive:
        out.opcode(kind->opcode);
        out.byte(readInt(field("speed")));
        if (readInt(field("timer")) != 0) {
            out.opcode(Opcode::Wait);
            out.word32(milliseconds(tenthsRounded(readTime(field("time"))) * 100));
            out.opcode(readInt(field("brake")) != 0 ? Opcode::DriveBrake : Opcode::DriveCoast);
        }
        break;
    case Encoding::DriveStop:
        out.opcode(readInt(field("brake")) != 0 ? Opcode::DriveBrake : Opcode::DriveCoast);
        break;
    case Encoding::MotorRun: {
        const quint8 motor = parsePinLabel(readText(field("motor")));
        const int speed = readInt(field("speed"));
        out.opcode(Opcode::MotorRun);
        out.byte(motor);
        // Negated in one byte: the lowest integer has no positive counterpart in an int.
        const quint8 speedByte = quint8(speed);
        out.byte(readInt(field("side")) != 0 ? quint8(0u - speedByte) : speedByte);
        if (readInt(field("timer")) != 0) {
            out.opcode(Opcode::Wait);
            out.word32(milliseconds(truncSaturated(readTime(field("time")) * 1000.0f)));
            out.opcode(readInt(field("brake")) != 0 ? Opcode::MotorBrake : Opcode::MotorCoast);
            out.byte(motor);
        }
        break;
    }
    case Encoding::MotorStop:
        out.opcode(readInt(field("brake")) != 0 ? Opcode::MotorBrake : Opcode::MotorCoast);
        out.byte(parsePinLabel(readText(field("motor"))));
        break;
    case Encoding::Matrix: {
        const QJsonArray cells = readArray(field("pict"));
        out.opcode(Opcode::Matrix);
        for (int row = 0; row < 8; ++row) {
            quint8 bits = 0;
            for (int column = 0; column < 8; ++column) {
                if (readInt(cells.at(row * 8 + column)) == 1)
                    bits |= quint8(0x80 >> column);
            }
            out.byte(bits);
        }
        break;
    }
    case Encoding::StartCycle:
        out.opcode(Opcode::StartCycle);
        // A cycle end met before its start keeps the depth negative, so the balance check sees it.
        if (m_cycleDepth >= 0)
            ++m_cycleDepth;
        break;
    case Encoding::EndCycle:
        out.opcode(Opcode::EndCycle);
        --m_cycleDepth;
        break;
    case Encoding::StartCountedCycle:
    case Encoding::EndCountedCycle:
        out.opcode(kind->opcode);
        out.byte(readInt(field("counter")));
        break;
    case Encoding::Return:
        out.opcode(Opcode::Return);
        break;
    case Encoding::Sound:
        out.opcode(Opcode::Note);
        out.byte(noteByte(action));
        out.byte(int(tenthsTruncated(readTime(field("time")))));
        break;
    case Encoding::Call: {
        const int proc = readInt(field("proc"));
        // The operand is one byte: a number it cannot hold would call another subprogram.
        const int subprograms = std::min<int>(m_programs.size() - 1, 255);
        const bool exists = proc >= 1 && proc <= subprograms;
        m_lastCallTarget = exists ? proc : 0;
        if (!exists)
            success = false;
        out.opcode(Opcode::Call);
        out.byte(proc);
        break;
    }
    case Encoding::Melody:
        out.opcode(Opcode::Melody);
        out.byte(readInt(field("tempo")));
        for (const QJsonValue &value : readArray(field("sounds"))) {
            const QJsonObject sound = value.toObject();
            out.byte(noteByte(sound));
            out.byte(readInt(sound.value(QLatin1String("length"))));
        }
        out.byte(CommandKinds::kMelodyEnd);
        out.byte(0x00);
        break;
    case Encoding::Nop:
        out.opcode(Opcode::Nop);
        break;
    }

    const QByteArray body = out.bytes();
    if (body.size() >= kMaxRecordSize) {
        qCDebug(lcCodegen) << "Command too long";
        success = false;
    }
    m_lastRecord = char(quint8(body.size())) + body;
    return success;
}
