#pragma once

#include "statereport.h"

#include <QJsonObject>
#include <QtGlobal>

#include <array>
#include <optional>
#include <vector>

// The inputs of one state packet, stamped with the milliseconds since the record began.
struct SensorSample
{
    static constexpr int kDigitalInputs = ControllerState::kDigitalInputs;
    static constexpr int kAnalogInputs = StateReport::kReportedAnalogInputs;

    qint64 timeMs = 0;
    std::array<quint8, kDigitalInputs / 8> digital{}; // input 8k + b is bit b of byte k
    std::array<quint8, kAnalogInputs> analog{};

    // The "DI" and "AI" arrays of a state report; nothing when it carries neither. Missing
    // values read 0, analog values are kept within 0-255 and any digital value but 0 is 1.
    static std::optional<SensorSample> fromReport(const QJsonObject &report, qint64 timeMs);

    // The value of one input; -1 for an input the report does not carry.
    int value(bool digitalInput, int input) const;
};

// The last samples, up to a fixed number: a ring that never grows, however long the editor
// runs, so that an hour of packets costs the same memory as two minutes.
class SensorRecord
{
public:
    explicit SensorRecord(int capacity);

    void append(const SensorSample &sample);
    void clear();

    int size() const { return m_size; }
    int capacity() const { return int(m_samples.size()); }
    bool isEmpty() const { return m_size == 0; }
    // Sample i, 0 being the oldest kept.
    const SensorSample &at(int i) const;
    const SensorSample &last() const { return at(m_size - 1); }
    // The first sample at or after the time, size() when there is none. Times never go back.
    int firstAtOrAfter(qint64 timeMs) const;
    // Bytes the record holds, fixed at construction.
    qint64 memoryBytes() const { return qint64(m_samples.capacity()) * sizeof(SensorSample); }

private:
    std::vector<SensorSample> m_samples;
    int m_start = 0;
    int m_size = 0;
};
