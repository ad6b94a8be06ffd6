#include "robotkinematics.h"

#include <QtMath>

#include <cmath>

QPointF RobotPose::toWorld(double forward, double left) const
{
    const double a = qDegreesToRadians(heading);
    return {x + forward * std::cos(a) - left * std::sin(a),
            y + forward * std::sin(a) + left * std::cos(a)};
}

double RobotPose::normalizedHeading(double degrees)
{
    double h = std::fmod(degrees, 360.0);
    if (h < 0)
        h += 360.0;
    return h >= 360.0 ? 0.0 : h;
}

namespace RobotKinematics {

RobotPose advance(const RobotPose &pose, double leftMmPerS, double rightMmPerS, double wheelBase,
                  double seconds)
{
    const double v = (leftMmPerS + rightMmPerS) / 2.0;
    const double omega = wheelBase > 0 ? (rightMmPerS - leftMmPerS) / wheelBase : 0.0;
    const double theta = qDegreesToRadians(pose.heading);
    RobotPose next = pose;
    if (std::abs(omega) < 1e-12) {
        next.x += v * std::cos(theta) * seconds;
        next.y += v * std::sin(theta) * seconds;
        return next;
    }
    const double turned = theta + omega * seconds;
    const double radius = v / omega;
    next.x += radius * (std::sin(turned) - std::sin(theta));
    next.y -= radius * (std::cos(turned) - std::cos(theta));
    next.heading = RobotPose::normalizedHeading(qRadiansToDegrees(turned));
    return next;
}

} // namespace RobotKinematics
