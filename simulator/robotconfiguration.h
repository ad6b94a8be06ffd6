#pragma once

#include <QByteArray>
#include <QMap>

// What the controller was told is connected, read from its configuration record: the gadget on
// each pin and the power settings of the two drive motors.
class RobotConfiguration
{
public:
    // Gadget ids of the shipped kits.
    enum Gadget
    {
        Button = 1,
        TouchSensor = 2,
        LineSensor = 11,
        LightSensor = 12,
        DistanceSensor = 13,
        SoundSensor = 14,
        Knob = 15,
        Servo = 20,
        Led = 30,
        Motor1 = 40,
        Motor2 = 41,
        Matrix = 60,
        Buzzer = 70,
    };

    // An empty or broken record gives an empty configuration (no gadgets, full motor power).
    static RobotConfiguration fromRecord(const QByteArray &record);
    // The configuration frame at the start of a memory image; empty when there is none.
    static RobotConfiguration fromImage(const QByteArray &image);

    bool isEmpty() const { return m_gadgets.isEmpty(); }
    // Pin code -> gadget id, in pin code order.
    const QMap<int, int> &gadgets() const { return m_gadgets; }
    int gadgetAt(int pinCode) const { return m_gadgets.value(pinCode, 0); }
    // Pin code of the first pin carrying the gadget, or -1.
    int pinOf(int gadgetId) const;
    // Share of full speed a drive motor gets (its power setting in percent).
    double motorPower(int motor) const { return motor == 1 ? m_power1 : m_power2; }

    static bool isReadByFloor(int gadgetId)
    {
        return gadgetId == LineSensor || gadgetId == LightSensor;
    }
    static bool isPressable(int gadgetId) { return gadgetId == Button || gadgetId == TouchSensor; }
    static bool isSlider(int gadgetId) { return gadgetId == SoundSensor || gadgetId == Knob; }
    static bool isSensor(int gadgetId)
    {
        return isReadByFloor(gadgetId) || isPressable(gadgetId) || isSlider(gadgetId) ||
               gadgetId == DistanceSensor;
    }

    bool operator==(const RobotConfiguration &other) const = default;

private:
    QMap<int, int> m_gadgets;
    double m_power1 = 1.0;
    double m_power2 = 1.0;
};
