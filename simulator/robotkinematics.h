#pragma once

#include "robotpose.h"

// Differential drive: two wheels on one axle, wheelBase millimetres apart, the robot's centre in
// the middle of the axle. Wheel speeds are in mm/s, forward positive.
namespace RobotKinematics {

// Moves the pose along the exact arc that constant wheel speeds give in the time, so the result
// does not depend on how a run is cut into steps.
RobotPose advance(const RobotPose &pose, double leftMmPerS, double rightMmPerS, double wheelBase,
                  double seconds);

} // namespace RobotKinematics
