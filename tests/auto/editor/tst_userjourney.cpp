#include "appcontext.h"
#include "centralwidget.h"
#include "command.h"
#include "languagewidget.h"
#include "leftmenuwidget.h"
#include "mainwindow.h"
#include "mworker.h"
#include "programlistitemwidget.h"
#include "programlistwidget.h"
#include "programstore.h"
#include "qlabeldragdrop.h"
#include "rightmenuwidget.h"
#include "sliderwithbuttons.h"
#include "speedwidget.h"
#include "stateautosave.h"
#include "tiledrop.h"
#include "timerwidget.h"
#include "topmenuwidget.h"
#include "virtualcontrollerserver.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLineEdit>
#include <QListWidget>
#include <QLoggingCategory>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>
#include <QSlider>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <csignal>

// A person's first hour with the editor, driven through the real widgets with mouse and key
// events against the in-process virtual controller. Every start of the program is a process of
// its own (this executable, asked to run one phase), so that "start again" reads the state file
// from disk exactly as the program does, and a killed process is really killed.
class tst_UserJourney : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    // Driven from here: each runs the phases below in child processes.
    void firstHourLosesNothing();
    void killedProcessKeepsAutosavedEdit();
    void terminationSignalSavesTheLastEdit();
    void brokenStateIsKeptAndReported();

    // Phases, each run in a child process with its own home folder.
    void phaseFirstStart();
    void phaseStartAgain();
    void phaseEditThenKilled();
    void phaseEditSurvivedTheKill();
    void phaseEditThenTerminated();
    void phaseBrokenStateFirstStart();

private:
    static bool isChild() { return qEnvironmentVariableIsSet("TAVIRO_JOURNEY_CHILD"); }
    static QString home() { return QDir::homePath(); }
    static QString statePath() { return home() + QStringLiteral("/Lumakit/states.json"); }
    static QJsonObject readJson(const QString &path);

    // Runs one phase in a child process with the given home folder; the child's exit status.
    static bool runPhase(const QString &phase, const QString &homeFolder,
                         QProcess::ExitStatus expected = QProcess::NormalExit);

    // What a person does with the widgets.
    static void chooseLanguage(MainWindow &window, const QString &name);
    static void dragTile(const QString &command, ProgramListWidget *list, int row);
    static void clickRow(ProgramListWidget *list, int row);
    static void clickButton(const QString &command);
    static void typeInto(QLineEdit *edit, const QString &text);
    template <typename Editor> static Editor *shownEditor();
    static QJsonObject action(ProgramListWidget *list, int row);
};

void tst_UserJourney::initTestCase()
{
    QLoggingCategory::setFilterRules(QStringLiteral("taviro.*.debug=false"));
}

QJsonObject tst_UserJourney::readJson(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QJsonDocument::fromJson(file.readAll()).object();
}

bool tst_UserJourney::runPhase(const QString &phase, const QString &homeFolder,
                               QProcess::ExitStatus expected)
{
    QProcess child;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("HOME"), homeFolder);
    environment.insert(QStringLiteral("TAVIRO_JOURNEY_CHILD"), QStringLiteral("1"));
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    child.setProcessEnvironment(environment);
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.start(QCoreApplication::applicationFilePath(), {phase});
    if (!child.waitForFinished(100000)) {
        child.kill();
        child.waitForFinished();
        qWarning().noquote() << phase << "did not finish:\n" << child.readAll();
        return false;
    }
    const bool asExpected = child.exitStatus() == expected &&
                            (expected == QProcess::CrashExit || child.exitCode() == 0);
    if (!asExpected)
        qWarning().noquote() << phase << "ended with" << child.exitStatus() << child.exitCode()
                             << ":\n"
                             << child.readAll();
    return asExpected;
}

void tst_UserJourney::chooseLanguage(MainWindow &window, const QString &name)
{
    auto *page = window.findChild<LanguageWidget *>();
    QVERIFY2(page && page->isVisible(), "the language page is shown first");
    const QList<QListWidgetItem *> items = page->list()->findItems(name, Qt::MatchExactly);
    QCOMPARE(items.size(), 1);
    QListWidget *list = page->list();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      list->visualItemRect(items.first()).center());
    QTest::mouseClick(page->saveButton(), Qt::LeftButton);
    QTRY_VERIFY(window.isBuilt());
}

void tst_UserJourney::dragTile(const QString &command, ProgramListWidget *list, int row)
{
    // The drag a tile starts carries exactly this; the drop lands on the row under the pointer.
    QLabelDragDrop *tile = LeftMenuWidget::instance()->tile(command);
    QVERIFY(tile);
    QVERIFY2(tile->isEnabled(), qPrintable(command + " can be used"));
    dropTileOnRow(list, command, row);
}

void tst_UserJourney::clickRow(ProgramListWidget *list, int row)
{
    list->scrollToItem(list->item(row));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      list->visualItemRect(list->item(row)).center());
}

void tst_UserJourney::clickButton(const QString &command)
{
    QLabelDragDrop *button = TopMenuWidget::instance()->button(command);
    QVERIFY(button);
    QTRY_VERIFY_WITH_TIMEOUT(button->isEnabled(), 30000);
    QTest::mouseClick(button, Qt::LeftButton);
}

void tst_UserJourney::typeInto(QLineEdit *edit, const QString &text)
{
    edit->setFocus();
    QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(edit, text);
}

template <typename Editor> Editor *tst_UserJourney::shownEditor()
{
    const QList<Editor *> editors = RightMenuWidget::instance()->findChildren<Editor *>();
    for (Editor *editor : editors) {
        if (editor->isVisibleTo(RightMenuWidget::instance()))
            return editor;
    }
    return nullptr;
}

QJsonObject tst_UserJourney::action(ProgramListWidget *list, int row)
{
    Command *command = list->commandAt(row);
    return command ? command->json().value(QStringLiteral("action")).toObject() : QJsonObject();
}

void tst_UserJourney::firstHourLosesNothing()
{
    QTemporaryDir folder;
    QVERIFY(runPhase(QStringLiteral("phaseFirstStart"), folder.path()));
    QVERIFY(runPhase(QStringLiteral("phaseStartAgain"), folder.path()));
}

void tst_UserJourney::killedProcessKeepsAutosavedEdit()
{
    QTemporaryDir folder;
    QVERIFY(runPhase(QStringLiteral("phaseFirstStart"), folder.path()));
    QVERIFY(runPhase(QStringLiteral("phaseEditThenKilled"), folder.path(), QProcess::CrashExit));
    QVERIFY(runPhase(QStringLiteral("phaseEditSurvivedTheKill"), folder.path()));
}

void tst_UserJourney::terminationSignalSavesTheLastEdit()
{
    QTemporaryDir folder;
    QVERIFY(runPhase(QStringLiteral("phaseFirstStart"), folder.path()));
    QVERIFY(runPhase(QStringLiteral("phaseEditThenTerminated"), folder.path()));
    const QJsonArray main = readJson(folder.filePath(QStringLiteral("Lumakit/states.json")))
                                .value(QStringLiteral("ProgData"))
                                .toArray()
                                .at(0)
                                .toArray();
    QCOMPARE(main.size(), 3);
    QCOMPARE(main.at(0)["action"]["command"].toString(), QStringLiteral("mPause"));
}

void tst_UserJourney::brokenStateIsKeptAndReported()
{
    QTemporaryDir folder;
    QVERIFY(QDir(folder.path()).mkpath(QStringLiteral("Lumakit")));
    const QByteArray broken = "{\"Language\": \"English\", \"ProgData\": [[{\"act";
    QFile state(folder.filePath(QStringLiteral("Lumakit/states.json")));
    QVERIFY(state.open(QIODevice::WriteOnly));
    state.write(broken);
    state.close();

    QVERIFY(runPhase(QStringLiteral("phaseBrokenStateFirstStart"), folder.path()));

    // The broken file is kept byte for byte beside the new, valid state.
    const QStringList copies = QDir(folder.filePath(QStringLiteral("Lumakit")))
                                   .entryList({QStringLiteral("states.json.broken-*")});
    QCOMPARE(copies.size(), 1);
    QFile copy(folder.filePath(QStringLiteral("Lumakit/") + copies.first()));
    QVERIFY(copy.open(QIODevice::ReadOnly));
    QCOMPARE(copy.readAll(), broken);
    QVERIFY(readJson(state.fileName()).value(QStringLiteral("ProgData")).isArray());
}

void tst_UserJourney::phaseFirstStart()
{
    if (!isChild())
        QSKIP("a phase of a journey; run by the journey tests");
    QVERIFY(!QFile::exists(statePath()));

    VirtualControllerServer server;
    const quint16 port = server.listen(QHostAddress::LocalHost, 0);
    QVERIFY(port != 0);
    MainWindow window(MainWindow::Options{
        QStringLiteral(R"({"Name":"Virtual controller","Address":"tcp://127.0.0.1:%1"})").arg(port),
        {}});
    QVERIFY(!window.isBuilt());
    chooseLanguage(window, QStringLiteral("English"));

    // The kit's motors are set up from the first moment, so the drive tiles can be used.
    QVERIFY(LeftMenuWidget::instance()->tile(QStringLiteral("m_fwd"))->isEnabled());

    ProgramListWidget *main = CentralWidget::instance()->lists().at(0);
    dragTile(QStringLiteral("m_fwd"), main, 1);
    dragTile(QStringLiteral("m_backward"), main, 2);
    QCOMPARE(main->rowNames(),
             (QStringList{QStringLiteral("BEGIN"), "m_fwd", "m_backward", QStringLiteral("END")}));

    // Speed by a click on the slider's groove right of the handle, then one arrow key.
    clickRow(main, 1);
    auto *speed = shownEditor<SpeedWidget>();
    QVERIFY(speed);
    QSlider *groove = speed->slider()->slider();
    const int before = action(main, 1).value(QStringLiteral("speed")).toVariant().toInt();
    QTest::mouseClick(groove, Qt::LeftButton, {},
                      QPoint(groove->width() - 2, groove->height() / 2));
    const int clicked = action(main, 1).value(QStringLiteral("speed")).toVariant().toInt();
    QVERIFY2(clicked > before, "a click on the groove is an edit");
    groove->setFocus();
    QTest::keyClick(groove, Qt::Key_Left);
    QCOMPARE(action(main, 1).value(QStringLiteral("speed")).toVariant().toInt(), clicked - 1);

    // Time typed with a decimal comma, as many keyboards offer it.
    auto *timer = shownEditor<TimerWidget>();
    QVERIFY(timer);
    typeInto(timer->slider()->lineEdit(), QStringLiteral("1,5"));
    QCOMPARE(action(main, 1).value(QStringLiteral("time")).toString(), QStringLiteral("1.5"));

    // Selecting the other row and coming back changes nothing.
    const QJsonObject edited = main->commandAt(1)->json();
    clickRow(main, 2);
    clickRow(main, 1);
    QCOMPARE(main->commandAt(1)->json(), edited);

    // Write, restart, start: the red row walks through both commands.
    QSignalSpy reports(window.worker(), &mWorker::sigCurState);
    clickButton(QStringLiteral("write"));
    QVERIFY(reports.wait(5000));
    clickButton(QStringLiteral("restart"));
    QList<int> redRows;
    connect(window.worker(), &mWorker::sigCurState, this, [&] {
        int red = -1;
        for (int i = 0; i < main->count(); ++i) {
            if (main->rowWidget(i)->isRunning())
                red = i;
        }
        if (red > 0 && (redRows.isEmpty() || redRows.last() != red))
            redRows.append(red);
    });
    clickButton(QStringLiteral("start"));
    QTRY_COMPARE_WITH_TIMEOUT(redRows, (QList<int>{1, 2}), 30000);
    QTRY_VERIFY_WITH_TIMEOUT(TopMenuWidget::instance()->button("start")->isEnabled(), 30000);

    // What the user built is what the next start must find.
    const QJsonObject document = AppContext::instance().store().currentDocument();
    window.close();
    const QJsonObject saved = readJson(statePath());
    QCOMPARE(saved.value("ProgData"), document.value("ProgData"));
    QCOMPARE(saved.value("configuration"), document.value("configuration"));
    QVERIFY(!saved.value("configuration")["pins"].toArray().isEmpty());
    QCOMPARE(saved.value("Language").toString(), QStringLiteral("English"));
    QVERIFY(ProgramStore::saveFile(home() + "/expected.json", document));
}

void tst_UserJourney::phaseStartAgain()
{
    if (!isChild())
        QSKIP("a phase of a journey; run by the journey tests");
    MainWindow window;
    QVERIFY2(window.isBuilt(), "the saved language opens the editor at once");
    const QJsonObject expected = readJson(home() + "/expected.json");
    const QJsonObject shown = AppContext::instance().store().currentDocument();
    QCOMPARE(shown.value("ProgData"), expected.value("ProgData"));
    QCOMPARE(shown.value("configuration"), expected.value("configuration"));
    ProgramListWidget *main = CentralWidget::instance()->lists().at(0);
    QCOMPARE(action(main, 1).value(QStringLiteral("time")).toString(), QStringLiteral("1.5"));
    QVERIFY(LeftMenuWidget::instance()->tile(QStringLiteral("m_fwd"))->isEnabled());
    window.close();
}

void tst_UserJourney::phaseEditThenKilled()
{
    if (!isChild())
        QSKIP("a phase of a journey; run by the journey tests");
    MainWindow window;
    QVERIFY(window.isBuilt());
    ProgramListWidget *main = CentralWidget::instance()->lists().at(0);
    dragTile(QStringLiteral("m_fwd"), main, 1);
    clickRow(main, 1);
    auto *timer = shownEditor<TimerWidget>();
    QVERIFY(timer);
    typeInto(timer->slider()->lineEdit(), QStringLiteral("2,5"));

    // The edit reaches the disk by itself, without closing anything.
    const auto savedMain = [] {
        return readJson(statePath()).value("ProgData").toArray().at(0).toArray();
    };
    QTRY_COMPARE_WITH_TIMEOUT(savedMain().size(), 3, 5000);
    QTRY_COMPARE_WITH_TIMEOUT(savedMain().at(0)["action"]["time"].toString(), QStringLiteral("2.5"),
                              5000);
    ::raise(SIGKILL);
}

void tst_UserJourney::phaseEditSurvivedTheKill()
{
    if (!isChild())
        QSKIP("a phase of a journey; run by the journey tests");
    MainWindow window;
    QVERIFY(window.isBuilt());
    ProgramListWidget *main = CentralWidget::instance()->lists().at(0);
    QCOMPARE(main->rowNames(), (QStringList{QStringLiteral("BEGIN"), "m_fwd", "m_fwd", "m_backward",
                                            QStringLiteral("END")}));
    QCOMPARE(action(main, 1).value(QStringLiteral("time")).toString(), QStringLiteral("2.5"));
    QCOMPARE(action(main, 2).value(QStringLiteral("time")).toString(), QStringLiteral("1.5"));
    window.close();
}

void tst_UserJourney::phaseEditThenTerminated()
{
    if (!isChild())
        QSKIP("a phase of a journey; run by the journey tests");
    MainWindow window;
    QVERIFY(window.isBuilt());
    ProgramListWidget *main = CentralWidget::instance()->lists().at(0);
    dragTile(QStringLiteral("mPause"), main, 1);
    // Terminated before the autosave could run: the signal's own save must keep the edit.
    QVERIFY(window.autosave()->isPending());
    QTimer::singleShot(0, [] { ::raise(SIGTERM); });
    QTimer::singleShot(20000, [] { QCoreApplication::exit(1); });
    QCOMPARE(QCoreApplication::exec(), 0);
}

void tst_UserJourney::phaseBrokenStateFirstStart()
{
    if (!isChild())
        QSKIP("a phase of a journey; run by the journey tests");
    MainWindow window;
    chooseLanguage(window, QStringLiteral("English"));
    // The user is told once, in the dictionary's words, where the damaged file was kept.
    QMessageBox *notice = nullptr;
    QTRY_VERIFY((notice = window.findChild<QMessageBox *>(QStringLiteral("notice"))));
    const QString expected = AppContext::instance().text(QStringLiteral("StateFileBroken"));
    QVERIFY(notice->text().startsWith(expected.left(expected.indexOf(QLatin1String("%1")))));
    QVERIFY(notice->text().contains(QStringLiteral("states.json.broken-")));
    notice->accept();
    QVERIFY(LeftMenuWidget::instance()->tile(QStringLiteral("m_fwd"))->isEnabled());
    window.close();
}

QTEST_MAIN(tst_UserJourney)
#include "tst_userjourney.moc"
