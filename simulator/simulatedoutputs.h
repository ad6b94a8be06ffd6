#pragma once

#include <QByteArray>
#include <QMap>

#include <array>

// What the virtual controller's actuators are doing, kept for display and for tests.
struct SimulatedOutputs
{
    // The opcode of the last drive instruction (a drive or its stop); 0 while idle.
    int driveCommand = 0;
    int driveSpeed = 0;
    // Motor pin code -> signed speed; 0 once stopped.
    QMap<int, int> motors;
    // Order of the motor instructions, so that a wheel follows whichever of a drive command and
    // a single-motor command came last: every motor instruction takes the next stamp.
    quint64 motorStamp = 0;
    quint64 driveStamp = 0;
    QMap<int, quint64> motorStamps;
    // Motor pin code -> whether its last stop used the brake.
    QMap<int, bool> motorBrakes;
    // Servo pin code -> angle byte.
    QMap<int, int> servos;
    // LED pin code -> on.
    QMap<int, bool> leds;
    // Rows from the top, leftmost column in bit 7.
    std::array<quint8, 8> matrix{};
    // Note byte of the note playing (0 for a rest) and its length in tenths of a second.
    int note = -1;
    int noteTenths = 0;
    // Tempo and (note byte, length) pairs of the last melody.
    int melodyTempo = 0;
    QByteArray melody;
    // Notes and melodies begun so far, so that the same one played again is seen as new.
    quint32 notesPlayed = 0;
    quint32 melodiesPlayed = 0;
};
