#include "decompiler.h"

#include "codegenlog.h"
#include "conditioncodec.h"
#include "programvalues.h"

#include <QJsonArray>

using namespace ProgramValues;

namespace Decompiler {

namespace {

// Reads a record as the controller would: bytes beyond its end read as 0.
class RecordReader
{
public:
    explicit RecordReader(const QByteArray &record)
        : m_record(record)
    {}
    int size() const { return int(m_record.size()); }
    quint8 byte(int index) const
    {
        return index >= 0 && index < m_record.size() ? quint8(m_record.at(index)) : 0;
    }
    quint32 word32(int index) const
    {
        return quint32(byte(index)) | quint32(byte(index + 1)) << 8 |
               quint32(byte(index + 2)) << 16 | quint32(byte(index + 3)) << 24;
    }

private:
    const QByteArray &m_record;
};

// Tenths of a second as text with exactly one decimal, without going through floating point.
QString tenthsText(quint32 tenths)
{
    return QStringLiteral("%1.%2").arg(tenths / 10).arg(tenths % 10);
}

// A wait in milliseconds to the nearest tenth of a second. The compiler scales a motor's time in
// single precision, so 64.7 s may arrive as 64699 ms: cutting it off would lose a tenth on every
// read and write back.
quint32 nearestTenths(quint32 ms)
{
    return quint32((quint64(ms) + 50) / 100);
}

QString noteName(int number)
{
    static const char *const names[] = {"0",  "C", "C#", "D", "D#", "E", "F",
                                        "F#", "G", "G#", "A", "A#", "B"};
    return number < int(std::size(names)) ? QString::fromLatin1(names[number])
                                          : QStringLiteral("n");
}

QString driveName(quint8 opcode)
{
    static const char *const names[] = {"m_left",      "m_fwd",      "m_right",    "m_turnleft",
                                        "m_turnright", "m_bckright", "m_backward", "m_bckleft"};
    return QString::fromLatin1(names[opcode - 0x22]);
}

int decodeServos(const RecordReader &in, quint8 opcode, QJsonObject &action)
{
    const int size = in.size();
    int i = 10;
    int time = 0;
    int nextOpcode = -1;
    QJsonArray servos;
    if (opcode == 0x13) {
        for (;;) {
            servos.append(QJsonObject{{QStringLiteral("pin"), pinLabel(in.byte(i))},
                                      {QStringLiteral("angle"), in.byte(i + 1)}});
            time = in.byte(i + 2);
            if (i + 3 >= size) {
                i += 3;
                nextOpcode = -1;
                break;
            }
            nextOpcode = in.byte(i + 3);
            i += 4;
            if (nextOpcode != 0x13)
                break;
        }
    }
    action.insert(QStringLiteral("command"), QStringLiteral("mServowork"));
    action.insert(QStringLiteral("servos"), servos);
    quint32 tenths = quint32(time);
    if (i < size) {
        if (nextOpcode == 0x06) {
            action.insert(QStringLiteral("timer"), 1);
            tenths = nearestTenths(in.word32(i));
            i += 4;
        } else {
            action.insert(QStringLiteral("timer"), 0);
        }
    }
    action.insert(QStringLiteral("time"), tenthsText(tenths));
    return i;
}

int decodeMelody(const RecordReader &in, QJsonObject &action)
{
    action.insert(QStringLiteral("command"), QStringLiteral("mMusic"));
    action.insert(QStringLiteral("tempo"), in.byte(10));
    QJsonArray sounds;
    int i = 11;
    int end = i;
    for (;;) {
        if (i >= in.size()) {
            qCDebug(lcCodegen) << "Unclosed music command";
            end = i;
            break;
        }
        const quint8 note = in.byte(i);
        const quint8 length = in.byte(i + 1);
        end = i + 2;
        if (note == 0xFF)
            break;
        sounds.append(QJsonObject{{QStringLiteral("note"), noteName(note >> 4)},
                                  {QStringLiteral("octave"), note & 0x0F},
                                  {QStringLiteral("length"), length}});
        i = end;
        if (length == 0)
            break;
    }
    action.insert(QStringLiteral("sounds"), sounds);
    return end;
}

// A timed motor run is followed by a wait and a stop (the stop of a single motor names the motor
// again, so its tail is one byte longer); an untimed one ends right before waitAt.
int decodeTimedTail(const RecordReader &in, int waitAt, int tailLength, quint8 brakeOpcode,
                    QJsonObject &action)
{
    if (in.size() > waitAt && in.byte(waitAt) == 0x06) {
        action.insert(QStringLiteral("timer"), 1);
        action.insert(QStringLiteral("time"), tenthsText(nearestTenths(in.word32(waitAt + 1))));
        action.insert(QStringLiteral("brake"), in.byte(waitAt + 5) == brakeOpcode ? 1 : 0);
        return waitAt + tailLength;
    }
    action.insert(QStringLiteral("brake"), 0);
    action.insert(QStringLiteral("timer"), 0);
    return waitAt;
}

} // namespace

QJsonObject decompileCommand(const QByteArray &record)
{
    const RecordReader in(record);
    const int size = in.size();
    QJsonObject command;
    if (in.byte(0) + 1 != size)
        command.insert(QStringLiteral("Error"), QStringLiteral("Length"));
    command.insert(QStringLiteral("conditions"),
                   ConditionCodec::decodeConditions(record.mid(1, 8)));

    const quint8 opcode = in.byte(9);
    qCDebug(lcCodegen) << "CMD:" << int(opcode);

    QJsonObject action;
    int end = 10;
    switch (opcode) {
    case 0x00:
    case 0x13:
        end = decodeServos(in, opcode, action);
        break;
    case 0x01:
        action.insert(QStringLiteral("command"), QStringLiteral("mStartCycle"));
        break;
    case 0x02:
        action.insert(QStringLiteral("command"), QStringLiteral("mEndCycle"));
        break;
    case 0x03:
    case 0x04:
        action.insert(QStringLiteral("command"), opcode == 0x03
                                                     ? QStringLiteral("mvirtualstartcycle")
                                                     : QStringLiteral("mvirtualendcycle"));
        action.insert(QStringLiteral("counter"), in.byte(10));
        end = 11;
        break;
    case 0x05:
        action.insert(QStringLiteral("command"), QStringLiteral("call"));
        action.insert(QStringLiteral("proc"), in.byte(10));
        end = 11;
        break;
    case 0x06: {
        const quint32 ms = in.word32(10);
        const quint32 hour = ms / 3600000;
        action.insert(QStringLiteral("command"), QStringLiteral("mPause"));
        action.insert(QStringLiteral("hour"), qint64(hour));
        action.insert(QStringLiteral("minute"), qint64(ms / 60000 - hour * 60));
        action.insert(QStringLiteral("second"), tenthsText(ms / 100 - (ms / 60000) * 600));
        end = 14;
        break;
    }
    case 0x07:
        return QJsonObject();
    case 0x10:
    case 0x11:
        action.insert(QStringLiteral("command"), QStringLiteral("mSetleds"));
        action.insert(QStringLiteral("state"), opcode == 0x10 ? 1 : 0);
        action.insert(QStringLiteral("pin"), pinLabel(in.byte(10)));
        end = 11;
        break;
    case 0x14:
        action.insert(QStringLiteral("command"), QStringLiteral("mSound"));
        action.insert(QStringLiteral("note"), noteName(in.byte(10) >> 4));
        action.insert(QStringLiteral("octave"), in.byte(10) & 0x0F);
        action.insert(QStringLiteral("time"), tenthsText(in.byte(11)));
        end = 12;
        break;
    case 0x15: {
        QJsonArray cells;
        for (int row = 0; row < 8; ++row) {
            const quint8 bits = in.byte(10 + row);
            for (int bit = 7; bit >= 0; --bit)
                cells.append((bits >> bit) & 1 ? QStringLiteral("1") : QStringLiteral("0"));
        }
        action.insert(QStringLiteral("command"), QStringLiteral("mMatrix"));
        action.insert(QStringLiteral("pict"), cells);
        end = 18;
        break;
    }
    case 0x16: {
        const qint8 speed = qint8(in.byte(11));
        action.insert(QStringLiteral("command"), QStringLiteral("mrall"));
        action.insert(QStringLiteral("motor"), pinLabel(in.byte(10)));
        action.insert(QStringLiteral("side"), speed < 0 ? 1 : 0);
        action.insert(QStringLiteral("speed"), speed < 0 ? -int(speed) : int(speed));
        end = decodeTimedTail(in, 12, 7, 0x17, action);
        break;
    }
    case 0x17:
    case 0x18:
        action.insert(QStringLiteral("command"), QStringLiteral("mrstop"));
        action.insert(QStringLiteral("motor"), pinLabel(in.byte(10)));
        action.insert(QStringLiteral("brake"), opcode == 0x17 ? 1 : 0);
        end = 11;
        break;
    case 0x20:
    case 0x21:
        action.insert(QStringLiteral("command"), QStringLiteral("m_stop"));
        action.insert(QStringLiteral("brake"), opcode == 0x21 ? 1 : 0);
        break;
    case 0x22:
    case 0x23:
    case 0x24:
    case 0x25:
    case 0x26:
    case 0x27:
    case 0x28:
    case 0x29:
        action.insert(QStringLiteral("command"), driveName(opcode));
        action.insert(QStringLiteral("speed"), in.byte(10));
        end = decodeTimedTail(in, 11, 6, 0x21, action);
        break;
    case 0x2A:
        end = decodeMelody(in, action);
        break;
    default:
        action.insert(QStringLiteral("command"), QStringLiteral("unknown"));
        break;
    }

    command.insert(QStringLiteral("action"), action);
    if (end != size)
        command.insert(QStringLiteral("message"), QStringLiteral("length error"));
    return command;
}

} // namespace Decompiler
