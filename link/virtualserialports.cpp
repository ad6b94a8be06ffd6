#include "virtualserialports.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

namespace VirtualSerialPorts {

QString folder()
{
    // Without a session's runtime folder Qt would warn and make one; the temporary folder does.
    const QString base = qEnvironmentVariableIsSet("XDG_RUNTIME_DIR")
                             ? QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation)
                             : QDir::tempPath();
    return base + QStringLiteral("/taviro-serial");
}

QString publish(const QString &name, const QString &portPath)
{
    if (!QDir().mkpath(folder()))
        return QString();
    const QString link = folder() + QLatin1Char('/') + name;
    QFile::remove(link);
    return QFile::link(portPath, link) ? link : QString();
}

void withdraw(const QString &linkPath)
{
    if (!linkPath.isEmpty())
        QFile::remove(linkPath);
}

QStringList present()
{
    QStringList links;
    const QFileInfoList entries =
        QDir(folder()).entryInfoList(QDir::System | QDir::Files | QDir::NoDotAndDotDot, QDir::Name);
    for (const QFileInfo &entry : entries) {
        // A simulator that was killed leaves its link behind, pointing nowhere.
        if (entry.isSymLink() && QFileInfo::exists(entry.symLinkTarget()))
            links.append(entry.absoluteFilePath());
    }
    return links;
}

} // namespace VirtualSerialPorts
