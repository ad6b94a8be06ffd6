#include "programvalues.h"

#include <cmath>
#include <limits>

namespace ProgramValues {

int readInt(const QJsonValue &value)
{
    if (value.isDouble()) {
        const double number = value.toDouble();
        if (std::trunc(number) != number || number < std::numeric_limits<int>::min() ||
            number > std::numeric_limits<int>::max()) {
            return 0;
        }
        return int(number);
    }
    if (value.isString()) {
        bool ok = false;
        const int number = value.toString().toInt(&ok, 10);
        return ok ? number : 0;
    }
    return 0;
}

double readDecimal(const QJsonValue &value)
{
    double number = 0;
    if (value.isDouble()) {
        number = value.toDouble();
    } else if (value.isString()) {
        // Typed values may carry a decimal comma ("1,5"); it means the same as a point.
        QString text = value.toString();
        text.replace(u',', u'.');
        bool ok = false;
        number = text.toDouble(&ok);
        if (!ok)
            number = 0;
    }
    return std::isfinite(number) ? number : 0;
}

QString readText(const QJsonValue &value)
{
    return value.isString() ? value.toString() : QString();
}

quint8 parsePinLabel(const QString &label)
{
    if (label.size() < 2)
        return kNoPin;
    const int base = (label.front() == u'a' || label.front() == u'A') ? 128 : 0;
    QString text = label;
    const qsizetype space = text.indexOf(u' ');
    if (space > 0)
        text.truncate(space);
    // The controller reports "no pin" as "HZ"; keep that meaning when such a label comes back.
    if (text.compare(QLatin1String("hz"), Qt::CaseInsensitive) == 0)
        return kNoPin;
    bool ok = false;
    const int number = text.mid(1).toInt(&ok, 10);
    // Only the low byte is kept; unsigned, so that a huge number wraps instead of overflowing.
    return quint8(unsigned(base) + unsigned(ok ? number : 0));
}

QString pinLabel(int code)
{
    const quint8 pin = quint8(code);
    if (pin < 128)
        return QStringLiteral("D%1").arg(pin);
    if (pin < 200)
        return QStringLiteral("A%1").arg(pin - 128);
    return QStringLiteral("HZ");
}

} // namespace ProgramValues
