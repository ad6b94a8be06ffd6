#include "commandcompiler.h"

#include "codegenlog.h"
#include "conditioncodec.h"
#include "programvalues.h"

#include <QHash>
#include <QtEndian>

#include <cmath>
#include <limits>

using namespace ProgramValues;

namespace {

// A record carries its length in one byte, and so does the frame that holds it in the image.
constexpr int kMaxRecordSize = 256;

enum Opcode : quint8
{
    Nop = 0x00,
    StartCycle = 0x01,
    EndCycle = 0x02,
    StartCountedCycle = 0x03,
    EndCountedCycle = 0x04,
    Call = 0x05,
    Wait = 0x06,
    Return = 0x07,
    LedOn = 0x10,
    LedOff = 0x11,
    Servo = 0x13,
    Note = 0x14,
    Matrix = 0x15,
    MotorRun = 0x16,
    MotorBrake = 0x17,
    MotorCoast = 0x18,
    DriveCoast = 0x20,
    DriveBrake = 0x21,
    Melody = 0x2A,
};

const QHash<QString, quint8> &driveOpcodes()
{
    static const QHash<QString, quint8> opcodes = {
        {QStringLiteral("m_left"), 0x22},      {QStringLiteral("m_fwd"), 0x23},
        {QStringLiteral("m_right"), 0x24},     {QStringLiteral("m_turnleft"), 0x25},
        {QStringLiteral("m_turnright"), 0x26}, {QStringLiteral("m_bckright"), 0x27},
        {QStringLiteral("m_backward"), 0x28},  {QStringLiteral("m_bckleft"), 0x29},
    };
    return opcodes;
}

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
    static const char bytes[] = {0x09, char(0x80), 0, 0, 0, char(0x80), 0, 0, 0, 0x07};
    return QByteArray(bytes, sizeof bytes);
}

bool CommandCompiler::compileCommand(const QJsonObject &command)
{
    const QJsonObject conditions = command.value(QLatin1String("conditions")).toObject();
    const QJsonObject action = command.value(QLatin1String("action")).toObject();
    const auto field = [&action](const char *key) { return action.value(QLatin1String(key)); };
    const QString name = readText(field("command")).toLower();

    bool success = true;
    RecordWriter out;
    out.append(ConditionCodec::encodeConditions(conditions));

    if (name == QLatin1String("msetleds")) {
        out.byte(readInt(field("state")) != 0 ? LedOn : LedOff);
        out.byte(parsePinLabel(readText(field("pin"))));
    } else if (name == QLatin1String("mservowork")) {
        const float time = readTime(field("time"));
        const int tenths = time > 25.5f ? 255 : int(tenthsTruncated(time));
        const QJsonArray servos = readArray(field("servos"));
        if (servos.isEmpty())
            out.byte(Nop);
        for (const QJsonValue &value : servos) {
            const QJsonObject servo = value.toObject();
            const quint8 pin = parsePinLabel(readText(servo.value(QLatin1String("pin"))));
            if (!m_servoPins.contains(pin))
                success = false;
            out.byte(Servo);
            out.byte(pin);
            out.byte(readInt(servo.value(QLatin1String("angle"))));
            out.byte(tenths);
        }
        if (readInt(field("timer")) != 0) {
            out.byte(Wait);
            out.word32(milliseconds(qint64(tenths) * 100));
        }
    } else if (name == QLatin1String("mpause")) {
        const qint64 minutes =
            qint64(readInt(field("hour"))) * 60 + qint64(readInt(field("minute")));
        const qint64 tenths = minutes * 600 + tenthsRounded(readTime(field("second")));
        out.byte(Wait);
        out.word32(milliseconds(tenths * 100));
    } else if (driveOpcodes().contains(name)) {
        out.byte(driveOpcodes().value(name));
        out.byte(readInt(field("speed")));
        if (readInt(field("timer")) != 0) {
            out.byte(Wait);
            out.word32(milliseconds(tenthsRounded(readTime(field("time"))) * 100));
            out.byte(readInt(field("brake")) != 0 ? DriveBrake : DriveCoast);
        }
    } else if (name == QLatin1String("m_stop")) {
        out.byte(readInt(field("brake")) != 0 ? DriveBrake : DriveCoast);
    } else if (name == QLatin1String("mrall")) {
        const quint8 motor = parsePinLabel(readText(field("motor")));
        const int speed = readInt(field("speed"));
        out.byte(MotorRun);
        out.byte(motor);
        // Negated in one byte: the lowest integer has no positive counterpart in an int.
        const quint8 speedByte = quint8(speed);
        out.byte(readInt(field("side")) != 0 ? quint8(0u - speedByte) : speedByte);
        if (readInt(field("timer")) != 0) {
            out.byte(Wait);
            out.word32(milliseconds(truncSaturated(readTime(field("time")) * 1000.0f)));
            out.byte(readInt(field("brake")) != 0 ? MotorBrake : MotorCoast);
            out.byte(motor);
        }
    } else if (name == QLatin1String("mrstop") || name == QLatin1String("mr1stop")) {
        out.byte(readInt(field("brake")) != 0 ? MotorBrake : MotorCoast);
        out.byte(parsePinLabel(readText(field("motor"))));
    } else if (name == QLatin1String("mmatrix")) {
        const QJsonArray cells = readArray(field("pict"));
        out.byte(Matrix);
        for (int row = 0; row < 8; ++row) {
            quint8 bits = 0;
            for (int column = 0; column < 8; ++column) {
                if (readInt(cells.at(row * 8 + column)) == 1)
                    bits |= quint8(0x80 >> column);
            }
            out.byte(bits);
        }
    } else if (name == QLatin1String("mstartcycle")) {
        out.byte(StartCycle);
        // A cycle end met before its start keeps the depth negative, so the balance check sees it.
        if (m_cycleDepth >= 0)
            ++m_cycleDepth;
    } else if (name == QLatin1String("mendcycle")) {
        out.byte(EndCycle);
        --m_cycleDepth;
    } else if (name == QLatin1String("mvirtualstartcycle")) {
        out.byte(StartCountedCycle);
        out.byte(readInt(field("counter")));
    } else if (name == QLatin1String("mvirtualendcycle")) {
        out.byte(EndCountedCycle);
        out.byte(readInt(field("counter")));
    } else if (name == QLatin1String("return")) {
        out.byte(Return);
    } else if (name == QLatin1String("msound")) {
        out.byte(Note);
        out.byte(noteByte(action));
        out.byte(int(tenthsTruncated(readTime(field("time")))));
    } else if (name == QLatin1String("call")) {
        const int proc = readInt(field("proc"));
        // The operand is one byte: a number it cannot hold would call another subprogram.
        const int subprograms = std::min<int>(m_programs.size() - 1, 255);
        const bool exists = proc >= 1 && proc <= subprograms;
        m_lastCallTarget = exists ? proc : 0;
        if (!exists)
            success = false;
        out.byte(Call);
        out.byte(proc);
    } else if (name == QLatin1String("mmusic")) {
        out.byte(Melody);
        out.byte(readInt(field("tempo")));
        for (const QJsonValue &value : readArray(field("sounds"))) {
            const QJsonObject sound = value.toObject();
            out.byte(noteByte(sound));
            out.byte(readInt(sound.value(QLatin1String("length"))));
        }
        out.byte(0xFF);
        out.byte(0x00);
    } else {
        out.byte(Nop);
    }

    const QByteArray body = out.bytes();
    if (body.size() >= kMaxRecordSize) {
        qCDebug(lcCodegen) << "Command too long";
        success = false;
    }
    m_lastRecord = char(quint8(body.size())) + body;
    return success;
}
