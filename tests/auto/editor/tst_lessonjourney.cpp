#include "appcontext.h"
#include "centralwidget.h"
#include "clickableroundlabel.h"
#include "commandcompiler.h"
#include "conditioncomboboxmodel.h"
#include "decompiler.h"
#include "editorhome.h"
#include "hardwaredescription.h"
#include "inputswidget.h"
#include "languagecatalog.h"
#include "leftmenuwidget.h"
#include "mainwindow.h"
#include "programitemcombobox.h"
#include "programlistitemwidget.h"
#include "programlistwidget.h"
#include "programstore.h"
#include "qlabeldragdrop.h"
#include "rightmenuwidget.h"
#include "sliderwithbuttons.h"
#include "speedwidget.h"
#include "tiledrop.h"
#include "timerwidget.h"
#include "togglediconlabel.h"
#include "topmenuwidget.h"

#include <QAction>
#include <QApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QMenu>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QUndoStack>

#include <memory>

// A teacher's first lesson in the real main window: a drive tile, its speed and condition
// changed and taken back, "New" asked about, and every grey tile and button telling why.
class tst_LessonJourney : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void editUndoRedoNewAndAlways();
    void disabledSaysWhy_data();
    void disabledSaysWhy();
    void topMenuKeepsEveryButton_data();
    void topMenuKeepsEveryButton();

private:
    static ProgramListWidget *mainList() { return CentralWidget::instance()->lists().at(0); }
    static QJsonObject document() { return AppContext::instance().store().currentDocument(); }
    static QJsonObject firstCommand();
    static QJsonValue field(const char *name);
    static void chooseKind(ProgramListItemWidget *row, const QString &kind);
    // Answers the question the editor asks next, should it ask one.
    static void answer(QMessageBox::StandardButton button);

    QTemporaryDir m_home;
    std::unique_ptr<MainWindow> m_window;
};

void tst_LessonJourney::initTestCase()
{
    QJsonObject state = EditorHome::englishState();
    state.insert("configuration",
                 QJsonObject{{"pins", QJsonArray{QJsonObject{{"pinLbl", "D5"}, {"gadgetId", 40}},
                                                 QJsonObject{{"pinLbl", "D6"}, {"gadgetId", 41}},
                                                 QJsonObject{{"pinLbl", "A0"}, {"gadgetId", 13}}}},
                             {"Motor1", 100},
                             {"Motor2", 100}});
    QVERIFY(EditorHome::prepare(m_home, state));
    m_window = std::make_unique<MainWindow>();
    QVERIFY(m_window->isBuilt());
}

void tst_LessonJourney::cleanupTestCase()
{
    m_window.reset();
}

QJsonObject tst_LessonJourney::firstCommand()
{
    return document().value("ProgData").toArray().at(0).toArray().at(0).toObject();
}

QJsonValue tst_LessonJourney::field(const char *name)
{
    return firstCommand().value("action").toObject().value(QLatin1String(name));
}

void tst_LessonJourney::chooseKind(ProgramListItemWidget *row, const QString &kind)
{
    row->conditionChooser()->setCurrentIndex(row->conditionModel()->rowOfName(kind));
    row->setNewCurrentConditions();
}

void tst_LessonJourney::answer(QMessageBox::StandardButton button)
{
    QTimer::singleShot(0, [button] {
        if (auto *question = qobject_cast<QMessageBox *>(QApplication::activeModalWidget()))
            question->button(button)->click();
    });
}

void tst_LessonJourney::editUndoRedoNewAndAlways()
{
    ProgramListWidget *list = mainList();
    list->resize(600, 400);
    dropTileOnRow(list, "m_fwd", 1);
    QCOMPARE(list->rowNames(), (QStringList{"BEGIN", "m_fwd", "END"}));
    const QStringList oneDrive{"BEGIN", "m_fwd", "END"};

    // A new drive stops after its time, and only then is the time offered.
    InputsWidget *inputs = RightMenuWidget::instance()->inputsWidget();
    TimerWidget *timer = inputs->timerWidget();
    QCOMPARE(field("timer").toVariant().toInt(), 1);
    QVERIFY(timer->slider()->isEnabled());
    QTest::mouseClick(timer->toggle(), Qt::LeftButton);
    QCOMPARE(field("timer").toString(), QString("0"));
    QVERIFY(!timer->slider()->isEnabled());
    QVERIFY(!timer->slider()->toolTip().isEmpty());

    // Two clicks on "+" are one step: Ctrl+Z takes back the speed, not the row.
    m_window->undoAction()->trigger();
    QCOMPARE(field("timer").toVariant().toInt(), 1);
    ClickableRoundLabel *more = inputs->speedWidget()->slider()->increaseButton();
    QTest::mouseClick(more, Qt::LeftButton);
    QTest::mouseClick(more, Qt::LeftButton);
    QCOMPARE(field("speed").toString(), QString("52"));
    QCOMPARE(list->undoStack()->count(), 2);
    m_window->undoAction()->trigger();
    QCOMPARE(field("speed").toVariant().toInt(), 50);
    QCOMPARE(list->rowNames(), oneDrive);
    QCOMPARE(inputs->speedWidget()->slider()->valueText(), QString("50"));
    m_window->shortcutAction("redo")->trigger();
    QCOMPARE(field("speed").toString(), QString("52"));

    // One condition starts on the first sensor; "always" is always in the document, the row's
    // text and the record the robot gets; undo brings the condition back.
    ProgramListItemWidget *row = list->rowWidget(1);
    chooseKind(row, "single");
    const QJsonObject single = firstCommand().value("conditions").toObject();
    QCOMPARE(single.value("type").toString(), QString("single"));
    QCOMPARE(single.value("data").toArray().at(0).toObject().value("pin").toString(),
             QString("A0"));
    QVERIFY(row->conditionsText().startsWith("A0"));
    chooseKind(row, "always");
    QCOMPARE(firstCommand().value("conditions").toObject(), (QJsonObject{{"type", "always"}}));
    QCOMPARE(row->conditionsText(), QString("1"));
    CommandCompiler compiler;
    QVERIFY(compiler.compileCommand(firstCommand()));
    const QJsonObject robot = Decompiler::decompileCommand(compiler.lastRecord());
    QCOMPARE(robot.value("conditions").toObject().value("type").toString(), QString("always"));
    m_window->undoAction()->trigger();
    QCOMPARE(firstCommand().value("conditions").toObject(), single);
    QCOMPARE(row->conditionModel()->nameAt(row->conditionChooser()->currentIndex()),
             QString("single"));

    // "New" asks first; Cancel loses nothing, not even the history.
    const QJsonObject before = document();
    const int steps = int(list->undoStack()->count());
    QVERIFY(m_window->isWindowModified());
    answer(QMessageBox::Cancel);
    m_window->LabelClearClick();
    QCOMPARE(document(), before);
    QCOMPARE(mainList(), list);
    QCOMPARE(list->undoStack()->count(), steps);

    // Saved, the window names the program; "New" then asks nothing and keeps the robot's set-up.
    QVERIFY(m_window->saveProgramFile(m_home.filePath("Lumakit/Programs/Lesson 1.json")));
    QCOMPARE(m_window->windowTitle(), QString("Taviro Start — Lesson 1[*]"));
    QVERIFY(!m_window->isWindowModified());
    answer(QMessageBox::Cancel);
    m_window->LabelClearClick();
    QCOMPARE(mainList()->rowNames(), (QStringList{"BEGIN", "END"}));
    QCOMPARE(document().value("configuration").toObject().value("pins").toArray().size(), 3);
    QCOMPARE(m_window->windowTitle(), QString("Taviro Start[*]"));
    QVERIFY(!TopMenuWidget::instance()->button("undo")->isEnabled());
}

void tst_LessonJourney::disabledSaysWhy_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<int>("gadgets");
    QTest::addColumn<int>("program");
    QTest::addColumn<QByteArray>("report");
    QTest::addColumn<QString>("reason");

    const int motors = 0x3;
    QTest::newRow("light without an LED")
        << "mSetleds" << motors << 0 << QByteArray() << "ReasonNeedsLed";
    QTest::newRow("light with an LED") << "mSetleds" << (motors | 0x20) << 0 << QByteArray() << "";
    QTest::newRow("note without a buzzer")
        << "mSound" << motors << 0 << QByteArray() << "ReasonNeedsBuzzer";
    QTest::newRow("melody without a buzzer")
        << "mMusic" << motors << 0 << QByteArray() << "ReasonNeedsBuzzer";
    QTest::newRow("picture without a matrix")
        << "mMatrix" << motors << 0 << QByteArray() << "ReasonNeedsMatrix";
    QTest::newRow("servo without a servo")
        << "mServowork" << motors << 0 << QByteArray() << "ReasonNeedsServo";
    QTest::newRow("servo with a servo") << "mServowork" << 0x4 << 0 << QByteArray() << "";
    QTest::newRow("drive with one motor")
        << "m_fwd" << 0x1 << 0 << QByteArray() << "ReasonNeedsTwoMotors";
    QTest::newRow("one motor without motors")
        << "mrall" << 0 << 0 << QByteArray() << "ReasonNeedsMotor";
    QTest::newRow("call in a subprogram")
        << "call" << motors << 1 << QByteArray() << "ReasonCallInMainProgram";
    QTest::newRow("call in the main program") << "call" << motors << 0 << QByteArray() << "";

    const QByteArray none =
        R"({"read":0,"write":0,"start":0,"stop":0,"step":0,"restart":0,"manual":0})";
    const QByteArray connected =
        R"({"read":1,"write":1,"start":0,"stop":0,"step":0,"restart":1,"manual":0})";
    const QByteArray broken =
        R"({"read":1,"write":0,"start":0,"stop":0,"step":0,"restart":1,"manual":0})";
    const QByteArray moving =
        R"({"read":0,"write":0,"start":0,"stop":0,"step":0,"restart":1,"manual":0})";
    const QByteArray running =
        R"({"read":0,"write":0,"start":0,"stop":1,"step":0,"restart":1,"manual":0})";
    const QByteArray ready =
        R"({"read":1,"write":1,"start":1,"stop":1,"step":1,"restart":1,"manual":1})";
    QTest::newRow("write without a robot") << "write" << 0 << 0 << none << "ReasonNoRobot";
    QTest::newRow("start before get ready")
        << "start" << 0 << 0 << connected << "ReasonGetReadyFirst";
    QTest::newRow("step before get ready")
        << "step" << 0 << 0 << connected << "ReasonGetReadyFirst";
    QTest::newRow("try it before get ready")
        << "manual" << 0 << 0 << connected << "ReasonGetReadyFirst";
    QTest::newRow("stop when nothing runs") << "stop" << 0 << 0 << connected << "ReasonNotRunning";
    QTest::newRow("write of a broken program")
        << "write" << 0 << 0 << broken << "ReasonProgramMistake";
    QTest::newRow("write while a program moves")
        << "write" << 0 << 0 << moving << "ReasonTransferRunning";
    QTest::newRow("read while running") << "read" << 0 << 0 << running << "ReasonRobotRunning";
    QTest::newRow("try it while running") << "manual" << 0 << 0 << running << "ReasonRobotRunning";
    QTest::newRow("start when ready") << "start" << 0 << 0 << ready << "";
    QTest::newRow("try it when ready") << "manual" << 0 << 0 << ready << "";
}

void tst_LessonJourney::disabledSaysWhy()
{
    QFETCH(QString, command);
    QFETCH(int, gadgets);
    QFETCH(int, program);
    QFETCH(QByteArray, report);
    QFETCH(QString, reason);

    QWidget *target = nullptr;
    const QJsonObject state = QJsonDocument::fromJson(report).object();
    if (report.isEmpty()) {
        LeftMenuWidget *menu = LeftMenuWidget::instance();
        menu->slotToChangeSettings(gadgets);
        menu->SlotToChangeCurrentActiveProgramm(program);
        target = menu->tile(command);
    } else if (command == "manual") {
        RightMenuWidget::instance()->updateStatusManual(state);
        target = RightMenuWidget::instance()->inputsWidget()->runButton();
    } else {
        TopMenuWidget::instance()->changeStatus(state);
        target = TopMenuWidget::instance()->button(command);
    }
    QVERIFY(target);
    QCOMPARE(target->isEnabled(), reason.isEmpty());
    const QString words = reason.isEmpty() ? QString() : AppContext::instance().text(reason);
    if (reason.isEmpty()) {
        QVERIFY(!target->accessibleDescription().isEmpty());
    } else {
        QVERIFY2(target->toolTip().endsWith("\n" + words), qPrintable(target->toolTip()));
        QCOMPARE(target->accessibleDescription(), words);
    }
}

void tst_LessonJourney::topMenuKeepsEveryButton_data()
{
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("extra");
    QTest::addColumn<bool>("overflows");
    // The row beside the side panels of a 1280 x 720 screen, with the shipped buttons (running
    // on the robot and the class window's among them) and with one or two more.
    QTest::newRow("1280, one more button") << 980 << 1 << false;
    QTest::newRow("1280, two more buttons") << 980 << 2 << false;
    QTest::newRow("half a screen") << 560 << 2 << true;
}

void tst_LessonJourney::topMenuKeepsEveryButton()
{
    QFETCH(int, width);
    QFETCH(int, extra);
    QFETCH(bool, overflows);

    QList<TopMenuButton> entries = LanguageCatalog::instance().current()->topMenuButtons();
    for (int i = 0; i < extra; ++i)
        entries.append({QString("extra%1").arg(i), "Extra", "top_start_on.svg", "top_start_off.svg",
                        "top_start_disable.svg"});
    TopMenuWidget menu;
    menu.buildMenu(entries);
    menu.resize(width, 100);
    menu.show();
    QVERIFY(QTest::qWaitForWindowExposed(&menu));
    QTRY_COMPARE(menu.moreButton()->isVisible(), overflows);

    // Every button is whole in the row or in the more button's menu; "Close" stays in the row.
    const int least = AppContext::instance().dimension("TopMenuButtonLeastWidth", 44);
    int right = -1;
    for (QLabelDragDrop *button : menu.buttons()) {
        if (button->isHidden())
            continue;
        QVERIFY(menu.rect().contains(button->geometry()));
        QVERIFY(button->geometry().left() > right);
        QVERIFY(button->width() >= least);
        right = button->geometry().right();
    }
    QVERIFY(menu.button("Close")->isVisible());
    menu.showMoreMenu();
    QCOMPARE(menu.moreMenu()->actions().size(), menu.overflowButtons().size());
    QCOMPARE(menu.overflowButtons().isEmpty(), !overflows);
    menu.moreMenu()->hide();
}

QTEST_MAIN(tst_LessonJourney)
#include "tst_lessonjourney.moc"
