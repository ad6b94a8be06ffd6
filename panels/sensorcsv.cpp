#include "sensorcsv.h"

#include <algorithm>

namespace SensorCsv {

namespace {

// A field quoted when it holds a comma, a quote or a line break.
QString field(const QString &value)
{
    static const QString special = QStringLiteral(",\"\r\n");
    const bool quote =
        std::any_of(value.cbegin(), value.cend(), [](QChar c) { return special.contains(c); });
    if (!quote)
        return value;
    return QLatin1Char('"') + QString(value).replace(QLatin1String("\""), QLatin1String("\"\"")) +
           QLatin1Char('"');
}

} // namespace

QByteArray text(const SensorRecord &record, const QList<SensorTrace> &traces,
                const QString &timeHeader, const QStringList &traceHeaders)
{
    QStringList header{field(timeHeader)};
    for (int i = 0; i < traces.size(); ++i)
        header.append(field(traceHeaders.value(i, traces.at(i).pinLabel)));
    QByteArray bytes = header.join(QLatin1Char(',')).toUtf8() + "\r\n";
    bytes.reserve(bytes.size() + qsizetype(record.size()) * (8 + 4 * traces.size()));
    for (int row = 0; row < record.size(); ++row) {
        const SensorSample &sample = record.at(row);
        bytes += QByteArray::number(sample.timeMs);
        for (const SensorTrace &trace : traces) {
            bytes += ',';
            const int value = sample.value(trace.digital, trace.input);
            // An input the controller does not report stays an empty field, not a made-up 0.
            if (value >= 0)
                bytes += QByteArray::number(value);
        }
        bytes += "\r\n";
    }
    return bytes;
}

} // namespace SensorCsv
