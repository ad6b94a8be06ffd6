#pragma once

#include <QByteArray>
#include <QJsonObject>

// The two 4-byte condition slots that follow the length byte of every command record.
namespace ConditionCodec {

// What a slot tests, in bits 0-6 of its code byte; bit 7 joins the second slot with AND.
enum class Kind : quint8
{
    // An empty slot, or an analog condition without a known equation.
    Always = 0,
    Equals = 1,
    Unequal = 2,
    Greater = 3,
    Smaller = 4,
    // level < input < level2
    Inside = 5,
    Outside = 6,
    DigitalLow = 7,
    DigitalHigh = 8,
    // The innermost cycle's repeats have reached the level.
    Counter = 9,
};
constexpr quint8 kAndFlag = 0x80;
constexpr quint8 kKindMask = 0x7F;

// Conditions object of a command -> the 8 bytes of both slots.
QByteArray encodeConditions(const QJsonObject &conditions);

// One condition object -> one 4-byte slot; andFlag marks the second slot of an "and" pair.
QByteArray encodeCondition(const QJsonObject &condition, bool andFlag);

// The 8 slot bytes (missing bytes read as 0) -> {"type": ..., "data": [first, second]}.
QJsonObject decodeConditions(const QByteArray &eightBytes);

} // namespace ConditionCodec
