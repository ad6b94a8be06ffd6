#include "memoryimage.h"
#include "subcommand.h"

#include <QCommandLineParser>
#include <QJsonDocument>
#include <QJsonParseError>

#include <cstdio>

int runCompile(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Builds the controller memory image of a program document (configuration "
                       "frame, the command frames of every program, end frame) and writes its "
                       "bytes, unpadded.\n\nExit status: 0 when the program compiled, 1 when it "
                       "did not (the image is still written and the reason is logged on stderr), "
                       "2 for usage errors, unreadable files or input that is not a JSON object."));
    parser.addHelpOption();
    parser.addPositionalArgument(QStringLiteral("PROGRAM.json"),
                                 QStringLiteral("The program document to compile."));
    const QCommandLineOption outputOption({QStringLiteral("o"), QStringLiteral("output")},
                                          QStringLiteral("Write the image to <IMAGE.bin>."),
                                          QStringLiteral("IMAGE.bin"));
    parser.addOption(outputOption);

    if (!parser.parse(arguments)) {
        Cli::error(parser.errorText());
        return ExitUsage;
    }
    if (parser.isSet(QStringLiteral("help"))) {
        std::fputs(qPrintable(Cli::helpText(parser, QStringLiteral("taviroc compile"))), stdout);
        return ExitSuccess;
    }
    const QStringList positional = parser.positionalArguments();
    if (positional.size() != 1 || !parser.isSet(outputOption)) {
        Cli::error(QStringLiteral("usage: taviroc compile PROGRAM.json -o IMAGE.bin"));
        return ExitUsage;
    }

    const QString inputPath = positional.first();
    const std::optional<QByteArray> text = Cli::readInputFile(inputPath);
    if (!text)
        return ExitUsage;
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(*text, &parseError);
    if (parseError.error != QJsonParseError::NoError) {
        Cli::error(QStringLiteral("%1 is not valid JSON: %2 at offset %3")
                       .arg(inputPath, parseError.errorString())
                       .arg(parseError.offset));
        return ExitUsage;
    }
    if (!document.isObject()) {
        Cli::error(QStringLiteral("%1 does not hold a JSON object").arg(inputPath));
        return ExitUsage;
    }

    Cli::installLogHandler(true);
    ImageBuilder builder;
    const ImageBuilder::Result result = builder.buildImage(document.object());
    if (!Cli::writeOutputFile(parser.value(outputOption), result.image))
        return ExitUsage;
    if (!result.success) {
        Cli::error(QStringLiteral("the program does not compile; the image was written anyway"));
        return ExitFailure;
    }
    return ExitSuccess;
}
