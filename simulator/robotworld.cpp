#include "robotworld.h"

#include "programvalues.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QtMath>

#include <cmath>

namespace {

bool readNumber(const QJsonObject &object, const char *key, double *value, QString *error,
                bool positive = false)
{
    const QJsonValue item = object.value(QLatin1String(key));
    if (item.isUndefined())
        return true;
    if (!item.isDouble() || (positive && item.toDouble() <= 0)) {
        *error = QStringLiteral("\"%1\" must be a %2number")
                     .arg(QLatin1String(key), positive ? QStringLiteral("positive ") : QString());
        return false;
    }
    *value = item.toDouble();
    return true;
}

double cross(const QPointF &a, const QPointF &b)
{
    return a.x() * b.y() - a.y() * b.x();
}

} // namespace

std::optional<RobotWorld> RobotWorld::load(const QString &path, QString *error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("cannot read %1: %2").arg(path, file.errorString());
        return std::nullopt;
    }
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(file.readAll(), &parseError);
    if (!document.isObject()) {
        *error = QStringLiteral("%1 is not a JSON object (%2)").arg(path, parseError.errorString());
        return std::nullopt;
    }
    std::optional<RobotWorld> world =
        fromJson(document.object(), QFileInfo(path).absolutePath(), error);
    if (!world) {
        *error = QStringLiteral("%1: %2").arg(path, *error);
        return std::nullopt;
    }
    world->m_path = QFileInfo(path).absoluteFilePath();
    if (world->m_name.isEmpty())
        world->m_name = QFileInfo(path).completeBaseName();
    return world;
}

std::optional<RobotWorld> RobotWorld::fromJson(const QJsonObject &json, const QString &folder,
                                               QString *error)
{
    RobotWorld world;
    world.m_name = json.value(QLatin1String("name")).toString();
    double mmPerPixel = kDefaultMmPerPixel;
    if (!readNumber(json, "mmPerPixel", &mmPerPixel, error, true))
        return std::nullopt;

    const QJsonValue floor = json.value(QLatin1String("floor"));
    if (!floor.isString() || floor.toString().isEmpty()) {
        *error = QStringLiteral("\"floor\" must name a picture");
        return std::nullopt;
    }
    const QString floorPath = QDir(folder).filePath(floor.toString());
    QImage picture(floorPath);
    if (picture.isNull()) {
        *error = QStringLiteral("cannot read the floor picture %1").arg(floorPath);
        return std::nullopt;
    }
    world.setFloor(picture, mmPerPixel);

    const QJsonObject robot = json.value(QLatin1String("robot")).toObject();
    RobotPose start{world.widthMm() / 2, world.heightMm() / 2, 0};
    RobotBody body;
    if (!readNumber(robot, "x", &start.x, error) || !readNumber(robot, "y", &start.y, error) ||
        !readNumber(robot, "heading", &start.heading, error) ||
        !readNumber(robot, "wheelBase", &body.wheelBase, error, true) ||
        !readNumber(robot, "mmPerSecondPerSpeed", &body.mmPerSecondPerSpeed, error, true) ||
        !readNumber(robot, "radius", &body.radius, error, true) ||
        !readNumber(robot, "distanceMmPerUnit", &body.distanceMmPerUnit, error, true)) {
        *error = QStringLiteral("robot: ") + *error;
        return std::nullopt;
    }
    start.heading = RobotPose::normalizedHeading(start.heading);
    world.setStart(start);
    world.setBody(body);

    QList<QLineF> walls;
    const QJsonArray wallArray = json.value(QLatin1String("walls")).toArray();
    for (qsizetype i = 0; i < wallArray.size(); ++i) {
        const QJsonArray segment = wallArray.at(i).toArray();
        bool numbers = segment.size() == 4;
        for (const QJsonValue &v : segment)
            numbers = numbers && v.isDouble();
        if (!numbers) {
            *error = QStringLiteral("wall %1 must be [x1, y1, x2, y2]").arg(i);
            return std::nullopt;
        }
        walls.append(QLineF(segment[0].toDouble(), segment[1].toDouble(), segment[2].toDouble(),
                            segment[3].toDouble()));
    }
    world.setWalls(walls);

    QList<SensorMount> mounts;
    const QJsonArray sensorArray = json.value(QLatin1String("sensors")).toArray();
    for (qsizetype i = 0; i < sensorArray.size(); ++i) {
        const QJsonObject sensor = sensorArray.at(i).toObject();
        const QString pin = sensor.value(QLatin1String("pin")).toString();
        SensorMount mount;
        mount.pinCode = pin.size() >= 2 ? ProgramValues::parsePinLabel(pin) : 255;
        if (mount.pinCode >= 200 || !readNumber(sensor, "x", &mount.x, error) ||
            !readNumber(sensor, "y", &mount.y, error) ||
            !readNumber(sensor, "heading", &mount.heading, error)) {
            *error = QStringLiteral("sensor %1 needs a \"pin\" label such as \"A0\" and numbers "
                                    "\"x\", \"y\", \"heading\"")
                         .arg(i);
            return std::nullopt;
        }
        mounts.append(mount);
    }
    world.setMounts(mounts);
    return world;
}

void RobotWorld::setFloor(const QImage &floor, double mmPerPixel)
{
    m_floor = floor.convertToFormat(QImage::Format_Grayscale8);
    m_mmPerPixel = mmPerPixel > 0 ? mmPerPixel : kDefaultMmPerPixel;
}

std::optional<SensorMount> RobotWorld::mountFor(int pinCode) const
{
    for (const SensorMount &mount : m_mounts) {
        if (mount.pinCode == pinCode)
            return mount;
    }
    return std::nullopt;
}

int RobotWorld::brightnessAt(const QPointF &mm) const
{
    const int column = int(std::floor(mm.x() / m_mmPerPixel));
    // Picture rows run from the top, floor y from the bottom.
    const int row = m_floor.height() - 1 - int(std::floor(mm.y() / m_mmPerPixel));
    if (column < 0 || row < 0 || column >= m_floor.width() || row >= m_floor.height())
        return kOutsideBrightness;
    return m_floor.constScanLine(row)[column];
}

std::optional<double> RobotWorld::distanceAlong(const QPointF &from, double heading) const
{
    const double a = qDegreesToRadians(heading);
    const QPointF direction(std::cos(a), std::sin(a));
    std::optional<double> best;
    for (const QLineF &wall : m_walls) {
        const QPointF s = wall.p2() - wall.p1();
        const double denominator = cross(direction, s);
        if (std::abs(denominator) < 1e-12)
            continue;
        const QPointF q = wall.p1() - from;
        const double t = cross(q, s) / denominator;
        const double u = cross(q, direction) / denominator;
        if (t >= 0 && u >= 0 && u <= 1 && (!best || t < *best))
            best = t;
    }
    return best;
}

std::optional<double> RobotWorld::nearestWall(const QPointF &point, QPointF *closest) const
{
    std::optional<double> best;
    for (const QLineF &wall : m_walls) {
        const QPointF c = closestPoint(wall, point);
        const double d = QLineF(point, c).length();
        if (!best || d < *best) {
            best = d;
            if (closest)
                *closest = c;
        }
    }
    return best;
}

QPointF RobotWorld::closestPoint(const QLineF &wall, const QPointF &point)
{
    const QPointF d = wall.p2() - wall.p1();
    const double lengthSquared = QPointF::dotProduct(d, d);
    if (lengthSquared <= 0)
        return wall.p1();
    const double t = qBound(0.0, QPointF::dotProduct(point - wall.p1(), d) / lengthSquared, 1.0);
    return wall.p1() + t * d;
}
