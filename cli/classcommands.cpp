#include "classjobs.h"
#include "classroster.h"
#include "linkcommands.h"
#include "linkoptions.h"
#include "linksession.h"
#include "subcommand.h"

#include <QJsonArray>

#include <cstdio>

namespace {

QJsonObject pin(const char *label, int gadget)
{
    return {{QStringLiteral("pinLbl"), QLatin1String(label)}, {QStringLiteral("gadgetId"), gadget}};
}

// The kit with every gadget a robot shows itself with: the drive motors on D5 and D6, the
// picture on D11 to D13, the buzzer on D8.
QJsonObject wholeKit()
{
    return {{QStringLiteral("Motor1"), 100},
            {QStringLiteral("Motor2"), 100},
            {QStringLiteral("pins"), QJsonArray{pin("D5", 40), pin("D6", 41), pin("D11", 60),
                                                pin("D12", 60), pin("D13", 60), pin("D8", 70)}},
            {QStringLiteral("servocalibr"), QJsonArray()}};
}

} // namespace

int runIdentify(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Makes the robot show which one it is for about two seconds: its class number on the 8x8 "
        "picture, a short melody and a small back-and-forth of the drive motors, each where the "
        "configuration has that gadget (the one of --program, else the whole kit: drive motors "
        "on D5 and D6, the picture on D11-D13, the buzzer on D8), sent first; then it halts the "
        "robot (drive stopped, picture cleared, silence). Nothing is written to its memory. A "
        "robot new to the class gets the next free number.\n\n"
        "Exit status: 0 when the robot showed itself and was halted, 2 for usage errors and "
        "unreadable input, 3 when the link fails or the timeout passes."));
    parser.addHelpOption();
    const QCommandLineOption programOption(
        QStringLiteral("program"),
        QStringLiteral("Take the robot's gadgets from the configuration of <PROGRAM.json>."),
        QStringLiteral("PROGRAM.json"));
    parser.addOption(programOption);
    const LinkOptions options;
    options.addTo(parser);
    if (const std::optional<int> exitCode =
            Cli::parseArguments(parser, arguments, QStringLiteral("taviroc identify")))
        return *exitCode;
    if (!parser.positionalArguments().isEmpty()) {
        Cli::error(QStringLiteral("usage: taviroc identify --device ADDRESS [--program "
                                  "PROGRAM.json] [--timeout S]"));
        return ExitUsage;
    }
    const std::optional<QString> address = options.address(parser);
    const std::optional<int> timeout = options.timeoutSeconds(parser);
    if (!address || !timeout)
        return ExitUsage;
    QJsonObject configuration = wholeKit();
    if (parser.isSet(programOption)) {
        const std::optional<QJsonObject> document =
            Cli::readProgramDocument(parser.value(programOption));
        if (!document)
            return ExitUsage;
        configuration = document->value(QLatin1String("configuration")).toObject();
    }
    options.installLogging(parser);

    ClassRoster roster(ClassJobs::rosterPath());
    roster.load();
    const ClassRoster::Robot robot = roster.meet(*address);
    LinkSession session(*address, *timeout);
    if (!session.identify(configuration, robot.number)) {
        Cli::error(session.failureReason());
        return ExitLink;
    }
    std::printf("%s\t%s\tshown as number %d\n", qPrintable(*address),
                qPrintable(robot.name.isEmpty() ? QStringLiteral("-") : robot.name), robot.number);
    return ExitSuccess;
}

int runRename(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Gives the robot a new name with the rename packet and remembers it in the class (a "
        "robot new to the class gets the next free number).\n\n"
        "Exit status: 0 when the robot took the name, 2 for usage errors, 3 when the link fails "
        "or the timeout passes."));
    parser.addHelpOption();
    parser.addPositionalArgument(QStringLiteral("NAME"), QStringLiteral("The robot's new name."));
    const LinkOptions options;
    options.addTo(parser);
    if (const std::optional<int> exitCode =
            Cli::parseArguments(parser, arguments, QStringLiteral("taviroc rename")))
        return *exitCode;
    const QStringList positional = parser.positionalArguments();
    if (positional.size() != 1 || positional.first().trimmed().isEmpty()) {
        Cli::error(QStringLiteral("usage: taviroc rename --device ADDRESS NAME [--timeout S]"));
        return ExitUsage;
    }
    const std::optional<QString> address = options.address(parser);
    const std::optional<int> timeout = options.timeoutSeconds(parser);
    if (!address || !timeout)
        return ExitUsage;
    options.installLogging(parser);

    const QString name = positional.first().trimmed();
    LinkSession session(*address, *timeout);
    if (!session.rename(name)) {
        Cli::error(session.failureReason());
        return ExitLink;
    }
    ClassRoster roster(ClassJobs::rosterPath());
    roster.load();
    const int number = roster.meet(*address).number;
    roster.rename(*address, name);
    std::printf("%s\t%s\trenamed (number %d)\n", qPrintable(*address), qPrintable(name), number);
    return ExitSuccess;
}
