#include "memoryimage.h"
#include "subcommand.h"

#include <QCommandLineParser>
#include <QJsonDocument>

#include <cstdio>

int runDecode(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Decodes a controller memory image (for example the memory read back from "
                       "a controller) into a program document, printed as JSON.\n\nExit status: "
                       "0 when a document was emitted, 1 when the image is malformed, 2 for usage "
                       "errors and unreadable or unwritable files."));
    parser.addHelpOption();
    parser.addPositionalArgument(QStringLiteral("IMAGE.bin"),
                                 QStringLiteral("The memory image to decode."));
    const QCommandLineOption outputOption(
        {QStringLiteral("o"), QStringLiteral("output")},
        QStringLiteral("Write the document to <PROGRAM.json> instead of stdout."),
        QStringLiteral("PROGRAM.json"));
    const QCommandLineOption verboseOption(
        QStringLiteral("verbose"),
        QStringLiteral("Write the whole log to standard error, with every command record "
                       "decoded."));
    parser.addOption(outputOption);
    parser.addOption(verboseOption);

    if (const std::optional<int> exitCode =
            Cli::parseArguments(parser, arguments, QStringLiteral("taviroc decode")))
        return *exitCode;
    const QStringList positional = parser.positionalArguments();
    if (positional.size() != 1) {
        Cli::error(QStringLiteral("usage: taviroc decode IMAGE.bin [-o PROGRAM.json]"));
        return ExitUsage;
    }

    const std::optional<QByteArray> image = Cli::readInputFile(positional.first());
    if (!image)
        return ExitUsage;
    Cli::installLogHandler(parser.isSet(verboseOption));
    const std::optional<QJsonObject> document = decodeImage(*image);
    if (!document) {
        Cli::error(
            QStringLiteral("%1 is not a valid controller memory image").arg(positional.first()));
        return ExitFailure;
    }

    const QByteArray json = QJsonDocument(*document).toJson(QJsonDocument::Indented);
    const QString outputPath =
        parser.isSet(outputOption) ? parser.value(outputOption) : QStringLiteral("-");
    return Cli::writeOutputFile(outputPath, json) ? ExitSuccess : ExitUsage;
}
