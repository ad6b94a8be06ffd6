#pragma once

#include <QJsonValue>

// Lenient readers for action fields: stored documents hold numbers either as JSON numbers or as
// decimal text, depending on who wrote them last.
namespace PropertyValues {

int readInt(const QJsonValue &value);
double readNumber(const QJsonValue &value);

} // namespace PropertyValues
