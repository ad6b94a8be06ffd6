#include "appcontext.h"
#include "centralwidget.h"
#include "languagecatalog.h"
#include "mainwindow.h"
#include "programlistwidget.h"
#include "programstore.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QLoggingCategory>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

// The editor with six programs of 60 commands each: loading them, one program change (document
// build and compile), and the resident memory of the process afterwards.
class bench_Editor : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void loadDocument();
    void programChanged();
    void residentMemory();

private:
    static QJsonObject sixPrograms();
    static qint64 residentKiB();
    void load();

    QTemporaryDir m_home;
    std::unique_ptr<MainWindow> m_window;
    QJsonObject m_document;
};

void bench_Editor::initTestCase()
{
    qputenv("HOME", m_home.path().toUtf8());
    QLoggingCategory::setFilterRules(QStringLiteral("taviro.*.debug=false"));
    // A saved language that is shipped, so the window is built at once instead of asking first.
    const QStringList languages = LanguageCatalog::instance().languageNames();
    QVERIFY(!languages.isEmpty());
    QVERIFY(QDir(m_home.path()).mkpath(QStringLiteral("Lumakit")));
    QVERIFY(ProgramStore::saveFile(
        m_home.filePath(QStringLiteral("Lumakit/states.json")),
        QJsonObject{{"Language", languages.first()}, {"ProgData", QJsonArray{QJsonArray{}}}}));
    m_window = std::make_unique<MainWindow>();
    QVERIFY(m_window->isBuilt());
    m_document = sixPrograms();
    qInfo("resident memory of the empty editor: %lld KiB", residentKiB());
}

void bench_Editor::cleanupTestCase()
{
    m_window.reset();
}

QJsonObject bench_Editor::sixPrograms()
{
    const QJsonObject always{{"type", "always"}};
    const QJsonObject single{
        {"type", "single"},
        {"data", QJsonArray{QJsonObject{{"equation", "equals"}, {"pin", "D2"}, {"level", 1}}}}};
    const QList<QJsonObject> actions{
        {{"command", "m_fwd"}, {"speed", 60}, {"timer", 1}, {"time", 2}, {"brake", 1}},
        {{"command", "mPause"}, {"hour", 0}, {"minute", 0}, {"second", 1.5}},
        {{"command", "mSetleds"}, {"pin", "D9"}, {"state", 1}},
        {{"command", "mSound"}, {"note", "C"}, {"octave", "4"}, {"time", "1"}},
        {{"command", "m_left"}, {"speed", 40}, {"timer", 0}, {"time", 0}, {"brake", 0}},
        {{"command", "m_stop"}, {"brake", 1}},
    };
    QJsonArray programs;
    for (int p = 0; p < 6; ++p) {
        QJsonArray program;
        for (int i = 0; i < 60; ++i) {
            program.append(QJsonObject{{"conditions", i % 3 == 0 ? single : always},
                                       {"action", actions.at((i + p) % actions.size())}});
        }
        programs.append(program);
    }
    return QJsonObject{
        {"ProgData", programs},
        {"configuration",
         QJsonObject{{"pins", QJsonArray{QJsonObject{{"pinLbl", "D5"}, {"gadgetId", 40}},
                                         QJsonObject{{"pinLbl", "D6"}, {"gadgetId", 41}},
                                         QJsonObject{{"pinLbl", "D9"}, {"gadgetId", 30}}}}}}};
}

qint64 bench_Editor::residentKiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly | QIODevice::Text))
        return -1;
    // Files of /proc report no size; read until the end instead of asking for it.
    const QList<QByteArray> lines = status.readAll().split('\n');
    for (const QByteArray &line : lines) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toLongLong();
    }
    return -1;
}

void bench_Editor::load()
{
    ProgramStore &store = AppContext::instance().store();
    store.loadDocument(m_document);
    CentralWidget::instance()->loadFromStore(store);
}

void bench_Editor::loadDocument()
{
    QBENCHMARK
    {
        load();
        // Replaced programs go away at the next turn of the event loop; let them.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    QCOMPARE(CentralWidget::instance()->lists().size(), 6);
    QCOMPARE(CentralWidget::instance()->lists().at(5)->commands().size(), 60);
}

void bench_Editor::programChanged()
{
    load();
    QBENCHMARK
    {
        m_window->ProgramChanged();
    }
    QCOMPARE(AppContext::instance().store().currentDocument().value("ProgData").toArray().size(),
             6);
}

void bench_Editor::residentMemory()
{
    load();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    const qint64 resident = residentKiB();
    qInfo("resident memory with six programs of 60 commands: %lld KiB", resident);
    QVERIFY(resident > 0);
}

QTEST_MAIN(bench_Editor)
#include "bench_editor.moc"
