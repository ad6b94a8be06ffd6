#include "sensorcsv.h"

#include "panelslog.h"

#include <QSaveFile>

#include <algorithm>

namespace SensorCsv {

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

bool save(const QString &path, const QByteArray &bytes)
{
    QSaveFile file(path);
    // Unbuffered, so that a short write (a full disk) shows in write()'s result.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        qCWarning(lcPanels).noquote()
            << QStringLiteral("Cannot open %1 for writing: %2").arg(path, file.errorString());
        return false;
    }
    if (file.write(bytes) != bytes.size())
        file.cancelWriting();
    if (!file.commit()) {
        qCWarning(lcPanels).noquote()
            << QStringLiteral("Cannot save %1: %2").arg(path, file.errorString());
        return false;
    }
    return true;
}

} // namespace SensorCsv
