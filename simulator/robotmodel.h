#pragma once

#include "robotconfiguration.h"
#include "robotpose.h"
#include "robotworld.h"
#include "simulatedoutputs.h"

#include <QMap>
#include <QSet>

struct WheelSpeeds
{
    double left = 0;
    double right = 0;
};

// The virtual robot in its world: a two-wheeled body that the wheel speeds move in fixed steps
// and that stops at walls, and the readings of the sensors the configuration puts on its pins.
// It knows nothing of time or of the controller; RobotSimulation feeds it.
class RobotModel
{
public:
    // Physics step; every run is cut into steps of this length so that runs repeat.
    static constexpr int kStepMs = 10;
    // A touch sensor closes when a wall comes this near to where it sits.
    static constexpr double kTouchMm = 3.0;

    RobotModel() = default;
    explicit RobotModel(const RobotWorld &world);

    // A new world puts the robot at its start.
    void setWorld(const RobotWorld &world);
    const RobotWorld &world() const { return m_world; }
    RobotPose pose() const { return m_pose; }
    // Moves the robot there; a pose inside a wall is pushed out of it, one off the floor back
    // onto its edge.
    void setPose(const RobotPose &pose);

    void setConfiguration(const RobotConfiguration &configuration)
    {
        m_configuration = configuration;
    }
    const RobotConfiguration &configuration() const { return m_configuration; }

    // Drive commands move both wheels: M1 is the left wheel, M2 the right. A single-motor
    // command names its motor by number (1, 2) or by the pin the configuration gives it. For
    // each wheel the later of the two kinds of command counts.
    static WheelSpeeds wheelSpeedsFor(const SimulatedOutputs &outputs,
                                      const RobotConfiguration &configuration,
                                      double mmPerSecondPerSpeed);
    void setWheelSpeeds(const WheelSpeeds &speeds) { m_wheels = speeds; }
    WheelSpeeds wheelSpeeds() const { return m_wheels; }

    // One physics step of the given length.
    void step(double seconds);
    bool touchesWall() const;

    // Clicks and sliders of the view, by pin code.
    void setPressed(int pinCode, bool pressed);
    bool isPressed(int pinCode) const { return m_pressed.contains(pinCode); }
    void setSliderValue(int pinCode, int value);
    int sliderValue(int pinCode) const { return m_sliders.value(pinCode, 0); }

    // Where a sensor sits: the world file's mount, else the front of the body.
    SensorMount mountFor(int pinCode) const;
    // The value a configured sensor reports now: 0-255 for analog sensors, 0/1 for buttons.
    // -1 for pins without a sensor.
    int reading(int pinCode) const;
    // Pin code -> reading for every configured sensor.
    QMap<int, int> readings() const;

private:
    void pushOutOfWalls();

    RobotWorld m_world;
    RobotPose m_pose;
    RobotConfiguration m_configuration;
    WheelSpeeds m_wheels;
    QSet<int> m_pressed;
    QMap<int, int> m_sliders;
};
