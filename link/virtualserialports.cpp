#include "virtualserialports.h"

#include "linklog.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace VirtualSerialPorts {

#ifdef Q_OS_UNIX
namespace {

QString systemError()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}

// From lstat: a symbolic link in place of the folder could lead into one its maker controls.
QString problemOf(const QString &path, const struct stat &info)
{
    if (S_ISLNK(info.st_mode))
        return QStringLiteral("%1 is a symbolic link").arg(path);
    if (!S_ISDIR(info.st_mode))
        return QStringLiteral("%1 is not a folder").arg(path);
    if (info.st_uid != ::getuid())
        return QStringLiteral("%1 belongs to another user").arg(path);
    if (info.st_mode & (S_IWGRP | S_IWOTH))
        return QStringLiteral("%1 may be written by other users").arg(path);
    return QString();
}

} // namespace
#endif

QString folder()
{
    // Without a session's runtime folder Qt would warn and make one; the temporary folder does.
    if (qEnvironmentVariableIsSet("XDG_RUNTIME_DIR"))
        return QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation) +
               QStringLiteral("/taviro-serial");
#ifdef Q_OS_UNIX
    // The temporary folder is shared by every user, so each gets a folder of their own.
    return QDir::tempPath() + QStringLiteral("/taviro-serial-%1").arg(::getuid());
#else
    return QDir::tempPath() + QStringLiteral("/taviro-serial");
#endif
}

QString folderProblem(const QString &path)
{
#ifdef Q_OS_UNIX
    struct stat info;
    if (::lstat(QFile::encodeName(path).constData(), &info) != 0)
        return QStringLiteral("cannot examine %1: %2").arg(path, systemError());
    return problemOf(path, info);
#else
    Q_UNUSED(path)
    return QStringLiteral("pseudo-terminals are not served on this system");
#endif
}

QString publish(const QString &name, const QString &portPath, QString *error)
{
    const QString dir = folder();
    QString problem;
#ifdef Q_OS_UNIX
    // Made for the owner alone; one that is already there is examined like any other.
    if (::mkdir(QFile::encodeName(dir).constData(), 0700) != 0 && errno != EEXIST)
        problem = QStringLiteral("cannot make %1: %2").arg(dir, systemError());
#endif
    if (problem.isEmpty())
        problem = folderProblem(dir);
    const QString link = dir + QLatin1Char('/') + name;
    if (problem.isEmpty()) {
        QFile::remove(link);
        if (!QFile::link(portPath, link))
            problem = QStringLiteral("cannot make the link %1").arg(link);
    }
    if (error)
        *error = problem;
    return problem.isEmpty() ? link : QString();
}

void withdraw(const QString &linkPath)
{
    if (!linkPath.isEmpty())
        QFile::remove(linkPath);
}

QStringList present()
{
    QStringList links;
#ifdef Q_OS_UNIX
    const QString dir = folder();
    struct stat info;
    if (::lstat(QFile::encodeName(dir).constData(), &info) != 0)
        return links; // no simulator has published a port yet
    if (const QString problem = problemOf(dir, info); !problem.isEmpty()) {
        qCWarning(lcLink, "Virtual serial ports not listed: %s", qUtf8Printable(problem));
        return links;
    }
    const QStringList names =
        QDir(dir).entryList(QDir::System | QDir::Files | QDir::NoDotAndDotDot, QDir::Name);
    for (const QString &name : names) {
        const QString path = dir + QLatin1Char('/') + name;
        const QByteArray encoded = QFile::encodeName(path);
        // Only the user's own links to a port: a link to a file, or to nothing after a simulator
        // was killed, is no robot.
        struct stat target;
        if (::lstat(encoded.constData(), &info) == 0 && S_ISLNK(info.st_mode) &&
            info.st_uid == ::getuid() && ::stat(encoded.constData(), &target) == 0 &&
            S_ISCHR(target.st_mode))
            links.append(path);
    }
#endif
    return links;
}

} // namespace VirtualSerialPorts
