#include "appcontext.h"
#include "configurationwidget.h"
#include "hardwaredescription.h"
#include "languagecatalog.h"
#include "languagewidget.h"
#include "mainwindow.h"
#include "mworker.h"
#include "programstore.h"
#include "qlabeldragdrop.h"
#include "topmenuwidget.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QListWidget>
#include <QLoggingCategory>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

// The language window driving the main window: a new language rebuilds the window once, the
// same language leaves it alone, and the rebuilt top menu sends each request once.
class tst_LanguageSwitch : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void newLanguageRebuildsAndStartIsSentOnce();
    void sameLanguageKeepsTheWindow();

private:
    static void choose(MainWindow &window, const QString &language);

    QTemporaryDir m_home;
    QStringList m_names;
};

void tst_LanguageSwitch::initTestCase()
{
    qputenv("HOME", m_home.path().toUtf8());
    QLoggingCategory::setFilterRules(QStringLiteral("taviro.*.debug=false"));
    m_names = LanguageCatalog::instance().languageNames();
    if (m_names.size() < 2)
        QSKIP("needs two shipped languages beside the test program");
    // A saved language, so the window builds at once.
    QDir().mkpath(m_home.filePath("Lumakit"));
    QFile state(m_home.filePath("Lumakit/states.json"));
    QVERIFY(state.open(QIODevice::WriteOnly));
    state.write(QJsonDocument(QJsonObject{{"Language", m_names.at(0)}}).toJson());
}

void tst_LanguageSwitch::choose(MainWindow &window, const QString &language)
{
    auto *page = new LanguageWidget(&window);
    connect(page, &LanguageWidget::LanguageChange, &window, &MainWindow::LanguageSelected);
    page->show();
    const QList<QListWidgetItem *> items = page->list()->findItems(language, Qt::MatchExactly);
    QCOMPARE(items.size(), 1);
    page->list()->setCurrentItem(items.first());
    page->saveButton()->click();
}

void tst_LanguageSwitch::newLanguageRebuildsAndStartIsSentOnce()
{
    MainWindow window;
    QVERIFY(window.isBuilt());
    QCOMPARE(LanguageCatalog::instance().currentLanguage(), m_names.at(0));
    QPointer<QLabelDragDrop> oldStart = TopMenuWidget::instance()->button("start");
    QVERIFY(oldStart);

    choose(window, m_names.at(1));
    QCOMPARE(LanguageCatalog::instance().currentLanguage(), m_names.at(1));
    QCOMPARE(AppContext::instance().store().language(), m_names.at(1));
    // "[*]" is where Qt puts the mark of unsaved changes.
    QCOMPARE(window.windowTitle().remove(QStringLiteral("[*]")),
             LanguageCatalog::instance().current()->text(QStringLiteral("ProgramName")));
    // Qt's own texts (file dialogs, dock buttons) follow the language.
    const QString locale = LanguageCatalog::instance().current()->localeName();
    QCOMPARE(QCoreApplication::translate("QFileDialog", "Look in:") != "Look in:", locale != "en");
    // A rebuilt window holds one settings dialog at most.
    QVERIFY(window.findChildren<ConfigurationWidget *>().size() <= 1);

    QLabelDragDrop *start = TopMenuWidget::instance()->button("start");
    QVERIFY(start);
    QTRY_VERIFY(!oldStart);
    TopMenuWidget::instance()->changeStatus(QJsonObject{{"start", 1}});
    QVERIFY(start->isEnabled());

    QSignalSpy clicks(&window, &MainWindow::ClickLabelSignal);
    QSignalSpy requests(window.worker(), &mWorker::intMwCommand);
    QTest::mouseClick(start, Qt::LeftButton);
    QCOMPARE(clicks.count(), 1);
    QCOMPARE(clicks.at(0).at(0).toString(), QStringLiteral("start"));
    QCOMPARE(requests.count(), 1);
    QCOMPARE(requests.at(0).at(0).toString(), QStringLiteral("start"));
}

void tst_LanguageSwitch::sameLanguageKeepsTheWindow()
{
    MainWindow window;
    const QString current = LanguageCatalog::instance().currentLanguage();
    const HardwareDescription *description = LanguageCatalog::instance().current();
    QPointer<QLabelDragDrop> start = TopMenuWidget::instance()->button("start");
    QVERIFY(start);

    choose(window, current);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(start);
    QCOMPARE(LanguageCatalog::instance().current(), description);
    QCOMPARE(TopMenuWidget::instance()->button("start"), start.data());
}

QTEST_MAIN(tst_LanguageSwitch)
#include "tst_languageswitch.moc"
