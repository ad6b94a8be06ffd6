#include "classjobs.h"

#include "classroster.h"
#include "classscheduler.h"
#include "linkcommands.h"
#include "linksession.h"
#include "subcommand.h"

#include <QDir>
#include <QEventLoop>
#include <QJsonDocument>
#include <QRegularExpression>
#include <QSet>

#include <cstdio>

namespace ClassJobs {

QString rosterPath()
{
    return ClassRoster::filePathIn(QDir::homePath() + QStringLiteral("/Lumakit"));
}

QString fileNameFor(const QString &name, const QString &address)
{
    static const QRegularExpression unsafe(QStringLiteral("[/\\\\:*?\"<>|\\x00-\\x1f]"));
    QString base = name.trimmed();
    if (base.isEmpty()) {
        base = address;
        const qsizetype scheme = base.indexOf(QLatin1String("://"));
        if (scheme >= 0)
            base = base.mid(scheme + 3);
    }
    base.replace(unsafe, QStringLiteral("-"));
    // A leading dot would hide the file.
    while (base.startsWith(QLatin1Char('.')))
        base.remove(0, 1);
    return base.isEmpty() ? QStringLiteral("robot") : base;
}

int runOnEvery(RobotJob::Kind kind, const QStringList &addresses, int timeoutSeconds,
               const QJsonObject &document, const QString &outputFolder)
{
    ClassRoster roster(rosterPath());
    roster.load();
    ClassScheduler scheduler;
    scheduler.setTimeoutSeconds(timeoutSeconds);
    QEventLoop loop;
    QObject::connect(&scheduler, &ClassScheduler::allFinished, &loop, &QEventLoop::quit);
    const int given = kind == RobotJob::Kind::Write ? scheduler.write(addresses, document)
                                                    : scheduler.read(addresses);
    if (given > 0 && scheduler.isBusy())
        loop.exec();

    // Names that more than one robot has get the robot's number (or its place) added.
    QHash<QString, int> nameCount;
    for (const QString &address : addresses)
        ++nameCount[fileNameFor(roster.robot(address).value_or(ClassRoster::Robot{}).name, address)
                        .toLower()];
    QSet<QString> usedNames;
    bool allOk = true;
    for (qsizetype i = 0; i < addresses.size(); ++i) {
        const QString &address = addresses[i];
        const std::optional<ClassRoster::Robot> known = roster.robot(address);
        const QString name = known ? known->name : QString();
        const RobotJob *job = scheduler.job(address);
        QString result;
        bool ok = job && job->isFinished() && job->failure() == RobotJob::Failure::None;
        if (!job)
            result = QStringLiteral("failed: not started");
        else if (!ok)
            result = QStringLiteral("failed: ") + LinkSession::failureText(*job);
        else if (kind == RobotJob::Kind::Write)
            result = QStringLiteral("written");
        if (ok && kind == RobotJob::Kind::Read) {
            QString base = fileNameFor(name, address);
            if (nameCount.value(base.toLower()) > 1)
                base += QStringLiteral(" %1").arg(known && known->number > 0 ? known->number
                                                                             : int(i + 1));
            QString fileName = base + QStringLiteral(".json");
            for (int n = 2; usedNames.contains(fileName.toLower()); ++n)
                fileName = QStringLiteral("%1 (%2).json").arg(base).arg(n);
            usedNames.insert(fileName.toLower());
            QJsonObject saved = job->document();
            QJsonObject robot{{QStringLiteral("name"), name}, {QStringLiteral("address"), address}};
            if (known)
                robot.insert(QStringLiteral("number"), known->number);
            saved.insert(QLatin1String(kRobotKey), robot);
            const QString path = QDir(outputFolder).filePath(fileName);
            if (Cli::writeOutputFile(path, QJsonDocument(saved).toJson(QJsonDocument::Indented))) {
                result = QStringLiteral("read into %1").arg(path);
            } else {
                ok = false;
                result = QStringLiteral("failed: cannot write %1").arg(path);
            }
        }
        allOk = allOk && ok;
        std::printf("%s\t%s\t%s\n", qPrintable(address),
                    qPrintable(name.isEmpty() ? QStringLiteral("-") : name), qPrintable(result));
    }
    std::fflush(stdout);
    return allOk ? ExitSuccess : ExitLink;
}

} // namespace ClassJobs
