#pragma once

#include "sensorrecord.h"
#include "sensortrace.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

// The sensor record as comma-separated values (RFC 4180, UTF-8): a header row with the time
// column's name and each trace's caption, then one row per sample with its time in ms and the
// value of every trace.
namespace SensorCsv {

QByteArray text(const SensorRecord &record, const QList<SensorTrace> &traces,
                const QString &timeHeader, const QStringList &traceHeaders);

} // namespace SensorCsv
