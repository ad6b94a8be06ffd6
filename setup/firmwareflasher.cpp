#include "firmwareflasher.h"

#include "setuplogging.h"
#include "shippeddata.h"

#include <QDir>
#include <QFileInfo>
#include <QMetaEnum>
#include <QSysInfo>

FirmwareFlasher::FirmwareFlasher(QObject *parent)
    : QObject(parent)
    , m_applicationFolder(ShippedData::folderHolding(QStringLiteral("firmware")))
    , m_windows(QSysInfo::productType().contains(QLatin1String("windows")))
{}

void FirmwareFlasher::setApplicationFolder(const QString &folder)
{
    m_applicationFolder = folder;
}

void FirmwareFlasher::setWindowsLayout(bool windows)
{
    m_windows = windows;
}

QString FirmwareFlasher::workDirectory() const
{
    const QString folder =
        m_windows ? QStringLiteral("firmware/windows/") : QStringLiteral("firmware/linux/");
    return QStringLiteral("%1/%2").arg(m_applicationFolder, folder);
}

QString FirmwareFlasher::scriptPath() const
{
    const QString script = m_windows ? QStringLiteral("prog2.bat") : QStringLiteral("prog2");
    return QStringLiteral("%1/%2").arg(QDir(workDirectory()).path(), script);
}

FirmwareFlasher::StartResult FirmwareFlasher::start(const QString &port)
{
    if (m_flashing)
        return StartResult::AlreadyRunning;

    const QDir workDir(workDirectory());
    qCDebug(lcSetup) << "Work directory:" << workDir;
    if (!workDir.exists())
        return StartResult::DirectoryNotFound;

    const QString script = scriptPath();
    if (!QFileInfo::exists(script))
        return StartResult::ScriptNotFound;

    auto *process = new QProcess(this);
    m_process = process;
    process->setWorkingDirectory(workDir.path());
    QStringList arguments{port};
    qCDebug(lcSetup) << "Arguments " << arguments;

    connect(process, &QProcess::readyReadStandardOutput, this, [process] {
        qCDebug(lcSetup) << "Standard Output:" << process->readAllStandardOutput();
    });
    connect(process, &QProcess::readyReadStandardError, this, [process] {
        qCDebug(lcSetup) << "Standard Error:" << process->readAllStandardError();
    });
    connect(process, &QProcess::finished, this, &FirmwareFlasher::onFinished);
    connect(process, &QProcess::errorOccurred, this, &FirmwareFlasher::onError);

    m_flashing = true;
    m_lastExitCode = -1;
    emit flashingStarted();

    if (m_windows) {
        qCDebug(lcSetup) << "Start: " << script << " : " << arguments;
        process->start(script, arguments, QIODevice::ReadWrite);
    } else {
        arguments.prepend(script);
        qCDebug(lcSetup) << "Start bash: " << arguments;
        process->start(QStringLiteral("/bin/bash"), arguments, QIODevice::ReadWrite);
    }
    return StartResult::Started;
}

void FirmwareFlasher::onFinished(int exitCode, QProcess::ExitStatus exitStatus)
{
    auto *process = qobject_cast<QProcess *>(sender());
    if (process)
        process->deleteLater();
    m_lastExitCode = exitStatus == QProcess::NormalExit ? exitCode : -1;
    finish(exitCode == 0 && exitStatus == QProcess::NormalExit);
}

void FirmwareFlasher::onError(QProcess::ProcessError error)
{
    auto *process = qobject_cast<QProcess *>(sender());
    qCWarning(lcSetup).noquote() << "Firmware process error:"
                                 << QMetaEnum::fromType<QProcess::ProcessError>().valueToKey(error)
                                 << (process ? process->errorString() : QString());
    if (!process) {
        finish(false);
        return;
    }
    if (error == QProcess::FailedToStart) {
        process->deleteLater();
        finish(false);
        return;
    }
    // A read or write error leaves the script running; only a process that is over may free the
    // button, or a second flasher could open the same port. The finished handler follows anyway.
    if (process->state() == QProcess::NotRunning)
        finish(false);
}

void FirmwareFlasher::finish(bool success)
{
    const bool wasFlashing = m_flashing;
    m_flashing = false;
    if (wasFlashing)
        emit flashingFinished(success);
}
