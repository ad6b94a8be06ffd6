#pragma once

#include <QObject>
#include <QPointer>
#include <QProcess>
#include <QStringList>

// Runs the kit maker's flashing script from the shipped firmware folder, one at a
// time, and reports how it ended. The script takes the serial port name as its only argument.
class FirmwareFlasher : public QObject
{
    Q_OBJECT
public:
    enum class StartResult
    {
        Started,
        AlreadyRunning,
        DirectoryNotFound,
        ScriptNotFound
    };
    Q_ENUM(StartResult)

    explicit FirmwareFlasher(QObject *parent = nullptr);

    // The folder that holds "firmware/"; the program's shipped data folder unless a caller (tests)
    // says otherwise.
    void setApplicationFolder(const QString &folder);
    QString applicationFolder() const { return m_applicationFolder; }

    // Which of the two script layouts is used; follows the running system by default.
    void setWindowsLayout(bool windows);
    bool windowsLayout() const { return m_windows; }

    QString workDirectory() const;
    QString scriptPath() const;

    StartResult start(const QString &port);
    bool isFlashing() const { return m_flashing; }
    // Exit code of the last script that ran to its end; -1 when it crashed or never started.
    int lastExitCode() const { return m_lastExitCode; }
    // Exit code with which the shipped scripts say that their settings file is missing.
    static constexpr int SettingsMissingExitCode = 3;
    QProcess *process() const { return m_process; }

signals:
    void flashingStarted();
    // success: exit code 0 after a normal exit.
    void flashingFinished(bool success);

private:
    void onFinished(int exitCode, QProcess::ExitStatus exitStatus);
    void onError(QProcess::ProcessError error);
    void finish(bool success);

    QString m_applicationFolder;
    bool m_windows = false;
    bool m_flashing = false;
    int m_lastExitCode = -1;
    QPointer<QProcess> m_process;
};
