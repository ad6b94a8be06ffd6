#pragma once

#include <QLatin1String>
#include <QList>
#include <QStringView>
#include <QtGlobal>

#include <optional>

// Every command kind of the program document and every instruction of the controller's byte
// code, declared once. The compiler, the decompiler, the row's summary text, the virtual
// controller and the virtual robot look a command up here instead of keeping lists of their own.
// A new tile that works like an existing kind needs only its entry here (and its language data
// and pictures); one that needs new bytes gets a new Encoding, handled where the switch over
// Encoding lives (compiler, decompiler) and, for a new instruction, in the virtual controller.
namespace CommandKinds {

// The instructions of the byte code: opcode first, then a fixed number of operand bytes (the
// melody runs to its end mark).
enum class Opcode : quint8
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
    DriveLeft = 0x22,
    DriveForward = 0x23,
    DriveRight = 0x24,
    DriveTurnLeft = 0x25,
    DriveTurnRight = 0x26,
    DriveBackRight = 0x27,
    DriveBackward = 0x28,
    DriveBackLeft = 0x29,
    Melody = 0x2A,
};

// A melody's (note byte, length) pairs end with this note byte and a 0.
constexpr quint8 kMelodyEnd = 0xFF;

struct Instruction
{
    Opcode opcode;
    // Operand bytes after the opcode; -1 for the melody, whose pairs run to kMelodyEnd.
    int operands;
};

// The instruction of an opcode; nothing for a byte that is no instruction.
std::optional<Instruction> instruction(int opcode);

// How the compiler encodes a kind and the decompiler reads it back (the bytes of each are
// described where the compiler handles them).
enum class Encoding
{
    Nop,
    Return,
    StartCycle,
    EndCycle,
    StartCountedCycle,
    EndCountedCycle,
    Call,
    Pause,
    Led,
    Servos,
    Sound,
    Matrix,
    Melody,
    MotorRun,
    MotorStop,
    Drive,
    DriveStop,
};

// The text a program row shows for the kind's action.
enum class Summary
{
    // Every field, last key first.
    Listing,
    Empty,
    Servos,
    Sound,
    Drive,
    MotorRun,
    MotorStop,
    DriveStop,
    Led,
    Pause,
    Call,
};

// The share of the drive speed each wheel of a two-wheeled robot gets.
struct Wheels
{
    double left = 0;
    double right = 0;
};

struct Kind
{
    // As the editor writes it; the compiler and the summary accept any letter case.
    QLatin1String name;
    Encoding encoding;
    // The instruction the kind compiles to; a drive's own, for the others the first of their
    // encoding's (the LED "on", the servo, the motor or drive stop with the brake).
    Opcode opcode;
    // The "action" keys besides "command".
    QList<QLatin1String> fields;
    Summary summary;
    // The name the decompiler writes for this encoding (one kind per encoding; an alias such as
    // "mr1stop" or a placeholder such as "mnop" is never written back).
    bool readBack;
    // A drive: how the robot's wheels turn.
    Wheels wheels;
};

const QList<Kind> &all();
// The kind of a command name, compared in lower case; nothing for a name that is no command.
const Kind *byName(QStringView name);
// The kind the decompiler writes for a record whose first instruction is this opcode; nothing
// for an opcode that starts no command (it reads back as "unknown").
const Kind *readBack(int opcode);

} // namespace CommandKinds
