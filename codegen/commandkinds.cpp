#include "commandkinds.h"

#include <QHash>
#include <QString>

namespace CommandKinds {

namespace {

using L = QLatin1String;

const QList<Instruction> &instructions()
{
    static const QList<Instruction> table = {
        {Opcode::Nop, 0},
        {Opcode::StartCycle, 0},
        {Opcode::EndCycle, 0},
        // The repeat count.
        {Opcode::StartCountedCycle, 1},
        {Opcode::EndCountedCycle, 1},
        // The subprogram number.
        {Opcode::Call, 1},
        // Milliseconds, 32 bits, low byte first.
        {Opcode::Wait, 4},
        {Opcode::Return, 0},
        // The pin code.
        {Opcode::LedOn, 1},
        {Opcode::LedOff, 1},
        // Pin code, angle, time in tenths of a second.
        {Opcode::Servo, 3},
        // Note byte, time in tenths of a second.
        {Opcode::Note, 2},
        // One byte per row from the top, the leftmost column in bit 7.
        {Opcode::Matrix, 8},
        // Motor pin code, signed speed.
        {Opcode::MotorRun, 2},
        // The motor pin code.
        {Opcode::MotorBrake, 1},
        {Opcode::MotorCoast, 1},
        {Opcode::DriveCoast, 0},
        {Opcode::DriveBrake, 0},
        // The speed.
        {Opcode::DriveLeft, 1},
        {Opcode::DriveForward, 1},
        {Opcode::DriveRight, 1},
        {Opcode::DriveTurnLeft, 1},
        {Opcode::DriveTurnRight, 1},
        {Opcode::DriveBackRight, 1},
        {Opcode::DriveBackward, 1},
        {Opcode::DriveBackLeft, 1},
        // Tempo, then (note byte, length) pairs up to kMelodyEnd, 0.
        {Opcode::Melody, -1},
    };
    return table;
}

Kind drive(const char *name, Opcode opcode, Wheels wheels)
{
    static const QList<L> motion = {L("speed"), L("timer"), L("time"), L("brake")};
    return {L(name), Encoding::Drive, opcode, motion, Summary::Drive, true, wheels};
}

Kind kind(const char *name, Encoding encoding, Opcode opcode, QList<L> fields, Summary summary,
          bool readBack = true)
{
    return {L(name), encoding, opcode, std::move(fields), summary, readBack, {}};
}

// The opcodes a record of the kind may start with.
QList<Opcode> leadingOpcodes(const Kind &kind)
{
    switch (kind.encoding) {
    case Encoding::Led:
        return {Opcode::LedOn, Opcode::LedOff};
    case Encoding::Servos:
        // A servo command without servos is a no-operation.
        return {Opcode::Servo, Opcode::Nop};
    case Encoding::MotorStop:
        return {Opcode::MotorBrake, Opcode::MotorCoast};
    case Encoding::DriveStop:
        return {Opcode::DriveBrake, Opcode::DriveCoast};
    default:
        return {kind.opcode};
    }
}

} // namespace

std::optional<Instruction> instruction(int opcode)
{
    for (const Instruction &entry : instructions()) {
        if (int(entry.opcode) == opcode)
            return entry;
    }
    return std::nullopt;
}

const QList<Kind> &all()
{
    // Drives: the wheels' share of the speed (left, right); "left" and "right" pivot on one
    // wheel, the turns are on the spot.
    static const QList<Kind> kinds = {
        drive("m_left", Opcode::DriveLeft, {0, 1}),
        drive("m_fwd", Opcode::DriveForward, {1, 1}),
        drive("m_right", Opcode::DriveRight, {1, 0}),
        drive("m_turnleft", Opcode::DriveTurnLeft, {-1, 1}),
        drive("m_turnright", Opcode::DriveTurnRight, {1, -1}),
        drive("m_bckright", Opcode::DriveBackRight, {-1, 0}),
        drive("m_backward", Opcode::DriveBackward, {-1, -1}),
        drive("m_bckleft", Opcode::DriveBackLeft, {0, -1}),
        kind("m_stop", Encoding::DriveStop, Opcode::DriveBrake, {L("brake")}, Summary::DriveStop),
        kind("mrall", Encoding::MotorRun, Opcode::MotorRun,
             {L("motor"), L("side"), L("speed"), L("timer"), L("time"), L("brake")},
             Summary::MotorRun),
        kind("mrstop", Encoding::MotorStop, Opcode::MotorBrake, {L("motor"), L("brake")},
             Summary::Listing),
        kind("mr1stop", Encoding::MotorStop, Opcode::MotorBrake, {L("motor"), L("brake")},
             Summary::MotorStop, false),
        kind("mServowork", Encoding::Servos, Opcode::Servo, {L("servos"), L("timer"), L("time")},
             Summary::Servos),
        kind("mSetleds", Encoding::Led, Opcode::LedOn, {L("pin"), L("state")}, Summary::Led),
        kind("mMatrix", Encoding::Matrix, Opcode::Matrix, {L("pict")}, Summary::Empty),
        kind("mSound", Encoding::Sound, Opcode::Note, {L("note"), L("octave"), L("time")},
             Summary::Sound),
        kind("mMusic", Encoding::Melody, Opcode::Melody, {L("tempo"), L("sounds")}, Summary::Empty),
        kind("mPause", Encoding::Pause, Opcode::Wait, {L("hour"), L("minute"), L("second")},
             Summary::Pause),
        kind("mStartCycle", Encoding::StartCycle, Opcode::StartCycle, {}, Summary::Empty),
        kind("mEndCycle", Encoding::EndCycle, Opcode::EndCycle, {}, Summary::Empty),
        kind("mvirtualstartcycle", Encoding::StartCountedCycle, Opcode::StartCountedCycle,
             {L("counter")}, Summary::Listing),
        kind("mvirtualendcycle", Encoding::EndCountedCycle, Opcode::EndCountedCycle, {L("counter")},
             Summary::Listing),
        kind("call", Encoding::Call, Opcode::Call, {L("proc")}, Summary::Call),
        kind("return", Encoding::Return, Opcode::Return, {}, Summary::Listing),
        kind("mnop", Encoding::Nop, Opcode::Nop, {}, Summary::Listing, false),
    };
    return kinds;
}

const Kind *byName(QStringView name)
{
    static const QHash<QString, const Kind *> index = [] {
        QHash<QString, const Kind *> byLowerName;
        for (const Kind &kind : all())
            byLowerName.insert(QString(kind.name).toLower(), &kind);
        return byLowerName;
    }();
    return index.value(name.toString().toLower(), nullptr);
}

const Kind *readBack(int opcode)
{
    static const QHash<int, const Kind *> index = [] {
        QHash<int, const Kind *> byOpcode;
        for (const Kind &kind : all()) {
            if (!kind.readBack)
                continue;
            for (Opcode lead : leadingOpcodes(kind)) {
                Q_ASSERT(!byOpcode.contains(int(lead)));
                byOpcode.insert(int(lead), &kind);
            }
        }
        return byOpcode;
    }();
    return index.value(opcode, nullptr);
}

} // namespace CommandKinds
