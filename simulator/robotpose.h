#pragma once

#include <QPointF>

// Where the robot stands: millimetres on the floor (x right, y up) and degrees counter-clockwise
// from +x.
struct RobotPose
{
    double x = 0;
    double y = 0;
    double heading = 0;

    QPointF position() const { return {x, y}; }
    // A point given in the robot's frame (x forward, y to its left) in floor coordinates.
    QPointF toWorld(double forward, double left) const;
    // Degrees in [0, 360).
    static double normalizedHeading(double degrees);
};
