#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

// What the program writes to stderr when started from a terminal: warnings only, unless the
// debug log is asked for with --verbose or QT_LOGGING_RULES.
class tst_StartupLog : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void debugLog_data();
    void debugLog();

private:
    QTemporaryDir m_home;
};

void tst_StartupLog::initTestCase()
{
    QVERIFY(m_home.isValid());
    QVERIFY(QDir(m_home.path()).mkpath(QStringLiteral("Lumakit/Programs")));
}

void tst_StartupLog::debugLog_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("rules");
    // Categories whose debug or info lines appear; the line that must be among them.
    QTest::addColumn<QStringList>("categories");
    QTest::addColumn<QString>("expectedLine");

    const QString configLine =
        QStringLiteral("debug taviro.config: m_outputPinsByCommand contains");
    QTest::newRow("default") << QStringList() << QString() << QStringList() << QString();
    QTest::newRow("--verbose") << QStringList{"--verbose"} << QString()
                               << QStringList{"taviro.codegen", "taviro.config", "taviro.link",
                                              "taviro.ui"}
                               << configLine;
    QTest::newRow("one category by rules") << QStringList() << "taviro.config.debug=true"
                                           << QStringList{"taviro.config"} << configLine;
    QTest::newRow("--verbose narrowed by rules")
        << QStringList{"--verbose"} << "taviro.*.debug=false\ntaviro.*.info=false" << QStringList()
        << QString();
}

void tst_StartupLog::debugLog()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, rules);
    QFETCH(QStringList, categories);
    QFETCH(QString, expectedLine);

    QFile state(m_home.filePath(QStringLiteral("Lumakit/states.json")));
    QVERIFY(state.open(QIODevice::WriteOnly | QIODevice::Truncate));
    state.write(
        QJsonDocument(QJsonObject{{"Language", "English"}, {"ProgData", QJsonArray{QJsonArray{}}}})
            .toJson());
    state.close();

    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("HOME"), m_home.path());
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    environment.insert(QStringLiteral("QT_MESSAGE_PATTERN"),
                       QStringLiteral("%{type} %{category}: %{message}"));
    environment.remove(QStringLiteral("QT_LOGGING_RULES"));
    if (!rules.isEmpty())
        environment.insert(QStringLiteral("QT_LOGGING_RULES"), rules);
    QProcess program;
    program.setProcessEnvironment(environment);
    program.start(QStringLiteral(TAVIRO_START_PATH),
                  arguments + QStringList{"--report-first-frame"});
    QVERIFY(program.waitForFinished(60000));
    QCOMPARE(program.exitCode(), 0);
    QVERIFY(program.readAllStandardOutput().startsWith("first frame"));

    const QStringList lines = QString::fromUtf8(program.readAllStandardError()).split(u'\n');
    QSet<QString> shown;
    for (const QString &line : lines) {
        if (line.startsWith(QLatin1String("debug ")) || line.startsWith(QLatin1String("info ")))
            shown.insert(line.section(u' ', 1, 1).chopped(1));
    }
    QCOMPARE(shown, QSet<QString>(categories.cbegin(), categories.cend()));
    if (!expectedLine.isEmpty()) {
        QVERIFY2(lines.filter(expectedLine).size() > 0, qPrintable(lines.join(u'\n')));
    }
}

QTEST_GUILESS_MAIN(tst_StartupLog)
#include "tst_startuplog.moc"
