#pragma once

#include "robotpose.h"

#include <QImage>
#include <QJsonObject>
#include <QLineF>
#include <QList>
#include <QString>

#include <optional>

// Where a sensor sits on the robot: millimetres in the robot's frame (x forward, y left) and the
// direction it looks in, degrees counter-clockwise from straight ahead.
struct SensorMount
{
    int pinCode = 255;
    double x = 0;
    double y = 0;
    double heading = 0;
};

// The robot's body and drive as the world file describes them.
struct RobotBody
{
    double wheelBase = 120;
    // Wheel speed for one unit of the speed byte.
    double mmPerSecondPerSpeed = 2;
    // The body is a disc of this radius; it stops at walls.
    double radius = 75;
    // Millimetres per unit of a distance sensor's reading (255 = nothing in range).
    double distanceMmPerUnit = 10;
};

// The floor the robot drives on, its walls and where the robot starts. Floor coordinates are
// millimetres from the picture's bottom-left corner, x to the right, y up.
class RobotWorld
{
public:
    static constexpr double kDefaultMmPerPixel = 1.0;
    // Brightness of the floor outside the picture.
    static constexpr int kOutsideBrightness = 255;

    // Reads a world file; on failure returns nothing and says why in *error.
    static std::optional<RobotWorld> load(const QString &path, QString *error);
    // The same for a parsed document; the floor picture is looked up relative to folder.
    static std::optional<RobotWorld> fromJson(const QJsonObject &json, const QString &folder,
                                              QString *error);

    // Any picture; it is kept as grey levels.
    void setFloor(const QImage &floor, double mmPerPixel);
    const QImage &floor() const { return m_floor; }
    double mmPerPixel() const { return m_mmPerPixel; }
    double widthMm() const { return m_floor.width() * m_mmPerPixel; }
    double heightMm() const { return m_floor.height() * m_mmPerPixel; }

    void setStart(const RobotPose &pose) { m_start = pose; }
    RobotPose start() const { return m_start; }
    void setWalls(const QList<QLineF> &walls) { m_walls = walls; }
    const QList<QLineF> &walls() const { return m_walls; }
    void setMounts(const QList<SensorMount> &mounts) { m_mounts = mounts; }
    const QList<SensorMount> &mounts() const { return m_mounts; }
    // The mount for a pin, or nothing when the world file does not place it.
    std::optional<SensorMount> mountFor(int pinCode) const;
    void setBody(const RobotBody &body) { m_body = body; }
    const RobotBody &body() const { return m_body; }
    QString name() const { return m_name; }
    QString path() const { return m_path; }

    // 0 (black) to 255 (white) under a floor point.
    int brightnessAt(const QPointF &mm) const;
    // Distance from a point along a direction (degrees) to the first wall; nothing when no wall
    // is hit.
    std::optional<double> distanceAlong(const QPointF &from, double heading) const;
    // Distance from a point to the nearest wall; nothing without walls.
    std::optional<double> nearestWall(const QPointF &point, QPointF *closest = nullptr) const;
    static QPointF closestPoint(const QLineF &wall, const QPointF &point);

private:
    QImage m_floor;
    double m_mmPerPixel = kDefaultMmPerPixel;
    RobotPose m_start;
    QList<QLineF> m_walls;
    QList<SensorMount> m_mounts;
    RobotBody m_body;
    QString m_name;
    QString m_path;
};
