#include "propertyvalues.h"

#include "programvalues.h"

#include <QString>

namespace PropertyValues {

int readInt(const QJsonValue &value)
{
    if (value.isString()) {
        bool ok = false;
        const int result = value.toString().trimmed().toInt(&ok, 10);
        return ok ? result : 0;
    }
    return value.toInt(0);
}

double readNumber(const QJsonValue &value)
{
    return ProgramValues::readDecimal(value);
}

} // namespace PropertyValues
