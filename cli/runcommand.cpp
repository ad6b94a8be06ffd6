#include "linkcommands.h"
#include "linkoptions.h"
#include "linksession.h"
#include "subcommand.h"

#include <QJsonArray>

#include <cstdio>

namespace {

// One line per executed command: "main 3 m_fwd", "sub2 1 mSetleds" (rows count from 1).
QString commandLine(const QJsonObject &document, int program, int position)
{
    const QString name = document.value(QLatin1String("ProgData"))
                             .toArray()
                             .at(program)
                             .toArray()
                             .at(position)
                             .toObject()
                             .value(QLatin1String("action"))
                             .toObject()
                             .value(QLatin1String("command"))
                             .toString();
    const QString programName =
        program == 0 ? QStringLiteral("main") : QStringLiteral("sub%1").arg(program);
    return QStringLiteral("%1 %2 %3").arg(programName).arg(position + 1).arg(name);
}

} // namespace

int runRun(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Runs the program on the controller command by command, as the editor's start button "
        "does: confirms the configuration, starts the run and prints one line per executed "
        "command: the program (main, sub1 ... sub5), the row (from 1) and the command name. "
        "Breakpoints saved in the program do not pause it.\n\n"
        "Exit status: 0 when the main program ends (its last motion goes on, as on the robot "
        "alone), or once --seconds have passed (the run is then stopped and the robot halted: "
        "motors braked, sound silenced); 1 when the program does not compile (nothing is sent); 2 "
        "for usage "
        "errors and unreadable input; 3 when the link fails or the timeout passes (the timeout "
        "counts on top of --seconds)."));
    parser.addHelpOption();
    parser.addPositionalArgument(QStringLiteral("PROGRAM.json"),
                                 QStringLiteral("The program document to run."));
    const QCommandLineOption secondsOption(
        QStringLiteral("seconds"),
        QStringLiteral("Stop the run after <S> seconds (for programs with endless cycles)."),
        QStringLiteral("S"));
    parser.addOption(secondsOption);
    const LinkOptions options;
    options.addTo(parser);
    if (const std::optional<int> exitCode =
            Cli::parseArguments(parser, arguments, QStringLiteral("taviroc run")))
        return *exitCode;
    const QStringList positional = parser.positionalArguments();
    if (positional.size() != 1) {
        Cli::error(QStringLiteral("usage: taviroc run --device ADDRESS PROGRAM.json "
                                  "[--seconds S] [--timeout S]"));
        return ExitUsage;
    }
    int seconds = 0;
    if (parser.isSet(secondsOption)) {
        bool ok = false;
        seconds = parser.value(secondsOption).toInt(&ok);
        if (!ok || seconds < 1 || seconds > 24 * 3600) {
            Cli::error(QStringLiteral("--seconds wants a number of seconds, not %1")
                           .arg(parser.value(secondsOption)));
            return ExitUsage;
        }
    }
    const std::optional<QString> address = options.address(parser);
    const std::optional<int> timeout = options.timeoutSeconds(parser);
    if (!address || !timeout)
        return ExitUsage;

    options.installLogging(parser);
    int exitCode = ExitUsage;
    const std::optional<QJsonObject> document =
        Cli::readProgramToSend(positional.first(), &exitCode);
    if (!document)
        return exitCode;

    LinkSession session(*address, *timeout);
    const bool ok = session.runProgram(*document, seconds, [&document](int program, int position) {
        std::fputs(qPrintable(commandLine(*document, program, position) + QLatin1Char('\n')),
                   stdout);
        std::fflush(stdout);
    });
    if (!ok) {
        Cli::error(session.failureReason());
        return ExitLink;
    }
    return ExitSuccess;
}
