#include "classroster.h"

#include "linklog.h"
#include "linksocket.h"
#include "mbluetoothconnect.h"
#include "seriallinksocket.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>

#include <algorithm>

namespace {

const QLatin1String kRobotsKey("robots");
const QLatin1String kNumberKey("number");
const QLatin1String kKeyKey("key");
const QLatin1String kNameKey("name");
const QLatin1String kAddressKey("address");
const QLatin1String kTcpScheme("tcp://");

// The address of a device text, or the text itself when it is a bare address.
QString addressOf(const QString &deviceText)
{
    if (deviceText.trimmed().startsWith(QLatin1Char('{')))
        return mBluetoothConnect::deviceParts(deviceText).address;
    return deviceText.trimmed();
}

QString nameOf(const QString &deviceText)
{
    if (!deviceText.trimmed().startsWith(QLatin1Char('{')))
        return {};
    const mBluetoothConnect::DeviceParts parts = mBluetoothConnect::deviceParts(deviceText);
    // A device without a name of its own is listed under its address.
    return parts.name == parts.address ? QString() : parts.name;
}

} // namespace

QString ClassRoster::filePathIn(const QString &dataFolder)
{
    return dataFolder + QStringLiteral("/class.json");
}

ClassRoster::ClassRoster(const QString &filePath, QObject *parent)
    : QObject(parent)
    , m_filePath(filePath)
{}

QString ClassRoster::keyOf(const QString &deviceText)
{
    if (deviceText.trimmed().startsWith(QLatin1Char('{'))) {
        // A COM port Windows made for a paired robot: the robot, whatever number the port has.
        const QString bluetooth = mBluetoothConnect::deviceParts(deviceText).bluetooth;
        if (!bluetooth.isEmpty())
            return bluetooth.toUpper();
    }
    const QString address = addressOf(deviceText);
    switch (LinkSocket::kindOf(address)) {
    case LinkSocket::Kind::Tcp:
        return address.mid(kTcpScheme.size()).toLower();
    case LinkSocket::Kind::Serial: {
        const std::optional<SerialLinkSocket::Address> serial = SerialLinkSocket::parse(address);
        return LinkSocket::kSerialScheme + (serial ? serial->path : address.mid(7));
    }
    case LinkSocket::Kind::Bluetooth:
        break;
    }
    return address.toUpper();
}

bool ClassRoster::load()
{
    m_robots.clear();
    QFile file(m_filePath);
    if (!file.exists())
        return true;
    QString problem;
    QJsonArray entries;
    if (!file.open(QIODevice::ReadOnly)) {
        problem = file.errorString();
    } else {
        QJsonParseError error{};
        const QJsonDocument document = QJsonDocument::fromJson(file.readAll(), &error);
        file.close();
        if (error.error != QJsonParseError::NoError)
            problem = QStringLiteral("%1 at %2").arg(error.errorString()).arg(error.offset);
        else if (!document.object().value(kRobotsKey).isArray())
            problem = QStringLiteral("no list of robots");
        else
            entries = document.object().value(kRobotsKey).toArray();
    }
    if (!problem.isEmpty()) {
        const QString stamp =
            QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
        QString aside = QStringLiteral("%1.damaged-%2").arg(m_filePath, stamp);
        for (int n = 2; QFileInfo::exists(aside); ++n)
            aside = QStringLiteral("%1.damaged-%2-%3").arg(m_filePath, stamp).arg(n);
        if (QFile::rename(m_filePath, aside)) {
            qCWarning(lcLink).noquote()
                << QStringLiteral("The class in %1 cannot be read (%2); kept it as %3 and began "
                                  "a new class")
                       .arg(m_filePath, problem, aside);
        } else {
            qCWarning(lcLink).noquote()
                << QStringLiteral("The class in %1 cannot be read (%2) nor moved aside")
                       .arg(m_filePath, problem);
        }
        return false;
    }
    for (const QJsonValue &value : std::as_const(entries)) {
        const QJsonObject entry = value.toObject();
        Robot robot{entry.value(kNumberKey).toInt(), entry.value(kKeyKey).toString(),
                    entry.value(kNameKey).toString(), entry.value(kAddressKey).toString()};
        const bool taken = std::any_of(m_robots.cbegin(), m_robots.cend(), [&](const Robot &r) {
            return r.number == robot.number || r.key == robot.key;
        });
        if (robot.number < 1 || robot.key.isEmpty() || taken) {
            qCWarning(lcLink).noquote()
                << QStringLiteral("Left out a robot of %1 without a key or number of its own: %2")
                       .arg(m_filePath,
                            QString::fromUtf8(QJsonDocument(entry).toJson(QJsonDocument::Compact)));
            continue;
        }
        m_robots.append(robot);
    }
    std::sort(m_robots.begin(), m_robots.end(),
              [](const Robot &a, const Robot &b) { return a.number < b.number; });
    return true;
}

ClassRoster::Robot ClassRoster::meet(const QString &deviceText)
{
    const QString key = keyOf(deviceText);
    const QString address = addressOf(deviceText);
    const QString name = nameOf(deviceText);
    if (key.isEmpty())
        return {};
    const qsizetype index = indexOf(key);
    if (index >= 0) {
        Robot &robot = m_robots[index];
        const bool renamed = !name.isEmpty() && robot.name != name;
        if (renamed || robot.address != address) {
            if (renamed)
                robot.name = name;
            robot.address = address;
            save();
        }
        return robot;
    }
    Robot robot{freeNumber(), key, name, address};
    const auto place = std::find_if(m_robots.begin(), m_robots.end(),
                                    [&](const Robot &r) { return r.number > robot.number; });
    m_robots.insert(place, robot);
    qCDebug(lcLink).noquote()
        << QStringLiteral("Robot %1 of the class: %2").arg(robot.number).arg(key);
    save();
    return robot;
}

bool ClassRoster::rename(const QString &deviceText, const QString &name)
{
    const qsizetype index = indexOf(keyOf(deviceText));
    if (index < 0)
        return false;
    if (m_robots[index].name != name) {
        m_robots[index].name = name;
        save();
    }
    return true;
}

std::optional<ClassRoster::Robot> ClassRoster::robot(const QString &deviceText) const
{
    const qsizetype index = indexOf(keyOf(deviceText));
    if (index < 0)
        return std::nullopt;
    return m_robots[index];
}

int ClassRoster::numberOf(const QString &deviceText) const
{
    const qsizetype index = indexOf(keyOf(deviceText));
    return index < 0 ? 0 : m_robots[index].number;
}

bool ClassRoster::save()
{
    QJsonArray entries;
    for (const Robot &robot : std::as_const(m_robots)) {
        entries.append(QJsonObject{{kNumberKey, robot.number},
                                   {kKeyKey, robot.key},
                                   {kNameKey, robot.name},
                                   {kAddressKey, robot.address}});
    }
    emit changed();
    QDir().mkpath(QFileInfo(m_filePath).absolutePath());
    QSaveFile file(m_filePath);
    if (!file.open(QIODevice::WriteOnly) ||
        file.write(QJsonDocument(QJsonObject{{kRobotsKey, entries}}).toJson()) < 0 ||
        !file.commit()) {
        qCWarning(lcLink).noquote() << QStringLiteral("Cannot save the class to %1: %2")
                                           .arg(m_filePath, file.errorString());
        return false;
    }
    return true;
}

int ClassRoster::freeNumber() const
{
    // The robots are kept by number: the first gap is the lowest free number.
    int number = 1;
    for (const Robot &robot : m_robots) {
        if (robot.number != number)
            break;
        ++number;
    }
    return number;
}

qsizetype ClassRoster::indexOf(const QString &key) const
{
    for (qsizetype i = 0; i < m_robots.size(); ++i) {
        if (m_robots[i].key == key)
            return i;
    }
    return -1;
}
