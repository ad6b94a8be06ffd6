#include "appcontext.h"
#include "centralwidget.h"
#include "command.h"
#include "languagecatalog.h"
#include "mainwindow.h"
#include "memoryimage.h"
#include "mworker.h"
#include "programlistitemwidget.h"
#include "programlistwidget.h"
#include "programstore.h"
#include "qlabeldragdrop.h"
#include "reportwait.h"
#include "subprogramtabwidget.h"
#include "tiledrop.h"
#include "topmenuwidget.h"
#include "transferpanel.h"
#include "virtualcontrollerserver.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLoggingCategory>
#include <QMessageBox>
#include <QMimeData>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QUndoStack>

#include <functional>
#include <memory>

// The editor against the in-process virtual controller: everything a user does with a program,
// from the drop of a tile to watching it run.
class tst_EditorSession : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void writeReadRestartRun();
    void breakpointPauseStepContinueStop();
    void manualCommandNamesShownListAndRow();
    void rebuildKeepsOneConnectionPerButton();
    void openingAFileReplacesProgramsAndHistory();

private:
    using Report = ReportWait::Report;
    static void dropTile(ProgramListWidget *list, const QString &command, int row);
    static QJsonObject pause(double seconds);

    QTemporaryDir m_home;
};

void tst_EditorSession::initTestCase()
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
}

void tst_EditorSession::dropTile(ProgramListWidget *list, const QString &command, int row)
{
    dropTileOnRow(list, command, row);
}

QJsonObject tst_EditorSession::pause(double seconds)
{
    return QJsonObject{
        {"conditions", QJsonObject{{"type", "always"}}},
        {"action",
         QJsonObject{{"command", "mPause"}, {"hour", 0}, {"minute", 0}, {"second", seconds}}}};
}

void tst_EditorSession::writeReadRestartRun()
{
    VirtualControllerServer server;
    const quint16 port = server.listen(QHostAddress::LocalHost, 0);
    QVERIFY(port != 0);
    const QString device =
        QStringLiteral("{\"Name\":\"Virtual controller\",\"Address\":\"tcp://127.0.0.1:%1\"}")
            .arg(port);

    MainWindow window(MainWindow::Options{device, {}});
    QSignalSpy reports(window.worker(), &mWorker::sigCurState);
    QSignalSpy readBack(window.worker(), &mWorker::sigReadProg);
    TopMenuWidget *top = TopMenuWidget::instance();
    qsizetype seen = 0;
    auto flag = [](const QJsonObject &report, const char *key) {
        return report.value(QLatin1String(key)).toInt();
    };

    // Reports the test waits for. (Lambdas with commas cannot sit inside the test macros.)
    const Report writable = [&](const QJsonObject &r) { return flag(r, "write") == 1; };
    const Report writing = [&](const QJsonObject &r) { return flag(r, "write") == 0; };
    const Report connected = [&](const QJsonObject &r) {
        return flag(r, "write") == 1 && flag(r, "read") == 1;
    };
    const Report restartable = [&](const QJsonObject &r) { return flag(r, "restart") == 1; };
    const Report ready = [&](const QJsonObject &r) { return flag(r, "start") == 1; };
    const Report running = [&](const QJsonObject &r) { return flag(r, "run") == 1; };
    const Report ended = [&](const QJsonObject &r) {
        return flag(r, "start") == 1 && flag(r, "run") == 0;
    };

    // Connected: writing is offered.
    QVERIFY(ReportWait::until(reports, &seen, writable, 30000));
    QVERIFY(top->button(QStringLiteral("write"))->isEnabled());

    // Build a program the way drops do: BEGIN, pause, pause, pause, END.
    ProgramListWidget *main = CentralWidget::instance()->lists().at(0);
    main->resize(600, 600);
    dropTile(main, QStringLiteral("mPause"), 1);
    dropTile(main, QStringLiteral("mPause"), 2);
    dropTile(main, QStringLiteral("mPause"), 3);
    QCOMPARE(main->rowNames(), (QStringList{"BEGIN", "mPause", "mPause", "mPause", "END"}));
    QCOMPARE(main->undoStack()->count(), 3);
    const QList<double> seconds{0.4, 0.5, 0.4};
    for (int i = 0; i < 3; ++i)
        main->commandAt(i + 1)->setJson(pause(seconds.at(i)));
    const QJsonObject written = AppContext::instance().store().currentDocument();
    QCOMPARE(written.value("ProgData").toArray().at(0).toArray().size(), 3);

    // Write, then read back: the same byte code comes back and replaces the editor's program.
    emit top->button(QStringLiteral("write"))->clicked();
    QVERIFY(ReportWait::until(reports, &seen, writing, 5000));
    QVERIFY(ReportWait::until(reports, &seen, connected, 30000));
    // The panel under the program says where the program went.
    TransferPanel *panel = window.transferPanel();
    QVERIFY(panel->isVisible());
    QVERIFY(!panel->failed());
    QVERIFY2(panel->text().contains(QLatin1String("virtual controller")),
             qPrintable(panel->text()));
    // The edited program is in no file: reading asks first, and it may go.
    QTimer::singleShot(0, [] {
        if (auto *question = qobject_cast<QMessageBox *>(QApplication::activeModalWidget()))
            question->button(QMessageBox::Discard)->click();
    });
    emit top->button(QStringLiteral("read"))->clicked();
    QVERIFY(readBack.wait(30000));
    main = CentralWidget::instance()->lists().at(0);
    QCOMPARE(main->rowNames(), (QStringList{"BEGIN", "mPause", "mPause", "mPause", "END"}));
    QCOMPARE(main->undoStack()->count(), 0);
    const QJsonObject readDocument = AppContext::instance().store().currentDocument();
    ImageBuilder writtenImage;
    ImageBuilder readImage;
    const ImageBuilder::Result before = writtenImage.buildImage(written);
    const ImageBuilder::Result after = readImage.buildImage(readDocument);
    QVERIFY(before.success);
    QVERIFY(after.success);
    QCOMPARE(after.image, before.image);

    // Restart makes the controller ready to run.
    QVERIFY(ReportWait::until(reports, &seen, restartable, 30000));
    emit top->button(QStringLiteral("restart"))->clicked();
    QVERIFY(ReportWait::until(reports, &seen, ready, 30000));
    QTRY_VERIFY(top->button(QStringLiteral("start"))->isEnabled());

    // Run: the red row walks through the commands; once the run is over no row is marked.
    QList<int> redRows;
    auto recordRedRow = [&] {
        int red = -1;
        for (int i = 0; i < main->count(); ++i) {
            if (main->rowWidget(i)->isRunning())
                red = i;
        }
        if (redRows.isEmpty() || redRows.last() != red)
            redRows.append(red);
    };
    QMetaObject::Connection recording =
        connect(window.worker(), &mWorker::sigCurState, this, recordRedRow);
    recordRedRow();
    emit top->button(QStringLiteral("start"))->clicked();
    QVERIFY(ReportWait::until(reports, &seen, running, 5000));
    QVERIFY(ReportWait::until(reports, &seen, ended, 30000));
    disconnect(recording);
    QCOMPARE(redRows, (QList<int>{-1, 1, 2, 3, -1}));

    // The virtual controller's address is not remembered as the user's device.
    window.close();
    QFile state(AppContext::instance().store().stateFilePath());
    QVERIFY(state.open(QIODevice::ReadOnly));
    const QJsonObject saved = QJsonDocument::fromJson(state.readAll()).object();
    QCOMPARE(saved.value("BluetoothDeviceName").toString(), QString());
    QCOMPARE(saved.value("ProgData").toArray().at(0).toArray().size(), 3);
    QVERIFY(!saved.value("Language").toString().isEmpty());
}

void tst_EditorSession::breakpointPauseStepContinueStop()
{
    VirtualControllerServer server;
    const quint16 port = server.listen(QHostAddress::LocalHost, 0);
    QVERIFY(port != 0);
    MainWindow window(MainWindow::Options{
        QStringLiteral("{\"Name\":\"Virtual controller\",\"Address\":\"tcp://127.0.0.1:%1\"}")
            .arg(port),
        {}});
    QSignalSpy reports(window.worker(), &mWorker::sigCurState);
    TopMenuWidget *top = TopMenuWidget::instance();
    qsizetype seen = 0;
    auto value = [](const QJsonObject &report, const char *key) {
        return report.value(QLatin1String(key)).toInt();
    };
    const Report restartable = [&](const QJsonObject &r) { return value(r, "restart") == 1; };
    const Report ready = [&](const QJsonObject &r) { return value(r, "start") == 1; };
    const Report running = [&](const QJsonObject &r) { return value(r, "run") == 1; };
    auto pausedAt = [&](int position) {
        return Report([&, position](const QJsonObject &r) {
            return value(r, "run") == 2 && value(r, "progpos") == position;
        });
    };
    const Report halted = [&](const QJsonObject &r) {
        return value(r, "run") == 0 && value(r, "start") == 1;
    };

    // An endless cycle: forward, a short pause. The program of the test before is in no file:
    // "New" asks, and it may go.
    QTimer::singleShot(0, [] {
        if (auto *question = qobject_cast<QMessageBox *>(QApplication::activeModalWidget()))
            question->button(QMessageBox::Discard)->click();
    });
    window.LabelClearClick();
    CentralWidget *area = CentralWidget::instance();
    ProgramListWidget *main = area->lists().at(0);
    main->resize(600, 600);
    for (const char *tile : {"mStartCycle", "m_fwd", "mPause", "mEndCycle"})
        dropTile(main, QLatin1String(tile), main->count() - 1);
    QCOMPARE(main->rowNames(),
             (QStringList{"BEGIN", "mStartCycle", "m_fwd", "mPause", "mEndCycle", "END"}));
    main->commandAt(2)->setJson(QJsonObject{
        {"conditions", QJsonObject{{"type", "always"}}},
        {"action", QJsonObject{{"command", "m_fwd"}, {"speed", 60}, {"timer", 0}, {"brake", 0}}}});
    main->commandAt(3)->setJson(pause(0.1));

    // A click on the left edge of the pause sets its breakpoint.
    QWidget *pauseRow = main->rowWidget(3);
    QTest::mouseClick(pauseRow, Qt::LeftButton, Qt::NoModifier, QPoint(4, pauseRow->height() / 2));
    QVERIFY(main->commandAt(3)->hasBreakpoint());
    // F9 sets and clears the breakpoint of the selected row, wherever the focus is.
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    main->setCurrentRow(2);
    QTest::keyClick(&window, Qt::Key_F9);
    QVERIFY(main->commandAt(2)->hasBreakpoint());
    QTest::keyClick(&window, Qt::Key_F9);
    QVERIFY(!main->commandAt(2)->hasBreakpoint());

    QVERIFY(ReportWait::until(reports, &seen, restartable, 30000));
    emit top->button(QStringLiteral("restart"))->clicked();
    QVERIFY(ReportWait::until(reports, &seen, ready, 30000));

    auto markers = [main] {
        QList<int> rows;
        for (int i = 0; i < main->count(); ++i) {
            if (main->rowWidget(i)->marker() != RowDecoration::Marker::None)
                rows.append(i);
        }
        return rows;
    };
    using RowDecoration::Marker;
    // Start: the run stops before the pause, which is marked as the next row; the robot drives.
    emit top->button(QStringLiteral("start"))->clicked();
    QVERIFY(ReportWait::until(reports, &seen, pausedAt(2), 10000));
    QCOMPARE(markers(), QList<int>{3});
    QCOMPARE(main->rowWidget(3)->marker(), Marker::Next);
    QCOMPARE(area->tabs().at(0)->marker(), Marker::Next);
    QCOMPARE(server.controller().outputs().driveCommand, 0x23);

    // Step: only the pause runs, and the cycle's end is next.
    emit top->button(QStringLiteral("step"))->clicked();
    QVERIFY(ReportWait::until(reports, &seen, pausedAt(3), 10000));
    QCOMPARE(markers(), QList<int>{4});

    // Continue: the cycle repeats and pauses at the breakpoint again.
    emit top->button(QStringLiteral("start"))->clicked();
    QVERIFY(ReportWait::until(reports, &seen, running, 10000));
    QVERIFY(ReportWait::until(reports, &seen, pausedAt(2), 10000));
    QCOMPARE(markers(), QList<int>{3});

    // Esc stops from the window: the robot is halted and no row is marked any more.
    QTest::keyClick(&window, Qt::Key_Escape);
    QVERIFY(ReportWait::until(reports, &seen, halted, 10000));
    QCOMPARE(server.controller().outputs().driveCommand, 0x21);
    QCOMPARE(markers(), QList<int>{});
    QCOMPARE(area->tabs().at(0)->marker(), Marker::None);

    // Closing the window while the robot drives halts it before the window goes, and keeps
    // the breakpoint with the saved programs.
    emit top->button(QStringLiteral("start"))->clicked();
    QVERIFY(ReportWait::until(reports, &seen, pausedAt(2), 10000));
    QCOMPARE(server.controller().outputs().driveCommand, 0x23);
    window.close();
    QCOMPARE(server.controller().outputs().driveCommand, 0x21);
    QFile state(AppContext::instance().store().stateFilePath());
    QVERIFY(state.open(QIODevice::ReadOnly));
    const QJsonArray saved = QJsonDocument::fromJson(state.readAll())
                                 .object()
                                 .value("ProgData")
                                 .toArray()
                                 .at(0)
                                 .toArray();
    QCOMPARE(saved.at(2).toObject().value("breakpoint"), QJsonValue(true));
    QVERIFY(!saved.at(1).toObject().contains("breakpoint"));
}

void tst_EditorSession::manualCommandNamesShownListAndRow()
{
    MainWindow window;
    CentralWidget *area = CentralWidget::instance();
    area->ClearProgramms(true);
    area->addNewSubProgram(true);
    area->addNewSubProgram(true);
    area->showProgram(2);
    ProgramListWidget *second = area->lists().at(2);
    area->AddDragDropCommandProcessor(QStringLiteral("mPause"), QPixmap(), 1);
    area->AddDragDropCommandProcessor(QStringLiteral("mSetleds"), QPixmap(), 2);
    QCOMPARE(second->rowNames(), (QStringList{"BEGIN", "mPause", "mSetleds", "END"}));

    QSignalSpy manual(window.worker(), &mWorker::intMwManual);
    second->clearSelection();
    second->item(2)->setSelected(true);
    window.ExecuteCurrentSelectedCommand();
    QCOMPARE(manual.count(), 1);
    QCOMPARE(manual.at(0).at(0).toInt(), 2);
    QCOMPARE(manual.at(0).at(1).toInt(), 1);

    // Nothing selected, or only BEGIN: nothing is sent.
    second->clearSelection();
    window.ExecuteCurrentSelectedCommand();
    second->item(0)->setSelected(true);
    window.ExecuteCurrentSelectedCommand();
    QCOMPARE(manual.count(), 1);

    // Ctrl+Z takes back the last edit of the shown list only.
    window.undoAction()->trigger();
    QCOMPARE(second->rowNames(), (QStringList{"BEGIN", "mPause", "END"}));
    QCOMPARE(area->lists().at(0)->rowNames(), (QStringList{"BEGIN", "END"}));
}

void tst_EditorSession::rebuildKeepsOneConnectionPerButton()
{
    MainWindow window;
    window.LanguageSelected(false);
    window.LanguageSelected(true);
    QSignalSpy commands(window.worker(), &mWorker::intMwCommand);
    QLabelDragDrop *start = TopMenuWidget::instance()->button(QStringLiteral("start"));
    QVERIFY(start);
    emit start->clicked();
    QCOMPARE(commands.count(), 1);
    QCOMPARE(commands.at(0).at(0).toString(), QStringLiteral("start"));
    QCOMPARE(window.windowTitle().remove(QStringLiteral("[*]")),
             AppContext::instance().text(QStringLiteral("ProgramName")));
}

void tst_EditorSession::openingAFileReplacesProgramsAndHistory()
{
    MainWindow window;
    CentralWidget *area = CentralWidget::instance();
    area->AddDragDropCommandProcessor(QStringLiteral("mPause"), QPixmap(), 1);
    QVERIFY(area->lists().at(0)->undoStack()->count() > 0);

    const QString path = m_home.filePath(QStringLiteral("Lumakit/Programs/two.json"));
    const QJsonObject document{
        {"ProgData", QJsonArray{QJsonArray{pause(1), pause(2)}, QJsonArray{pause(3)}}}};
    QVERIFY(ProgramStore::saveFile(path, document));
    QSignalSpy changes(window.worker(), &mWorker::intMwChangeProg);
    window.openProgramFile(path);
    QCOMPARE(area->lists().size(), 2);
    QCOMPARE(area->lists().at(0)->rowNames(), (QStringList{"BEGIN", "mPause", "mPause", "END"}));
    for (ProgramListWidget *list : area->lists())
        QCOMPARE(list->undoStack()->count(), 0);
    QCOMPARE(changes.count(), 1);
    QCOMPARE(changes.at(0).at(0).toJsonObject().value("ProgData").toArray().size(), 2);

    // A file that is not a program leaves the editor as it was and says so.
    const QJsonObject before = AppContext::instance().store().currentDocument();
    const QString notes = m_home.filePath(QStringLiteral("Lumakit/Programs/notes.json"));
    for (const QByteArray &text : {QByteArray("shopping list"), QByteArray(R"({"name": 1})"),
                                   QByteArray(R"([[{"action": {}}]])")}) {
        QFile file(notes);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(text);
        file.close();
        QVERIFY(!window.openProgramFile(notes));
        auto *notice = window.findChild<QMessageBox *>(QStringLiteral("notice"));
        QVERIFY(notice);
        QVERIFY(notice->text().contains(notes));
        delete notice;
    }
    QVERIFY(!window.openProgramFile(m_home.filePath(QStringLiteral("missing.json"))));
    delete window.findChild<QMessageBox *>(QStringLiteral("notice"));
    QCOMPARE(changes.count(), 1);
    QCOMPARE(AppContext::instance().store().currentDocument(), before);
    QCOMPARE(area->lists().size(), 2);

    // Saving writes exactly the path given, and "Clear" brings back the empty program.
    const QString saved = m_home.filePath(QStringLiteral("Lumakit/Programs/copy"));
    QVERIFY(window.saveProgramFile(saved));
    QVERIFY(QFile::exists(saved));
    window.LabelClearClick();
    QCOMPARE(area->lists().size(), 1);
    QCOMPARE(area->lists().at(0)->rowNames(), (QStringList{"BEGIN", "END"}));
}

QTEST_MAIN(tst_EditorSession)
#include "tst_editorsession.moc"
