#include "appcontext.h"
#include "hardwaredescription.h"
#include "languagecatalog.h"
#include "languagewidget.h"
#include "programstore.h"

#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

// The language window against the kits shipped beside the test program.
class tst_LanguageWidget : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void listsTheCatalog();
    void choice_data();
    void choice();
    void closingWithoutChoice();

private:
    QTemporaryDir m_home;
    QStringList m_names;
};

void tst_LanguageWidget::initTestCase()
{
    qputenv("HOME", m_home.path().toUtf8());
    m_names = LanguageCatalog::instance().languageNames();
    if (m_names.size() < 2)
        QSKIP("needs two shipped languages beside the test program");
}

void tst_LanguageWidget::listsTheCatalog()
{
    LanguageCatalog::instance().select(m_names.at(0));
    AppContext::instance().store().setLanguage(QString());
    auto *window = new LanguageWidget;
    QPointer<LanguageWidget> guard(window);
    QVERIFY(window->isWindow());
    QVERIFY(window->testAttribute(Qt::WA_DeleteOnClose));
    QCOMPARE(window->windowTitle(), AppContext::instance().text("LanguageName"));
    QCOMPARE(window->saveButton()->text(), AppContext::instance().text("LanguageSave"));
    QCOMPARE(window->minimumSize(), QSize(800, 600));
    QStringList shown;
    for (int i = 0; i < window->list()->count(); ++i)
        shown << window->list()->item(i)->text();
    QCOMPARE(shown, m_names);
    // Nothing chosen yet: the first entry is offered.
    QCOMPARE(window->list()->currentRow(), 0);
    delete window;

    AppContext::instance().store().setLanguage(m_names.at(1));
    LanguageWidget second;
    QCOMPARE(second.list()->currentRow(), 1);
}

void tst_LanguageWidget::choice_data()
{
    // The stored language before, the row chosen, whether the window reports a change.
    QTest::addColumn<int>("stored"); // -1: none (first start)
    QTest::addColumn<int>("chosen");
    QTest::addColumn<bool>("changed");

    QTest::newRow("first start, first entry") << -1 << 0 << true;
    QTest::newRow("first start, second entry") << -1 << 1 << true;
    QTest::newRow("same language") << 1 << 1 << false;
    QTest::newRow("another language") << 0 << 1 << true;
    QTest::newRow("back again") << 1 << 0 << true;
}

void tst_LanguageWidget::choice()
{
    QFETCH(int, stored);
    QFETCH(int, chosen);
    QFETCH(bool, changed);

    LanguageCatalog &catalog = LanguageCatalog::instance();
    ProgramStore &store = AppContext::instance().store();
    const QString storedName = stored < 0 ? QString() : m_names.at(stored);
    catalog.select(storedName);
    store.setLanguage(storedName);
    const HardwareDescription *before = catalog.current();

    auto *window = new LanguageWidget;
    QPointer<LanguageWidget> guard(window);
    window->show();
    QSignalSpy spy(window, &LanguageWidget::LanguageChange);
    window->list()->setCurrentRow(chosen);
    window->saveButton()->click();

    QCOMPARE(spy.count(), 1);
    QCOMPARE(spy.at(0).at(0).toBool(), changed);
    QVERIFY(!window->isVisible());
    QTRY_VERIFY(!guard);
    QCOMPARE(store.language(), m_names.at(chosen));
    QCOMPARE(catalog.currentLanguage(), m_names.at(chosen));
    if (!changed)
        QCOMPARE(catalog.current(), before);
    // Texts fetched after the switch come from the chosen language.
    QCOMPARE(AppContext::instance().text("LanguageName"), catalog.current()->text("LanguageName"));
}

void tst_LanguageWidget::closingWithoutChoice()
{
    AppContext::instance().store().setLanguage(m_names.at(0));
    LanguageCatalog::instance().select(m_names.at(0));
    auto *window = new LanguageWidget;
    QPointer<LanguageWidget> guard(window);
    window->show();
    QSignalSpy spy(window, &LanguageWidget::LanguageChange);
    window->list()->setCurrentRow(1);
    window->close();
    QCOMPARE(spy.count(), 1);
    QCOMPARE(spy.at(0).at(0).toBool(), false);
    QCOMPARE(AppContext::instance().store().language(), m_names.at(0));
    QCOMPARE(LanguageCatalog::instance().currentLanguage(), m_names.at(0));
    QTRY_VERIFY(!guard);
}

QTEST_MAIN(tst_LanguageWidget)
#include "tst_languagewidget.moc"
