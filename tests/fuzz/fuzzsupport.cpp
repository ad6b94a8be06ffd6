#include "fuzzsupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QHashFunctions>
#include <QLoggingCategory>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>
#include <memory>

namespace FuzzSupport {

namespace {

void discardMessage(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    if (type == QtFatalMsg) {
        std::fprintf(stderr, "fatal: %s\n", qPrintable(message));
        std::abort();
    }
}

} // namespace

void initialise(int *argc, char ***argv)
{
    // Qt seeds its hashes at random, and hash order decides which code an input reaches: with a
    // fixed seed, libFuzzer's -seed replays the same run, and a finding reproduces.
    QHashSeed::setDeterministicGlobalSeed();
    static QCoreApplication application(*argc, *argv);
    // Disabled categories skip formatting the message at all; the handler catches the rest.
    QLoggingCategory::setFilterRules(QStringLiteral("*=false"));
    qInstallMessageHandler(discardMessage);
}

QString scratchFolder()
{
    static const std::unique_ptr<QTemporaryDir> folder = [] {
        const QString base = QDir(QStringLiteral("/dev/shm")).exists() ? QStringLiteral("/dev/shm")
                                                                       : QDir::tempPath();
        return std::make_unique<QTemporaryDir>(base + QStringLiteral("/taviro-fuzz-XXXXXX"));
    }();
    return folder->path();
}

void writeFile(const QString &path, const QByteArray &contents)
{
    QDir().mkpath(path.section(QLatin1Char('/'), 0, -2));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        file.write(contents) != contents.size()) {
        std::fprintf(stderr, "cannot write the fuzz input to %s\n", qPrintable(path));
        std::abort();
    }
}

void fail(const char *condition, const char *file, int line)
{
    std::fprintf(stderr, "%s:%d: invariant broken: %s\n", file, line, condition);
    std::abort();
}

} // namespace FuzzSupport
