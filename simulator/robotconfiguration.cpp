#include "robotconfiguration.h"

namespace {
// The settings store a motor's power as 0-200 %, but a record from a document without motor
// settings holds 0 there; a robot whose motors never move would look broken, so 0 reads as
// "not set", i.e. full power.
double powerFromByte(quint8 value)
{
    return value == 0 ? 1.0 : value / 100.0;
}
} // namespace

RobotConfiguration RobotConfiguration::fromRecord(const QByteArray &record)
{
    RobotConfiguration configuration;
    if (record.size() < 4)
        return configuration;
    configuration.m_power1 = powerFromByte(quint8(record[0]));
    configuration.m_power2 = powerFromByte(quint8(record[1]));
    // Entries are pin and gadget, and servos with calibration (class 2) add their zero byte;
    // the last two bytes close the record.
    qsizetype at = 2;
    while (at + 2 < record.size()) {
        const int pin = quint8(record[at]);
        const int gadget = quint8(record[at + 1]);
        if (!configuration.m_gadgets.contains(pin))
            configuration.m_gadgets.insert(pin, gadget);
        at += gadget / 10 == 2 ? 3 : 2;
    }
    return configuration;
}

RobotConfiguration RobotConfiguration::fromImage(const QByteArray &image)
{
    if (image.size() < 2 || quint8(image[0]) != 1)
        return {};
    const int length = quint8(image[1]);
    if (2 + length > image.size())
        return {};
    return fromRecord(image.mid(2, length));
}

int RobotConfiguration::pinOf(int gadgetId) const
{
    for (auto it = m_gadgets.cbegin(); it != m_gadgets.cend(); ++it) {
        if (it.value() == gadgetId)
            return it.key();
    }
    return -1;
}
