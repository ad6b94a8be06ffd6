#include "classjobs.h"
#include "linkcommands.h"
#include "linkoptions.h"
#include "linksession.h"
#include "subcommand.h"
#include "terminalprogress.h"

#include <QFileInfo>
#include <QJsonDocument>

#include <cstdio>

int runRead(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Reads the controller's whole memory and decodes the program in it, printed as JSON. On a "
        "terminal, standard error shows the progress and how the read ended.\n\n"
        "With --device given several times (or with --output-dir), reads every robot at once "
        "into DIR, each into \"<robot name>.json\" (the name the class knows, else the "
        "address; a number is added where names repeat) with the robot's name and address "
        "beside the program under \"robot\", and prints one line per robot at the end: "
        "address, name, and where it was read to or why it failed.\n\n"
        "Exit status: 0 when a document was read (from every robot), 1 when the memory of the "
        "one robot does not decode, 2 for usage errors and unwritable files, 3 when the link "
        "fails or the timeout passes (for any of several robots)."));
    parser.addHelpOption();
    const QCommandLineOption outputOption(
        {QStringLiteral("o"), QStringLiteral("output")},
        QStringLiteral("Write the document to <PROGRAM.json> instead of stdout."),
        QStringLiteral("PROGRAM.json"));
    const QCommandLineOption folderOption(
        QStringLiteral("output-dir"),
        QStringLiteral("Write each robot's program into <DIR> as \"<robot name>.json\"."),
        QStringLiteral("DIR"));
    parser.addOptions({outputOption, folderOption});
    const LinkOptions options;
    options.addTo(parser);
    if (const std::optional<int> exitCode =
            Cli::parseArguments(parser, arguments, QStringLiteral("taviroc read")))
        return *exitCode;
    if (!parser.positionalArguments().isEmpty()) {
        Cli::error(QStringLiteral("usage: taviroc read --device ADDRESS [-o PROGRAM.json] "
                                  "[--timeout S], or taviroc read --device A --device B ... "
                                  "--output-dir DIR"));
        return ExitUsage;
    }
    const std::optional<QStringList> addresses = options.addresses(parser);
    const std::optional<int> timeout = options.timeoutSeconds(parser);
    if (!addresses || !timeout)
        return ExitUsage;
    if (addresses->size() > 1 || parser.isSet(folderOption)) {
        if (parser.isSet(outputOption)) {
            Cli::error(QStringLiteral("-o names one file; several robots are read with "
                                      "--output-dir DIR"));
            return ExitUsage;
        }
        const QString folder = parser.value(folderOption);
        if (folder.isEmpty()) {
            Cli::error(QStringLiteral("several robots are read into a folder: --output-dir DIR"));
            return ExitUsage;
        }
        if (!QFileInfo(folder).isDir()) {
            Cli::error(QStringLiteral("%1 is not a folder").arg(folder));
            return ExitUsage;
        }
        options.installLogging(parser);
        return ClassJobs::runOnEvery(RobotJob::Kind::Read, *addresses, *timeout, {}, folder);
    }
    const std::optional<QString> address = addresses->first();

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
