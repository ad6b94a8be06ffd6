#include "memoryimage.h"
#include "subcommand.h"

#include <QCommandLineParser>

int runCompile(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Builds the controller memory image of a program document (configuration "
                       "frame, the command frames of every program, end frame) and writes its "
                       "bytes, unpadded. Nothing is printed unless the program does not compile; "
                       "then standard error says why.\n\nExit status: 0 when the program "
                       "compiled, 1 when it did not (the image is still written), 2 for usage "
                       "errors, unreadable files or input that is not a JSON object."));
    parser.addHelpOption();
    parser.addPositionalArgument(QStringLiteral("PROGRAM.json"),
                                 QStringLiteral("The program document to compile."));
    const QCommandLineOption outputOption({QStringLiteral("o"), QStringLiteral("output")},
                                          QStringLiteral("Write the image to <IMAGE.bin>."),
                                          QStringLiteral("IMAGE.bin"));
    const QCommandLineOption verboseOption(
        QStringLiteral("verbose"),
        QStringLiteral("Write the compiler's whole log to standard error (QT_LOGGING_RULES can "
                       "choose its parts)."));
    parser.addOptions({outputOption, verboseOption});

    if (const std::optional<int> exitCode =
            Cli::parseArguments(parser, arguments, QStringLiteral("taviroc compile")))
        return *exitCode;
    const QStringList positional = parser.positionalArguments();
    if (positional.size() != 1 || !parser.isSet(outputOption)) {
        Cli::error(QStringLiteral("usage: taviroc compile PROGRAM.json -o IMAGE.bin [--verbose]"));
        return ExitUsage;
    }

    const QString inputPath = positional.first();
    const std::optional<QJsonObject> document = Cli::readProgramDocument(inputPath);
    if (!document)
        return ExitUsage;

    Cli::installLogHandler(parser.isSet(verboseOption));
    ImageBuilder builder;
    const ImageBuilder::Result result = builder.buildImage(*document);
    if (!Cli::writeOutputFile(parser.value(outputOption), result.image))
        return ExitUsage;
    if (!result.success) {
        Cli::error(QStringLiteral("the program does not compile; the image was written anyway"));
        return ExitFailure;
    }
    return ExitSuccess;
}
