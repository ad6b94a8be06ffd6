#include "sensorrecord.h"

#include <QJsonArray>

#include <algorithm>

std::optional<SensorSample> SensorSample::fromReport(const QJsonObject &report, qint64 timeMs)
{
    const QJsonValue digitalValue = report.value(QLatin1String("DI"));
    const QJsonValue analogValue = report.value(QLatin1String("AI"));
    if (!digitalValue.isArray() && !analogValue.isArray())
        return std::nullopt;
    SensorSample sample;
    sample.timeMs = timeMs;
    const QJsonArray digital = digitalValue.toArray();
    const int digitalCount = int(qMin(digital.size(), qsizetype(kDigitalInputs)));
    for (int i = 0; i < digitalCount; ++i) {
        if (digital.at(i).toInt() != 0)
            sample.digital[i / 8] |= quint8(1u << (i % 8));
    }
    const QJsonArray analog = analogValue.toArray();
    const int analogCount = int(qMin(analog.size(), qsizetype(kAnalogInputs)));
    for (int i = 0; i < analogCount; ++i)
        sample.analog[i] = quint8(qBound(0, analog.at(i).toInt(), 255));
    return sample;
}

int SensorSample::value(bool digitalInput, int input) const
{
    if (digitalInput) {
        if (input < 0 || input >= kDigitalInputs)
            return -1;
        return (digital[input / 8] >> (input % 8)) & 1;
    }
    if (input < 0 || input >= kAnalogInputs)
        return -1;
    return analog[input];
}

SensorRecord::SensorRecord(int capacity)
    : m_samples(size_t(qMax(1, capacity)))
{}

void SensorRecord::append(const SensorSample &sample)
{
    const int capacity = this->capacity();
    SensorSample stored = sample;
    // A clock that stepped back would break the time search; the sample keeps its place.
    if (m_size > 0)
        stored.timeMs = qMax(stored.timeMs, last().timeMs);
    if (m_size < capacity) {
        m_samples[size_t((m_start + m_size) % capacity)] = stored;
        ++m_size;
    } else {
        m_samples[size_t(m_start)] = stored;
        m_start = (m_start + 1) % capacity;
    }
}

void SensorRecord::clear()
{
    m_start = 0;
    m_size = 0;
}

const SensorSample &SensorRecord::at(int i) const
{
    Q_ASSERT(i >= 0 && i < m_size);
    return m_samples[size_t((m_start + i) % capacity())];
}

int SensorRecord::firstAtOrAfter(qint64 timeMs) const
{
    int low = 0;
    int high = m_size;
    while (low < high) {
        const int middle = (low + high) / 2;
        if (at(middle).timeMs < timeMs)
            low = middle + 1;
        else
            high = middle;
    }
    return low;
}
