#include "linkcommands.h"
#include "subcommand.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <cstdio>
#include <iterator>

namespace {

// One line per sub-command; each lives in its own source file.
const SubCommand kSubCommands[] = {
    {"compile", "Build the controller memory image of a program document.", runCompile},
    {"decode", "Decode a controller memory image into a program document.", runDecode},
    {"write", "Write a program into a controller and make it ready to run.", runWrite},
    {"read", "Read the program out of a controller's memory.", runRead},
    {"run", "Run a program on a controller, one line per executed command.", runRun},
    {"scan", "List the robots in reach, paired ones first, with their class numbers.", runScan},
    {"identify", "Make a robot show which one it is: its number, a melody, a wiggle.", runIdentify},
    {"rename", "Give a robot a new name.", runRename},
};

QString overview(const QCommandLineParser &parser)
{
    QString text = Cli::helpText(parser, QStringLiteral("taviroc"));
    text += QStringLiteral("\nCommands:\n");
    for (const SubCommand &command : kSubCommands)
        text += QStringLiteral("  %1  %2\n")
                    .arg(QString::fromLatin1(command.name), -9)
                    .arg(QString::fromLatin1(command.summary));
    text += QStringLiteral("\nRun \"taviroc <command> --help\" for the options of a command.\n");
    return text;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("taviroc"));
    QCoreApplication::setApplicationVersion(QStringLiteral(TAVIROC_VERSION));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Compiles program documents into controller memory images and back."));
    parser.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsPositionalArguments);
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("command"),
                                 QStringLiteral("The command to run (see below)."),
                                 QStringLiteral("<command> [arguments]"));

    if (!parser.parse(QCoreApplication::arguments())) {
        Cli::error(parser.errorText());
        return ExitUsage;
    }
    if (parser.isSet(QStringLiteral("help"))) {
        std::fputs(qPrintable(overview(parser)), stdout);
        return ExitSuccess;
    }
    if (parser.isSet(QStringLiteral("version"))) {
        std::printf("taviroc %s\n", TAVIROC_VERSION);
        return ExitSuccess;
    }

    const QStringList positional = parser.positionalArguments();
    if (positional.isEmpty()) {
        std::fputs(qPrintable(overview(parser)), stderr);
        return ExitUsage;
    }
    const QString name = positional.first();
    for (const SubCommand &command : kSubCommands) {
        if (name == QLatin1String(command.name)) {
            const QStringList arguments =
                QStringList{QStringLiteral("taviroc %1").arg(name)} + positional.mid(1);
            return command.run(arguments);
        }
    }
    Cli::error(QStringLiteral("unknown command \"%1\"; see \"taviroc --help\"").arg(name));
    return ExitUsage;
}
