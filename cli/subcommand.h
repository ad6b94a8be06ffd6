#pragma once

#include <QByteArray>
#include <QCommandLineParser>
#include <QJsonObject>
#include <QString>
#include <QStringList>

#include <optional>

// Exit codes shared by every sub-command of taviroc.
enum ExitCode
{
    ExitSuccess = 0,
    ExitFailure = 1, // the work was done but its result is a failure (for example a failed compile)
    ExitUsage = 2,   // bad arguments, unreadable or unwritable files, input of the wrong kind
};

// One sub-command: its name on the command line, one line for the overview, and its entry point.
// run() gets the arguments with the program name first ("taviroc compile", then the rest).
struct SubCommand
{
    const char *name;
    const char *summary;
    int (*run)(const QStringList &arguments);
};

int runCompile(const QStringList &arguments);
int runDecode(const QStringList &arguments);

// Helpers shared by the sub-commands.
namespace Cli {

// The parser's help text with "Usage: <usage>" as its first line instead of the program's path.
QString helpText(const QCommandLineParser &parser, const QString &usage);

// Parses a sub-command's arguments; an exit code when the command ends here (a parse error, or
// --help printed), nothing when it goes on.
std::optional<int> parseArguments(QCommandLineParser &parser, const QStringList &arguments,
                                  const QString &usage);

// Reads a program document; an error line and nothing when the file cannot be read or does not
// hold a JSON object.
std::optional<QJsonObject> readProgramDocument(const QString &path);

// A program document to send to the controller: read, then compiled once on its own with the
// compiler's messages (installLogHandler comes first), so that nothing is sent when it does not
// build. Nothing, and the exit code to return (usage for an unreadable file, failure for a
// program that does not compile), otherwise.
std::optional<QJsonObject> readProgramToSend(const QString &path, int *exitCode);

// Writes one line to stderr, prefixed with "taviroc: ".
void error(const QString &message);

// Reads a whole input file; an error line and nothing when it cannot be read or is absurdly large.
std::optional<QByteArray> readInputFile(const QString &path);

// Writes a file atomically ("-" writes to stdout); an error line and false on failure.
bool writeOutputFile(const QString &path, const QByteArray &bytes);

// Sends log lines to stderr as plain text. Quiet: warnings and what the compiler or the decoder
// found wrong (Qt's Bluetooth log not even that for a link command, `linkCommand`). Verbose: the
// whole log, with the trace of every program built and every record decoded.
void installLogHandler(bool verbose, bool linkCommand = false);

} // namespace Cli
