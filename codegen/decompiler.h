#pragma once

#include <QByteArray>
#include <QJsonObject>

namespace Decompiler {

// One command record (length byte included) -> command object of a program document.
// A return record gives an empty object, which ends a program when an image is read back.
QJsonObject decompileCommand(const QByteArray &record);

} // namespace Decompiler
