#include "decompiler.h"

#include "codegenlog.h"
#include "commandkinds.h"
#include "conditioncodec.h"
#include "programvalues.h"

#include <QJsonArray>

using namespace ProgramValues;
using CommandKinds::Encoding;
using CommandKinds::Opcode;

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

// The command name the kind is read back as.
QString nameOf(const CommandKinds::Kind &kind)
{
    return QString(kind.name);
}

int decodeServos(const RecordReader &in, const CommandKinds::Kind &kind, quint8 opcode,
                 QJsonObject &action)
{
    const int size = in.size();
    int i = 10;
    int time = 0;
    int nextOpcode = -1;
    QJsonArray servos;
    if (opcode == quint8(Opcode::Servo)) {
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
            if (nextOpcode != int(Opcode::Servo))
                break;
        }
    }
    action.insert(QStringLiteral("command"), nameOf(kind));
    action.insert(QStringLiteral("servos"), servos);
    quint32 tenths = quint32(time);
    if (i < size) {
        if (nextOpcode == int(Opcode::Wait)) {
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

int decodeMelody(const RecordReader &in, const CommandKinds::Kind &kind, QJsonObject &action)
{
    action.insert(QStringLiteral("command"), nameOf(kind));
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
        if (note == CommandKinds::kMelodyEnd)
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
int decodeTimedTail(const RecordReader &in, int waitAt, int tailLength, Opcode brakeOpcode,
                    QJsonObject &action)
{
    if (in.size() > waitAt && in.byte(waitAt) == quint8(Opcode::Wait)) {
        action.insert(QStringLiteral("timer"), 1);
        action.insert(QStringLiteral("time"), tenthsText(nearestTenths(in.word32(waitAt + 1))));
        action.insert(QStringLiteral("brake"), in.byte(waitAt + 5) == quint8(brakeOpcode) ? 1 : 0);
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
    // An opcode that starts no command reads back as "unknown" (no kind of its own reads back
    // as a no-operation).
    const CommandKinds::Kind *kind = CommandKinds::readBack(opcode);
    const auto name = [kind]() { return nameOf(*kind); };
    switch (kind ? kind->encoding : Encoding::Nop) {
    case Encoding::Servos:
        end = decodeServos(in, *kind, opcode, action);
        break;
    case Encoding::StartCycle:
    case Encoding::EndCycle:
        action.insert(QStringLiteral("command"), name());
        break;
    case Encoding::StartCountedCycle:
    case Encoding::EndCountedCycle:
        action.insert(QStringLiteral("command"), name());
        action.insert(QStringLiteral("counter"), in.byte(10));
        end = 11;
        break;
    case Encoding::Call:
        action.insert(QStringLiteral("command"), name());
        action.insert(QStringLiteral("proc"), in.byte(10));
        end = 11;
        break;
    case Encoding::Pause: {
        const quint32 ms = in.word32(10);
        const quint32 hour = ms / 3600000;
        action.insert(QStringLiteral("command"), name());
        action.insert(QStringLiteral("hour"), qint64(hour));
        action.insert(QStringLiteral("minute"), qint64(ms / 60000 - hour * 60));
        action.insert(QStringLiteral("second"), tenthsText(ms / 100 - (ms / 60000) * 600));
        end = 14;
        break;
    }
    case Encoding::Return:
        return QJsonObject();
    case Encoding::Led:
        action.insert(QStringLiteral("command"), name());
        action.insert(QStringLiteral("state"), opcode == quint8(Opcode::LedOn) ? 1 : 0);
        action.insert(QStringLiteral("pin"), pinLabel(in.byte(10)));
        end = 11;
        break;
    case Encoding::Sound:
        action.insert(QStringLiteral("command"), name());
        action.insert(QStringLiteral("note"), noteName(in.byte(10) >> 4));
        action.insert(QStringLiteral("octave"), in.byte(10) & 0x0F);
        action.insert(QStringLiteral("time"), tenthsText(in.byte(11)));
        end = 12;
        break;
    case Encoding::Matrix: {
        QJsonArray cells;
        for (int row = 0; row < 8; ++row) {
            const quint8 bits = in.byte(10 + row);
            for (int bit = 7; bit >= 0; --bit)
                cells.append((bits >> bit) & 1 ? QStringLiteral("1") : QStringLiteral("0"));
        }
        action.insert(QStringLiteral("command"), name());
        action.insert(QStringLiteral("pict"), cells);
        end = 18;
        break;
    }
    case Encoding::MotorRun: {
        const qint8 speed = qint8(in.byte(11));
        action.insert(QStringLiteral("command"), name());
        action.insert(QStringLiteral("motor"), pinLabel(in.byte(10)));
        action.insert(QStringLiteral("side"), speed < 0 ? 1 : 0);
        action.insert(QStringLiteral("speed"), speed < 0 ? -int(speed) : int(speed));
        end = decodeTimedTail(in, 12, 7, Opcode::MotorBrake, action);
        break;
    }
    case Encoding::MotorStop:
        action.insert(QStringLiteral("command"), name());
        action.insert(QStringLiteral("motor"), pinLabel(in.byte(10)));
        action.insert(QStringLiteral("brake"), opcode == quint8(Opcode::MotorBrake) ? 1 : 0);
        end = 11;
        break;
    case Encoding::DriveStop:
        action.insert(QStringLiteral("command"), name());
        action.insert(QStringLiteral("brake"), opcode == quint8(Opcode::DriveBrake) ? 1 : 0);
        break;
    case Encoding::Drive:
        action.insert(QStringLiteral("command"), name());
        action.insert(QStringLiteral("speed"), in.byte(10));
        end = decodeTimedTail(in, 11, 6, Opcode::DriveBrake, action);
        break;
    case Encoding::Melody:
        end = decodeMelody(in, *kind, action);
        break;
    case Encoding::Nop:
        action.insert(QStringLiteral("command"), QStringLiteral("unknown"));
        break;
    }

    command.insert(QStringLiteral("action"), action);
    if (end != size)
        command.insert(QStringLiteral("message"), QStringLiteral("length error"));
    return command;
}

} // namespace Decompiler
