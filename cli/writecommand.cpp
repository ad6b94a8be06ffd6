#include "classjobs.h"
#include "linkcommands.h"
#include "linkoptions.h"
#include "linksession.h"
#include "subcommand.h"
#include "terminalprogress.h"

int runWrite(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Compiles a program document, writes it into the controller's memory and confirms the "
        "configuration, so the controller is ready to run it. On a terminal, standard error shows "
        "the progress and how each step ended.\n\nWith --device given several times, writes to "
        "every robot at once (several links open together, the rest queued; a robot that drops "
        "is written again once it is back) and prints one line per robot at the end: address, "
        "name, and \"written\" or why it failed.\n\nExit status: 0 when the "
        "controller (every one) is ready, 1 when the program does not compile (nothing is sent), 2 "
        "for "
        "usage errors and unreadable input, 3 when the link fails or the timeout passes."));
    parser.addHelpOption();
    parser.addPositionalArgument(QStringLiteral("PROGRAM.json"),
                                 QStringLiteral("The program document to write."));
    const LinkOptions options;
    options.addTo(parser);
    if (const std::optional<int> exitCode =
            Cli::parseArguments(parser, arguments, QStringLiteral("taviroc write")))
        return *exitCode;
    const QStringList positional = parser.positionalArguments();
    if (positional.size() != 1) {
        Cli::error(QStringLiteral("usage: taviroc write --device ADDRESS [--device ADDRESS ...] "
                                  "PROGRAM.json [--timeout S]"));
        return ExitUsage;
    }
    const std::optional<QStringList> addresses = options.addresses(parser);
    const std::optional<int> timeout = options.timeoutSeconds(parser);
    if (!addresses || !timeout)
        return ExitUsage;
    const std::optional<QString> address = addresses->first();

    options.installLogging(parser);
    int exitCode = ExitUsage;
    const std::optional<QJsonObject> document =
        Cli::readProgramToSend(positional.first(), &exitCode);
    if (!document)
        return exitCode;

    if (addresses->size() > 1)
        return ClassJobs::runOnEvery(RobotJob::Kind::Write, *addresses, *timeout, *document, {});

    LinkSession session(*address, *timeout);
    TerminalProgress progress(*address, stderr);
    session.showProgressOn(progress);
    if (!session.write(*document)) {
        Cli::error(session.failureReason());
        return ExitLink;
    }
    return ExitSuccess;
}
