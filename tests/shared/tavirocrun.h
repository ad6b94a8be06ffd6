#pragma once

// Test double shared by the tests that run taviroc as a child process. The test defines
// TAVIROC_PATH as the program's path.

#include <QByteArray>
#include <QProcess>
#include <QStringList>

struct TavirocRun
{
    // -1 when it did not end in time or crashed.
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

inline TavirocRun taviroc(const QStringList &arguments, int timeoutMs = 100000)
{
    QProcess process;
    process.start(QStringLiteral(TAVIROC_PATH), arguments);
    TavirocRun result;
    if (!process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished(5000);
        return result;
    }
    result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    result.out = process.readAllStandardOutput();
    result.err = process.readAllStandardError();
    return result;
}
