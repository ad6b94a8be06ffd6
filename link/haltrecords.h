#pragma once

#include <QByteArray>
#include <QJsonArray>
#include <QList>

// The manual command records that bring the robot to rest, in sending order: the drive stopped
// with the brake first, then, when the programs play notes, show pictures or play melodies, silence
// in the form the byte code has for each (a rest of no length, a dark picture, a melody without
// notes).
namespace HaltRecords {

QList<QByteArray> build(const QJsonArray &programs);

} // namespace HaltRecords
