#include "subcommand.h"

#include "memoryimage.h"

#include <QCoreApplication>
#include <QFile>
#include <QJsonDocument>
#include <QLoggingCategory>
#include <QSaveFile>

#include <algorithm>
#include <cstdio>
#include <iterator>

namespace Cli {

namespace {

// Far beyond any program document or memory image; guards against reading a device or a huge file.
constexpr qint64 kMaxInputSize = 16 * 1024 * 1024;

bool verboseLog = false;

// What the compiler logs for every program it builds and the decoder for every record it reads:
// a trace for developers. What the compiler finds wrong is the answer of a failed compile.
bool isTrace(const QString &message)
{
    static const QLatin1String kTracePrefixes[] = {QLatin1String("Subprogram count:"),
                                                   QLatin1String("Main program len:"),
                                                   QLatin1String("CMD:")};
    return std::any_of(std::begin(kTracePrefixes), std::end(kTracePrefixes),
                       [&message](QLatin1String prefix) { return message.startsWith(prefix); });
}

void logHandler(QtMsgType, const QMessageLogContext &, const QString &message)
{
    if (!verboseLog && isTrace(message))
        return;
    std::fprintf(stderr, "%s\n", qPrintable(message));
    std::fflush(stderr);
}

} // namespace

QString helpText(const QCommandLineParser &parser, const QString &usage)
{
    QString text = parser.helpText();
    const qsizetype lineEnd = text.indexOf(u'\n');
    const QString firstLine = text.left(lineEnd);
    // The generated line reads "Usage: <path> [options] ..."; keep what follows the path.
    const QString path = QCoreApplication::arguments().value(0);
    const qsizetype rest = firstLine.indexOf(path) >= 0 ? firstLine.indexOf(path) + path.size()
                                                        : firstLine.indexOf(u' ', 7);
    text.replace(0, lineEnd, QStringLiteral("Usage: ") + usage + firstLine.mid(rest));
    return text;
}

std::optional<int> parseArguments(QCommandLineParser &parser, const QStringList &arguments,
                                  const QString &usage)
{
    if (!parser.parse(arguments)) {
        error(parser.errorText());
        return ExitUsage;
    }
    if (parser.isSet(QStringLiteral("help"))) {
        std::fputs(qPrintable(helpText(parser, usage)), stdout);
        return ExitSuccess;
    }
    return std::nullopt;
}

std::optional<QJsonObject> readProgramDocument(const QString &path)
{
    const std::optional<QByteArray> text = readInputFile(path);
    if (!text)
        return std::nullopt;
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(*text, &parseError);
    if (parseError.error != QJsonParseError::NoError) {
        error(QStringLiteral("%1 is not valid JSON: %2 at offset %3")
                  .arg(path, parseError.errorString())
                  .arg(parseError.offset));
        return std::nullopt;
    }
    if (!document.isObject()) {
        error(QStringLiteral("%1 does not hold a JSON object").arg(path));
        return std::nullopt;
    }
    return document.object();
}

void error(const QString &message)
{
    std::fprintf(stderr, "taviroc: %s\n", qPrintable(message));
    std::fflush(stderr);
}

std::optional<QByteArray> readInputFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        error(QStringLiteral("cannot read %1: %2").arg(path, file.errorString()));
        return std::nullopt;
    }
    // Read in steps rather than into a buffer of the largest size allowed: a program of a few
    // kilobytes costs a few kilobytes. Pipes and devices tell no size, so the limit is counted.
    const QString tooLarge =
        QStringLiteral("%1 is too large (more than %2 bytes)").arg(path).arg(kMaxInputSize);
    QByteArray bytes;
    if (!file.isSequential()) {
        if (file.size() > kMaxInputSize) {
            error(tooLarge);
            return std::nullopt;
        }
        bytes.reserve(file.size());
    }
    char chunk[64 * 1024];
    qint64 count = 0;
    while ((count = file.read(chunk, sizeof chunk)) > 0) {
        bytes.append(chunk, count);
        if (bytes.size() > kMaxInputSize) {
            error(tooLarge);
            return std::nullopt;
        }
    }
    if (file.error() != QFileDevice::NoError) {
        error(QStringLiteral("cannot read %1: %2").arg(path, file.errorString()));
        return std::nullopt;
    }
    return bytes;
}

bool writeOutputFile(const QString &path, const QByteArray &bytes)
{
    if (path == QLatin1String("-")) {
        const bool written =
            std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout) == size_t(bytes.size());
        return std::fflush(stdout) == 0 && written;
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        error(QStringLiteral("cannot write %1: %2").arg(path, file.errorString()));
        return false;
    }
    file.write(bytes);
    if (!file.commit()) {
        error(QStringLiteral("cannot write %1: %2").arg(path, file.errorString()));
        return false;
    }
    return true;
}

std::optional<QJsonObject> readProgramToSend(const QString &path, int *exitCode)
{
    std::optional<QJsonObject> document = readProgramDocument(path);
    if (!document) {
        *exitCode = ExitUsage;
        return std::nullopt;
    }
    ImageBuilder builder;
    if (!builder.buildImage(*document).success) {
        error(QStringLiteral("%1 does not compile; nothing was sent").arg(path));
        *exitCode = ExitFailure;
        return std::nullopt;
    }
    return document;
}

void installLogHandler(bool verbose, bool linkCommand)
{
    verboseLog = verbose;
    qInstallMessageHandler(logHandler);
    // Quiet as the editor unless asked: warnings, and what the compiler or the decoder found
    // wrong. The rules of QT_LOGGING_RULES still outrank these.
    QStringList rules;
    if (verbose) {
        rules << QStringLiteral("taviro.*.debug=true") << QStringLiteral("taviro.*.info=true");
    } else {
        rules << QStringLiteral("taviro.codegen.debug=true");
        if (linkCommand)
            rules << QStringLiteral("qt.bluetooth*=false");
    }
    QLoggingCategory::setFilterRules(rules.join(QLatin1Char('\n')));
}

} // namespace Cli
