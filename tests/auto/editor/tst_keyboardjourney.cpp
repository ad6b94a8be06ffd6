#include "appcontext.h"
#include "centralwidget.h"
#include "command.h"
#include "languagewidget.h"
#include "leftmenuwidget.h"
#include "mainwindow.h"
#include "mworker.h"
#include "pausewidget.h"
#include "programlistitemwidget.h"
#include "programlistwidget.h"
#include "programstore.h"
#include "qlabeldragdrop.h"
#include "rightmenuwidget.h"
#include "sliderwithbuttons.h"
#include "speedwidget.h"
#include "topmenuwidget.h"
#include "transferpanel.h"
#include "virtualcontrollerserver.h"

#include <QApplication>
#include <QFileDialog>
#include <QJsonArray>
#include <QLineEdit>
#include <QLoggingCategory>
#include <QPointer>
#include <QSlider>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <functional>

// A first session with the keyboard alone, against the in-process virtual controller: every step
// is a key pressed where the focus is, as a person without a mouse works. The test only looks
// at the widgets; it never clicks them or calls them.
class tst_KeyboardJourney : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void firstSessionWithoutAMouse();

private:
    using Arrived = std::function<bool(const QWidget *)>;
    // Where a pressed key goes: the open popup's focus, else the focused widget.
    static QWidget *keyTarget();
    static void press(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
    static void type(const QString &text);
    // Presses the key until the focus is where wanted; false when it never gets there.
    static bool pressUntil(int key, Qt::KeyboardModifiers modifiers, const Arrived &arrived);
    // Types a file name into the file dialog the next key opens (which shows the programs
    // folder), and confirms it.
    static void answerFileDialog(const QString &fileName);
    static QJsonArray mainProgram();
    // A window system gives the window back its activation when a popup or a dialog closes; the
    // offscreen test platform does not, and the window's shortcuts wait for it.
    static void backToWindow(QWidget &window);

    QTemporaryDir m_home;
};

void tst_KeyboardJourney::initTestCase()
{
    // A home without saved state: the language page comes first.
    qputenv("HOME", m_home.path().toUtf8());
    QLoggingCategory::setFilterRules(QStringLiteral("taviro.*.debug=false"));
}

QWidget *tst_KeyboardJourney::keyTarget()
{
    if (QWidget *popup = QApplication::activePopupWidget())
        return popup->focusWidget() ? popup->focusWidget() : popup;
    if (QWidget *focused = QApplication::focusWidget())
        return focused;
    return QApplication::activeWindow();
}

void tst_KeyboardJourney::press(int key, Qt::KeyboardModifiers modifiers)
{
    QWidget *target = keyTarget();
    QVERIFY2(target, "some window has the keyboard");
    QTest::keyClick(target, Qt::Key(key), modifiers);
}

void tst_KeyboardJourney::type(const QString &text)
{
    QWidget *target = keyTarget();
    QVERIFY(target);
    QTest::keyClicks(target, text);
}

bool tst_KeyboardJourney::pressUntil(int key, Qt::KeyboardModifiers modifiers,
                                     const Arrived &arrived)
{
    for (int presses = 0; presses < 60; ++presses) {
        if (arrived(QApplication::focusWidget()))
            return true;
        QWidget *target = keyTarget();
        if (!target)
            return false;
        QTest::keyClick(target, Qt::Key(key), modifiers);
    }
    return arrived(QApplication::focusWidget());
}

void tst_KeyboardJourney::answerFileDialog(const QString &fileName)
{
    // The dialog runs its own event loop: the answer is typed from a timer, a key at a time, and
    // Return is pressed until the dialog takes it (it may still be reading the folder). A
    // completion list that pops up meanwhile is closed with Esc, which leaves the dialog open.
    auto *poll = new QTimer(qApp);
    poll->setInterval(20);
    // The poll answers one dialog only: the next one may open before it sees this one gone.
    connect(poll, &QTimer::timeout, poll,
            [poll, fileName, answered = QPointer<QWidget>(), seen = false, ticks = 0]() mutable {
                auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
                auto *name = dialog ? dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"))
                                    : nullptr;
                if (!name || !name->isVisible() || (seen && dialog != answered) || ++ticks > 1000) {
                    if (seen || ticks > 1000) {
                        poll->stop();
                        poll->deleteLater();
                    }
                    return;
                }
                seen = true;
                answered = dialog;
                if (QWidget *popup = QApplication::activePopupWidget()) {
                    QTest::keyClick(popup->focusWidget() ? popup->focusWidget() : popup,
                                    Qt::Key_Escape);
                } else if (name->text() != fileName) {
                    QTest::keyClick(name, Qt::Key_A, Qt::ControlModifier);
                    QTest::keyClicks(name, fileName);
                } else {
                    QTest::keyClick(name, Qt::Key_Return);
                }
            });
    poll->start();
}

void tst_KeyboardJourney::backToWindow(QWidget &window)
{
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
}

QJsonArray tst_KeyboardJourney::mainProgram()
{
    return AppContext::instance()
        .store()
        .currentDocument()
        .value(QStringLiteral("ProgData"))
        .toArray()
        .at(0)
        .toArray();
}

void tst_KeyboardJourney::firstSessionWithoutAMouse()
{
    VirtualControllerServer server;
    const quint16 port = server.listen(QHostAddress::LocalHost, 0);
    QVERIFY(port != 0);
    MainWindow window(MainWindow::Options{
        QStringLiteral("{\"Name\":\"Virtual controller\",\"Address\":\"tcp://127.0.0.1:%1\"}")
            .arg(port),
        {}});

    // The language: the first entry, English, chosen with Enter.
    auto *page = window.findChild<LanguageWidget *>();
    QVERIFY(page);
    QVERIFY(QTest::qWaitForWindowActive(page));
    press(Qt::Key_Home);
    press(Qt::Key_Return);
    QTRY_VERIFY(window.isBuilt());
    QVERIFY(QTest::qWaitForWindowActive(&window));

    // Three commands from the command menu, each after the one before.
    ProgramListWidget *main = CentralWidget::instance()->lists().at(0);
    LeftMenuWidget *menu = LeftMenuWidget::instance();
    const auto tile = [menu](const char *command) -> Arrived {
        return
            [menu, command](const QWidget *w) { return w == menu->tile(QLatin1String(command)); };
    };
    const Arrived inMenu = [menu](const QWidget *w) { return w && menu->isAncestorOf(w); };
    QVERIFY(pressUntil(Qt::Key_Tab, Qt::NoModifier, inMenu));
    QVERIFY(pressUntil(Qt::Key_Right, Qt::NoModifier, tile("m_fwd")));
    press(Qt::Key_Return);
    QVERIFY(pressUntil(Qt::Key_Right, Qt::NoModifier, tile("mPause")));
    press(Qt::Key_Space);
    QVERIFY(pressUntil(Qt::Key_Left, Qt::NoModifier, tile("m_stop")));
    press(Qt::Key_Return);
    QCOMPARE(main->rowNames(), (QStringList{"BEGIN", "m_fwd", "mPause", "m_stop", "END"}));

    // A condition for the drive: the counter kind, from the row's chooser.
    const Arrived inList = [main](const QWidget *w) { return w == main; };
    QVERIFY(pressUntil(Qt::Key_Tab, Qt::NoModifier, inList));
    QVERIFY(pressUntil(Qt::Key_Up, Qt::NoModifier,
                       [main](const QWidget *) { return main->currentRow() == 1; }));
    press(Qt::Key_F4);
    QVERIFY(QApplication::activePopupWidget());
    for (int entry = 0; entry < 3; ++entry) // always, single, conditions, counter
        press(Qt::Key_Down);
    press(Qt::Key_Return);
    QTRY_VERIFY(!QApplication::activePopupWidget());
    QCOMPARE(main->commandAt(1)->conditionKind(), 3);
    backToWindow(window);

    // Two values: the drive's speed with the arrows, the pause typed into its field.
    RightMenuWidget *panel = RightMenuWidget::instance();
    auto *speed = panel->findChild<SpeedWidget *>();
    QVERIFY(pressUntil(Qt::Key_Tab, Qt::NoModifier,
                       [speed](const QWidget *w) { return w == speed->slider()->slider(); }));
    for (int step = 0; step < 5; ++step)
        press(Qt::Key_Right);
    QCOMPARE(mainProgram().at(0)["action"]["speed"].toString(), QStringLiteral("55"));
    QCOMPARE(mainProgram().at(0)["conditions"]["data"][0]["equation"].toString(),
             QStringLiteral("counter"));
    QVERIFY(pressUntil(Qt::Key_Backtab, Qt::ShiftModifier, inList));
    press(Qt::Key_Down);
    auto *pause = panel->findChild<PauseWidget *>();
    QVERIFY(pressUntil(Qt::Key_Tab, Qt::NoModifier, [pause](const QWidget *w) {
        return w == pause->secondSlider()->lineEdit();
    }));
    press(Qt::Key_A, Qt::ControlModifier);
    type(QStringLiteral("30"));
    QCOMPARE(mainProgram().at(1)["action"]["second"].toString(), QStringLiteral("30"));

    // Write, get ready, start, stop: each by its key, each once the robot allows it.
    TopMenuWidget *top = TopMenuWidget::instance();
    const auto allowed = [top](const char *command) {
        return top->button(QLatin1String(command))->isEnabled();
    };
    QTRY_VERIFY_WITH_TIMEOUT(allowed("write"), 20000);
    press(Qt::Key_W, Qt::ControlModifier);
    QTRY_VERIFY_WITH_TIMEOUT(allowed("restart") && allowed("write"), 20000);
    press(Qt::Key_F5, Qt::ControlModifier | Qt::ShiftModifier);
    QTRY_VERIFY_WITH_TIMEOUT(allowed("start"), 20000);
    press(Qt::Key_F5);
    const auto runningRow = [main] {
        for (int row = 0; row < main->count(); ++row) {
            if (main->rowWidget(row) && main->rowWidget(row)->isRunning())
                return row;
        }
        return -1;
    };
    // The thirty seconds' pause runs; Esc stops it.
    QTRY_COMPARE_WITH_TIMEOUT(runningRow(), 2, 20000);
    press(Qt::Key_Escape);
    QTRY_COMPARE_WITH_TIMEOUT(runningRow(), -1, 20000);
    QTRY_VERIFY_WITH_TIMEOUT(allowed("start"), 20000);

    // Save under a name typed without its suffix, start a new program, and open the saved one
    // again: the file got ".json", so the open dialog lists it.
    const QJsonArray built = mainProgram();
    const QString path =
        AppContext::instance().store().programsFolder() + QStringLiteral("/keyboard.json");
    answerFileDialog(QStringLiteral("keyboard"));
    press(Qt::Key_S, Qt::ControlModifier);
    backToWindow(window);
    QVERIFY(QFile::exists(path));
    QCOMPARE(window.transferPanel()->text(), QStringLiteral("Saved to keyboard.json"));
    QCOMPARE(ProgramStore::readProgramDocument(path)
                 .value_or(QJsonObject())
                 .value(QStringLiteral("ProgData"))
                 .toArray()
                 .at(0),
             QJsonValue(built));
    press(Qt::Key_N, Qt::ControlModifier);
    main = CentralWidget::instance()->lists().at(0);
    QCOMPARE(main->rowNames(), (QStringList{"BEGIN", "END"}));
    answerFileDialog(QStringLiteral("keyboard.json"));
    press(Qt::Key_O, Qt::ControlModifier);
    backToWindow(window);
    main = CentralWidget::instance()->lists().at(0);
    QCOMPARE(main->rowNames(), (QStringList{"BEGIN", "m_fwd", "mPause", "m_stop", "END"}));
    QCOMPARE(mainProgram(), built);
    // The keyboard stays in the program that was opened.
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget *>(main));
    window.close();
}

QTEST_MAIN(tst_KeyboardJourney)
#include "tst_keyboardjourney.moc"
