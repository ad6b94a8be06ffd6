#pragma once

#include <QByteArray>
#include <QJsonObject>

// The two 4-byte condition slots that follow the length byte of every command record.
namespace ConditionCodec {

// Conditions object of a command -> the 8 bytes of both slots.
QByteArray encodeConditions(const QJsonObject &conditions);

// One condition object -> one 4-byte slot; andFlag marks the second slot of an "and" pair.
QByteArray encodeCondition(const QJsonObject &condition, bool andFlag);

// The 8 slot bytes (missing bytes read as 0) -> {"type": ..., "data": [first, second]}.
QJsonObject decodeConditions(const QByteArray &eightBytes);

} // namespace ConditionCodec
