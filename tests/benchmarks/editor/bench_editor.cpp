#include "appcontext.h"
#include "benchprograms.h"
#include "centralwidget.h"
#include "firstframeprobe.h"
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

#ifdef __GLIBC__
#include <malloc.h>
#endif

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
    void memoryPerRow();

private:
    static qint64 residentKiB();
    // Bytes the heap hands out now; -1 where the C library cannot tell.
    static qint64 heapInUse();
    void loadAndSettle(const QJsonObject &document);
    void load();

    QTemporaryDir m_home;
    std::unique_ptr<MainWindow> m_window;
    QJsonObject m_document;
    qint64 m_emptyResidentKiB = 0;
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
    m_document = BenchPrograms::sixPrograms();
    m_emptyResidentKiB = residentKiB();
    qInfo("resident memory of the empty editor: %lld KiB", m_emptyResidentKiB);
}

void bench_Editor::cleanupTestCase()
{
    m_window.reset();
}

qint64 bench_Editor::residentKiB()
{
    return FirstFrameProbe::residentKiB();
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
    qInfo("resident memory with six programs of 60 commands: %lld KiB, %lld KiB more than empty "
          "(%lld KiB a row)",
          resident, resident - m_emptyResidentKiB, (resident - m_emptyResidentKiB) / (6 * 60));
    QVERIFY(resident > 0);
}

qint64 bench_Editor::heapInUse()
{
#ifdef __GLIBC__
    const struct mallinfo2 info = mallinfo2();
    return qint64(info.uordblks + info.hblkhd);
#else
    return -1;
#endif
}

void bench_Editor::loadAndSettle(const QJsonObject &document)
{
    ProgramStore &store = AppContext::instance().store();
    store.loadDocument(document);
    CentralWidget::instance()->loadFromStore(store);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    // Rows are polished and laid out when shown; a row costs what it costs on screen.
    m_window->grab();
}

void bench_Editor::memoryPerRow()
{
    const QJsonObject empty{{"ProgData", QJsonArray{QJsonArray{}}}};
    // Once through first, so that what every row shares (pictures, fonts, style rules) is there.
    loadAndSettle(m_document);
    loadAndSettle(empty);
    const qint64 heapBefore = heapInUse();
    loadAndSettle(m_document);
    const qint64 heapPerRow = (heapInUse() - heapBefore) / (6 * 60);
    qInfo("memory per row: %lld bytes of heap", heapPerRow);
    QVERIFY(heapPerRow > 0);
}

QTEST_MAIN(bench_Editor)
#include "bench_editor.moc"
