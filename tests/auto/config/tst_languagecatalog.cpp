#include "configtestdata.h"
#include "hardwaredescription.h"
#include "languagecatalog.h"

#include <QLoggingCategory>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <stdexcept>

using namespace ConfigTestData;

class TestLanguageCatalog : public QObject
{
    Q_OBJECT
private slots:
    // The messages checked here are debug lines, which a default run leaves out.
    void initTestCase() { QLoggingCategory::setFilterRules(QStringLiteral("taviro.*.debug=true")); }
    void init();
    void scanOrderAndSkips();
    void duplicateNamesLoadFirstFolder();
    void unknownNameLoadsFirst();
    void noConfigurations();
    void missingLanguagesFolder();
    void selectReplacesDescription();

private:
    void ignoreFont(int times = 1);
    std::unique_ptr<QTemporaryDir> m_dir;
    QString languages() const { return m_dir->filePath("Languages"); }
};

void TestLanguageCatalog::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    QVERIFY(QDir().mkpath(languages()));
}

void TestLanguageCatalog::ignoreFont(int times)
{
    for (int i = 0; i < times; ++i)
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("Cannot load font"));
}

void TestLanguageCatalog::scanOrderAndSkips()
{
    QVERIFY(writeJson(languages() + "/b_second/base.json", minimalDescription("Second")));
    QVERIFY(writeJson(languages() + "/A_first/base.json", minimalDescription("First")));
    QVERIFY(writeJson(languages() + "/c_third/base.json", minimalDescription("Third")));
    // No "Language": left out without a word.
    QVERIFY(writeJson(languages() + "/0_nameless/base.json",
                      QJsonObject{{"Dictionary", QJsonObject()}}));
    // No base.json and an unreadable one (a folder in its place): each logged and skipped.
    QVERIFY(QDir().mkpath(languages() + "/1_empty"));
    QVERIFY(QDir().mkpath(languages() + "/2_folder/base.json"));
    QFile stray(languages() + "/aa_file_not_folder");
    QVERIFY(stray.open(QIODevice::WriteOnly));
    stray.close();

    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^Cannot read .*/1_empty/base.json: "));
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^Cannot read .*/2_folder/base.json: "));
    LanguageCatalog catalog(m_dir->path());
    QCOMPARE(catalog.languageNames(), QStringList({"First", "Second", "Third"}));
    QVERIFY(catalog.entries()[0].second.endsWith("/Languages/A_first/base.json"));
    QCOMPARE(catalog.current(), nullptr);
    QCOMPARE(catalog.currentLanguage(), QString());
}

void TestLanguageCatalog::duplicateNamesLoadFirstFolder()
{
    QJsonObject later = minimalDescription("Same");
    later["Dictionary"] = QJsonObject{{"Which", "later"}};
    QJsonObject earlier = minimalDescription("Same");
    earlier["Dictionary"] = QJsonObject{{"Which", "earlier"}};
    QVERIFY(writeJson(languages() + "/B/base.json", later));
    QVERIFY(writeJson(languages() + "/a/base.json", earlier));

    LanguageCatalog catalog(m_dir->path());
    QCOMPARE(catalog.languageNames(), QStringList({"Same", "Same"}));
    ignoreFont();
    QVERIFY(catalog.select("Same"));
    QCOMPARE(catalog.current()->text("Which"), QStringLiteral("earlier"));
}

void TestLanguageCatalog::unknownNameLoadsFirst()
{
    QVERIFY(writeJson(languages() + "/01_English/base.json", minimalDescription("English")));
    QVERIFY(writeJson(languages() + "/02_Russian/base.json", minimalDescription("Русский")));
    LanguageCatalog catalog(m_dir->path());

    ignoreFont();
    QVERIFY(catalog.select("Русский"));
    QCOMPARE(catalog.currentLanguage(), QStringLiteral("Русский"));
    ignoreFont();
    QVERIFY(!catalog.select("english")); // names compare exactly
    QCOMPARE(catalog.currentLanguage(), QStringLiteral("English"));
    ignoreFont();
    QVERIFY(!catalog.select(QString()));
    QCOMPARE(catalog.currentLanguage(), QStringLiteral("English"));
}

void TestLanguageCatalog::noConfigurations()
{
    QVERIFY(QDir().mkpath(languages() + "/empty"));
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^Cannot read "));
    LanguageCatalog catalog(m_dir->path());
    QVERIFY(catalog.languageNames().isEmpty());
    try {
        catalog.select("English");
        QFAIL("no error raised");
    } catch (const std::runtime_error &error) {
        QCOMPARE(QString::fromUtf8(error.what()), QStringLiteral("No configurations detected"));
    }
}

void TestLanguageCatalog::missingLanguagesFolder()
{
    const QString program = m_dir->filePath("elsewhere");
    QTest::ignoreMessage(QtDebugMsg,
                         ("Languages dir not found " + program + "/Languages").toUtf8());
    try {
        LanguageCatalog catalog(program);
        QFAIL("no error raised");
    } catch (const std::runtime_error &error) {
        QCOMPARE(QString::fromUtf8(error.what()), QStringLiteral("Languages dir not found"));
    }
}

void TestLanguageCatalog::selectReplacesDescription()
{
    QVERIFY(writeJson(languages() + "/1/base.json", minimalDescription("One")));
    QJsonObject broken = minimalDescription("Broken");
    broken.remove("MainMenu");
    QVERIFY(writeJson(languages() + "/2/base.json", broken));
    LanguageCatalog catalog(m_dir->path());

    ignoreFont();
    QVERIFY(catalog.select("One"));
    QTest::ignoreMessage(QtCriticalMsg, "Config not contains MainMenu");
    QVERIFY_THROWS_EXCEPTION(std::runtime_error, catalog.select("Broken"));
    // The old description is gone and no half-loaded one took its place.
    QCOMPARE(catalog.current(), nullptr);
}

QTEST_MAIN(TestLanguageCatalog)
#include "tst_languagecatalog.moc"
