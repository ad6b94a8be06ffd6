#include "appcontext.h"
#include "centralwidget.h"
#include "editorhome.h"
#include "guidewindow.h"
#include "leftmenuwidget.h"
#include "lessonsmenu.h"
#include "mainwindow.h"
#include "mbluetoothconnect.h"
#include "programlistwidget.h"
#include "qlabeldragdrop.h"
#include "robotsimulation.h"
#include "robotstage.h"
#include "robotview.h"
#include "robotviewdock.h"
#include "sidepanels.h"
#include "topmenuwidget.h"
#include "virtualcontroller.h"
#include "virtualcontrollerserver.h"

#include <QApplication>
#include <QListWidget>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QUrl>

namespace {

// Presses a key wherever the keyboard is, as a person at the keyboard would.
void press(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    QWidget *target =
        QApplication::focusWidget() ? QApplication::focusWidget() : QApplication::activeWindow();
    QTest::keyClick(target, Qt::Key(key), modifiers);
}

// Answers the next modal window from a timer (it runs its own event loop): the examples list or
// the question about unsaved work.
void whenModal(std::function<void(QWidget *)> answer)
{
    auto *poll = new QTimer(qApp);
    poll->setInterval(20);
    QObject::connect(poll, &QTimer::timeout, poll, [poll, answer, ticks = 0]() mutable {
        if (QWidget *modal = QApplication::activeModalWidget()) {
            poll->stop();
            poll->deleteLater();
            answer(modal);
        } else if (++ticks > 500) {
            poll->deleteLater();
        }
    });
    poll->start();
}

void answerUnsaved(QMessageBox::StandardButton answer)
{
    whenModal([answer](QWidget *modal) {
        auto *box = qobject_cast<QMessageBox *>(modal);
        QVERIFY(box && box->objectName() == QLatin1String("unsavedQuestion"));
        box->button(answer)->click();
    });
}

// In the examples list: Down to the row with that title, Enter.
void chooseExample(const QString &titleKey)
{
    whenModal([titleKey](QWidget *modal) {
        auto *list = modal->findChild<QListWidget *>(QStringLiteral("ExamplesList"));
        QVERIFY(list);
        const QString title = AppContext::instance().text(titleKey);
        for (int i = 0; i < list->count() && list->currentItem()->text() != title; ++i)
            QTest::keyClick(list, Qt::Key_Down);
        QCOMPARE(list->currentItem()->text(), title);
        QTest::keyClick(list, Qt::Key_Return);
    });
}

} // namespace

// A teacher's lesson preparation: an example opened by keyboard over unsaved work, run on the
// virtual robot in its world, the guide at the page of the focus, the robot on its own screen,
// and a program file dropped on the window.
class tst_LessonsJourney : public QObject
{
    Q_OBJECT
private slots:
    void openAnExampleAndRunIt();
};

void tst_LessonsJourney::openAnExampleAndRunIt()
{
    QTemporaryDir home;
    QVERIFY(EditorHome::prepare(home));
    VirtualControllerServer server;
    const quint16 port = server.listen(QHostAddress::LocalHost, 0);
    QVERIFY(port != 0);
    MainWindow::Options options;
    options.deviceOverride = mBluetoothConnect::deviceText(
        mBluetoothConnect::kVirtualControllerName, QStringLiteral("tcp://127.0.0.1:%1").arg(port));
    options.virtualController = &server.controller();
    MainWindow window(options);
    QVERIFY(window.isBuilt());
    QVERIFY(QTest::qWaitForWindowActive(&window));
    ProgramListWidget *main = CentralWidget::instance()->lists().at(0);
    main->setFocus();
    // A closed dialog leaves the offscreen platform without an active window; a desktop's
    // window manager gives the keyboard back to the window.
    const auto backToWindow = [&window] {
        window.activateWindow();
        return QTest::qWaitForWindowActive(&window);
    };

    // A row of one's own, in no file: opening an example asks first; Cancel keeps it.
    CentralWidget::instance()->insertChosenCommand(QStringLiteral("m_fwd"));
    QVERIFY(window.hasUnsavedChanges());
    chooseExample(QStringLiteral("ExampleLightShowTitle"));
    answerUnsaved(QMessageBox::Cancel);
    press(Qt::Key_O, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(main->rowNames(), (QStringList{"BEGIN", "m_fwd", "END"}));

    // Again, throwing the row away: the light show is a new program, not in a file yet, named
    // after the example, with its lights set up and the virtual robot on its playground.
    QVERIFY(backToWindow());
    chooseExample(QStringLiteral("ExampleLightShowTitle"));
    answerUnsaved(QMessageBox::Discard);
    press(Qt::Key_O, Qt::ControlModifier | Qt::ShiftModifier);
    main = CentralWidget::instance()->lists().at(0);
    QCOMPARE(main->rowNames().size(), 13);
    QCOMPARE(main->rowNames().at(1), QStringLiteral("mStartCycle"));
    QCOMPARE(window.programName(), AppContext::instance().text("ExampleLightShowTitle"));
    QVERIFY(!window.hasUnsavedChanges());
    RobotViewDock *robot = window.sidePanels()->robot();
    QVERIFY(robot->simulation()->model().world().path().endsWith("03_playground/world.json"));
    QVERIFY(LeftMenuWidget::instance()->tile(QStringLiteral("mSetleds"))->isEnabled());

    // Get ready, start: the lights run on the virtual controller.
    QVERIFY(backToWindow());
    QTRY_VERIFY_WITH_TIMEOUT(TopMenuWidget::instance()->button("restart")->isEnabled(), 20000);
    press(Qt::Key_F5, Qt::ControlModifier | Qt::ShiftModifier);
    QTRY_VERIFY_WITH_TIMEOUT(TopMenuWidget::instance()->button("start")->isEnabled(), 20000);
    press(Qt::Key_F5);
    QTRY_VERIFY_WITH_TIMEOUT(server.controller().outputs().leds.value(2), 10000);
    QTRY_VERIFY_WITH_TIMEOUT(server.controller().outputs().leds.value(3), 10000);

    // The robot on a screen of its own: its picture large enough for the back of a class.
    RobotStage *stage = robot->showStage();
    QVERIFY(QTest::qWaitForWindowExposed(stage));
    QVERIFY(stage->view()->pictureCell() * 8 >= 48);
    QTest::keyClick(stage->view(), Qt::Key_Plus);
    QVERIFY(stage->view()->zoom() > 1);
    QTest::keyClick(stage, Qt::Key_Escape);
    QTRY_VERIFY(!robot->stage());
    QVERIFY(backToWindow());
    press(Qt::Key_Escape); // stops the robot

    // F1 opens the page that fits the focus: the tiles from the command menu, the first program
    // from the program.
    LeftMenuWidget::instance()->tile(QStringLiteral("mSetleds"))->setFocus();
    press(Qt::Key_F1);
    QTRY_VERIFY(window.lessons()->guide() && window.lessons()->guide()->isVisible());
    QCOMPARE(window.lessons()->guide()->currentTopic(), QStringLiteral("tiles"));
    QVERIFY(window.lessons()->guide()->topics().size() >= 7);
    main->setFocus();
    QCOMPARE(GuideWindow::topicFor(QApplication::focusWidget()), QStringLiteral("first-program"));
    window.lessons()->guide()->close();

    // A program file dropped on the program list opens; the example was not changed, so no
    // question comes first.
    const QString file = home.filePath("lesson.json");
    QVERIFY(ProgramStore::saveFile(
        file, {{"ProgData", QJsonArray{QJsonArray{
                                QJsonObject{{"conditions", QJsonObject{{"type", "always"}}},
                                            {"action", QJsonObject{{"command", "mPause"}}}}}}}}));
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(file)});
    const QPoint at = main->viewport()->rect().center();
    QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, {});
    QCoreApplication::sendEvent(main->viewport(), &enter);
    QVERIFY(enter.isAccepted());
    QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, {});
    QCoreApplication::sendEvent(main->viewport(), &drop);
    QTRY_COMPARE(CentralWidget::instance()->lists().at(0)->rowNames(),
                 (QStringList{"BEGIN", "mPause", "END"}));
    QCOMPARE(window.programName(), QStringLiteral("lesson"));
}

QTEST_MAIN(tst_LessonsJourney)
#include "tst_lessonsjourney.moc"
