#include "robotmodel.h"

#include "commandkinds.h"
#include "robotkinematics.h"

#include <cmath>

namespace {

// A drive command's share of the speed for each wheel; nothing while idle or stopped.
std::optional<CommandKinds::Wheels> driveWheels(int opcode)
{
    const CommandKinds::Kind *kind = CommandKinds::readBack(opcode);
    if (!kind || kind->encoding != CommandKinds::Encoding::Drive)
        return std::nullopt;
    return kind->wheels;
}

} // namespace

RobotModel::RobotModel(const RobotWorld &world)
{
    setWorld(world);
}

void RobotModel::setWorld(const RobotWorld &world)
{
    m_world = world;
    m_wheels = {};
    setPose(world.start());
}

void RobotModel::setPose(const RobotPose &pose)
{
    m_pose = pose;
    m_pose.heading = RobotPose::normalizedHeading(pose.heading);
    pushOutOfWalls();
}

WheelSpeeds RobotModel::wheelSpeedsFor(const SimulatedOutputs &outputs,
                                       const RobotConfiguration &configuration,
                                       double mmPerSecondPerSpeed)
{
    double wheel[2] = {0, 0};
    quint64 stamp[2] = {outputs.driveStamp, outputs.driveStamp};
    if (const std::optional<CommandKinds::Wheels> share = driveWheels(outputs.driveCommand)) {
        wheel[0] = share->left * outputs.driveSpeed;
        wheel[1] = share->right * outputs.driveSpeed;
    }
    const int pins[2] = {configuration.pinOf(RobotConfiguration::Motor1),
                         configuration.pinOf(RobotConfiguration::Motor2)};
    for (auto it = outputs.motors.cbegin(); it != outputs.motors.cend(); ++it) {
        const int side = it.key() == 1 || it.key() == pins[0]   ? 0
                         : it.key() == 2 || it.key() == pins[1] ? 1
                                                                : -1;
        const quint64 motorStamp = outputs.motorStamps.value(it.key(), 0);
        if (side >= 0 && motorStamp >= stamp[side]) {
            wheel[side] = it.value();
            stamp[side] = motorStamp;
        }
    }
    return {wheel[0] * mmPerSecondPerSpeed * configuration.motorPower(1),
            wheel[1] * mmPerSecondPerSpeed * configuration.motorPower(2)};
}

void RobotModel::step(double seconds)
{
    m_pose = RobotKinematics::advance(m_pose, m_wheels.left, m_wheels.right,
                                      m_world.body().wheelBase, seconds);
    pushOutOfWalls();
}

void RobotModel::pushOutOfWalls()
{
    // The floor's edge holds the robot like a wall, so a robot left driving is never lost.
    if (m_world.widthMm() > 0 && m_world.heightMm() > 0) {
        m_pose.x = qBound(0.0, m_pose.x, m_world.widthMm());
        m_pose.y = qBound(0.0, m_pose.y, m_world.heightMm());
    }
    const double radius = m_world.body().radius;
    // A few rounds settle a corner, where pushing out of one wall pushes into the other.
    for (int round = 0; round < 4; ++round) {
        bool moved = false;
        for (const QLineF &wall : m_world.walls()) {
            const QPointF closest = RobotWorld::closestPoint(wall, m_pose.position());
            const double d = QLineF(m_pose.position(), closest).length();
            if (d >= radius)
                continue;
            QPointF away = m_pose.position() - closest;
            if (d < 1e-9) {
                // Centre on the wall: leave along the wall's normal.
                const QLineF normal = wall.normalVector();
                away = normal.p2() - normal.p1();
            }
            const double length = std::hypot(away.x(), away.y());
            if (length <= 0)
                continue;
            const QPointF target = closest + away / length * radius;
            m_pose.x = target.x();
            m_pose.y = target.y();
            moved = true;
        }
        if (!moved)
            break;
    }
}

bool RobotModel::touchesWall() const
{
    const std::optional<double> d = m_world.nearestWall(m_pose.position());
    return d && *d <= m_world.body().radius + 0.5;
}

void RobotModel::setPressed(int pinCode, bool pressed)
{
    if (pressed)
        m_pressed.insert(pinCode);
    else
        m_pressed.remove(pinCode);
}

void RobotModel::setSliderValue(int pinCode, int value)
{
    m_sliders[pinCode] = qBound(0, value, 255);
}

SensorMount RobotModel::mountFor(int pinCode) const
{
    if (const std::optional<SensorMount> mount = m_world.mountFor(pinCode))
        return *mount;
    return SensorMount{pinCode, m_world.body().radius, 0, 0};
}

int RobotModel::reading(int pinCode) const
{
    const int gadget = m_configuration.gadgetAt(pinCode);
    if (!RobotConfiguration::isSensor(gadget))
        return -1;
    if (RobotConfiguration::isSlider(gadget))
        return sliderValue(pinCode);
    const SensorMount mount = mountFor(pinCode);
    const QPointF at = m_pose.toWorld(mount.x, mount.y);
    if (RobotConfiguration::isReadByFloor(gadget))
        return m_world.brightnessAt(at);
    if (gadget == RobotConfiguration::DistanceSensor) {
        const std::optional<double> d = m_world.distanceAlong(at, m_pose.heading + mount.heading);
        if (!d)
            return 255;
        return qBound(0, int(std::lround(*d / m_world.body().distanceMmPerUnit)), 255);
    }
    // Buttons and touch sensors.
    if (isPressed(pinCode))
        return 1;
    if (m_world.mountFor(pinCode)) {
        const std::optional<double> d = m_world.nearestWall(at);
        return d && *d <= kTouchMm ? 1 : 0;
    }
    return touchesWall() ? 1 : 0;
}

QMap<int, int> RobotModel::readings() const
{
    QMap<int, int> values;
    for (auto it = m_configuration.gadgets().cbegin(); it != m_configuration.gadgets().cend();
         ++it) {
        const int value = reading(it.key());
        if (value >= 0)
            values.insert(it.key(), value);
    }
    return values;
}
