#include "linkcommands.h"
#include "linkoptions.h"
#include "linksession.h"
#include "subcommand.h"
#include "terminalprogress.h"

#include <QJsonDocument>

#include <cstdio>

int runRead(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Reads the controller's whole memory and decodes the program in it, printed as JSON. On a "
        "terminal, standard error shows the progress and how the read ended.\n\n"
        "Exit status: 0 when a document was read, 1 when the memory does not decode, 2 for "
        "usage errors and unwritable files, 3 when the link fails or the timeout passes."));
    parser.addHelpOption();
    const QCommandLineOption outputOption(
        {QStringLiteral("o"), QStringLiteral("output")},
        QStringLiteral("Write the document to <PROGRAM.json> instead of stdout."),
        QStringLiteral("PROGRAM.json"));
    parser.addOption(outputOption);
    const LinkOptions options;
    options.addTo(parser);
    if (const std::optional<int> exitCode =
            Cli::parseArguments(parser, arguments, QStringLiteral("taviroc read")))
        return *exitCode;
    if (!parser.positionalArguments().isEmpty()) {
        Cli::error(QStringLiteral("usage: taviroc read --device ADDRESS [-o PROGRAM.json] "
                                  "[--timeout S]"));
        return ExitUsage;
    }
    const std::optional<QString> address = options.address(parser);
    const std::optional<int> timeout = options.timeoutSeconds(parser);
    if (!address || !timeout)
        return ExitUsage;

    options.installLogging(parser);
    LinkSession session(*address, *timeout);
    TerminalProgress progress(*address, stderr);
    session.showProgressOn(progress);
    const std::optional<QJsonObject> document = session.read();
    if (!document) {
        Cli::error(session.failureReason());
        return session.memoryUndecodable() ? ExitFailure : ExitLink;
    }
    const QByteArray json = QJsonDocument(*document).toJson(QJsonDocument::Indented);
    const QString outputPath =
        parser.isSet(outputOption) ? parser.value(outputOption) : QStringLiteral("-");
    return Cli::writeOutputFile(outputPath, json) ? ExitSuccess : ExitUsage;
}
