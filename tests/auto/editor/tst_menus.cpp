#include "appcontext.h"
#include "hardwaredescription.h"
#include "leftmenuwidget.h"
#include "qlabeldragdrop.h"
#include "topmenuwidget.h"

#include <QCoreApplication>
#include <QDir>
#include <QDrag>
#include <QDragEnterEvent>
#include <QFile>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QJsonArray>
#include <QJsonDocument>
#include <QMimeData>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

namespace {

const QStringList menuCommands = {
    "m_left",     "m_fwd",      "m_right", "m_turnleft", "m_stop",      "m_turnright", "m_bckleft",
    "m_backward", "m_bckright", "mrall",   "mr1stop",    "mServowork",  "mSetleds",    "mMatrix",
    "mSound",     "mMusic",     "mPause",  "call",       "mStartCycle", "empty",       "mEndCycle"};

const QStringList motionCommands = {"m_left",     "m_fwd",      "m_right",
                                    "m_turnleft", "m_stop",     "m_turnright",
                                    "m_bckleft",  "m_backward", "m_bckright"};

QString rightmostButton(TopMenuWidget &menu)
{
    QString rightmost;
    int right = -1;
    for (QLabelDragDrop *button : menu.buttons()) {
        if (button->geometry().right() > right) {
            right = button->geometry().right();
            rightmost = button->command();
        }
    }
    return rightmost;
}

// Stands in for the real drag, which would run its own event loop until the mouse is released.
class RecordingTile : public QLabelDragDrop
{
public:
    using QLabelDragDrop::QLabelDragDrop;
    QStringList carried;
    QSize pixmapSize;
    bool pressedDuringDrag = false;

protected:
    Qt::DropAction executeDrag(QDrag *drag) override
    {
        carried.append(drag->mimeData()->text());
        pixmapSize = drag->pixmap().size();
        pressedDuringDrag = isPressed();
        return Qt::CopyAction;
    }
};

} // namespace

class TestMenus : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();

    void topMenuButtons();
    void closeIsRightmost_data();
    void closeIsRightmost();
    void stateReportEnablesButtons_data();
    void stateReportEnablesButtons();
    void emptyAndRebuild();

    void tilesInThreeColumns();
    void tilesFollowGadgetFlags_data();
    void tilesFollowGadgetFlags();
    void callTileOnlyOnMainProgram();
    void emptyTileDoesNothing();
    void tileDragCarriesCommand();
    void buttonClickedOnRelease();
    void pressedButtonSinks();
    void commandMenuAcceptsEveryDrag();

    void shippedLanguages();

private:
    void loadDescription(const QJsonArray &topMenu);
    QJsonArray topMenuEntries(const QStringList &commands) const;

    QTemporaryDir m_home;
    QTemporaryDir m_config;
    std::unique_ptr<HardwareDescription> m_description;
};

void TestMenus::initTestCase()
{
    QVERIFY(m_home.isValid());
    QVERIFY(m_config.isValid());
    qputenv("HOME", m_home.path().toUtf8());
    QDir(m_config.path()).mkpath(QStringLiteral("images"));
    loadDescription(
        topMenuEntries({"ReadFile", "write", "read", "start", "stop", "step", "restart", "Close"}));
}

void TestMenus::cleanupTestCase()
{
    AppContext::instance().forgetDescription(m_description.get());
    m_description.reset();
}

QJsonArray TestMenus::topMenuEntries(const QStringList &commands) const
{
    QJsonArray entries;
    for (const QString &command : commands) {
        entries.append(QJsonObject{{"Command", command},
                                   {"Tooltip", command + " tip"},
                                   {"Picture", "top_" + command.toLower() + ".svg"}});
    }
    return entries;
}

void TestMenus::loadDescription(const QJsonArray &topMenu)
{
    QJsonArray commands;
    for (const QString &command : menuCommands) {
        commands.append(QJsonObject{{"Command", command},
                                    {"Picture", command == "empty" ? "empty" : command + ".svg"},
                                    {"Tooltip", command + " tip"}});
    }
    const QJsonObject top{
        {"Language", "Test"},
        {"Dimensions", QJsonObject{{"TopMenuButtonWidth", 60},
                                   {"TopMenuButtonHeight", 50},
                                   {"LeftMenuButtonWidth", 40},
                                   {"LeftMenuButtonHeight", 30}}},
        {"CommandMenu", QJsonObject{{"Buttons", commands}}},
        {"MainMenu", QJsonObject{{"Buttons", topMenu}}},
    };
    const QString path = m_config.filePath(QStringLiteral("base.json"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(QJsonDocument(top).toJson());
    file.close();

    if (m_description)
        AppContext::instance().forgetDescription(m_description.get());
    m_description = std::make_unique<HardwareDescription>(path);
    AppContext::instance().setDescription(m_description.get());
}

void TestMenus::topMenuButtons()
{
    TopMenuWidget menu;
    menu.buildMenu();
    QCOMPARE(menu.buttons().size(), 8);
    const QLabelDragDrop *write = menu.button("write");
    QVERIFY(write);
    QCOMPARE(write->objectName(), QStringLiteral("write"));
    // The entry's tip, and the key that presses the button.
    QCOMPARE(write->toolTip(), QStringLiteral("write tip (Ctrl+W)"));
    QCOMPARE(write->size(), QSize(60, 50));
    QCOMPARE(write->pixmap().size(), QSize(60, 50));
    QVERIFY(!write->isDraggable());
    QVERIFY(write->hasMouseTracking());
    QCOMPARE(menu.layout()->contentsMargins(), QMargins(5, 0, 5, 0));
}

void TestMenus::closeIsRightmost_data()
{
    QTest::addColumn<QStringList>("commands");
    QTest::newRow("last") << QStringList{"ReadFile", "write", "Close"};
    QTest::newRow("first") << QStringList{"Close", "ReadFile", "write"};
    QTest::newRow("middle") << QStringList{"ReadFile", "Close", "write", "start"};
}

void TestMenus::closeIsRightmost()
{
    QFETCH(QStringList, commands);
    TopMenuWidget menu;
    QList<TopMenuButton> entries;
    for (const QString &command : commands)
        entries.append(TopMenuButton{command, command, "empty", "empty", "empty"});
    menu.buildMenu(entries);
    menu.resize(1000, 60);
    menu.show();
    QVERIFY(QTest::qWaitForWindowExposed(&menu));

    QCOMPARE(rightmostButton(menu), QStringLiteral("Close"));
    // A stretch pushes it to the far end; the others stay packed on the left.
    QVERIFY(menu.button("Close")->geometry().right() > 900);
    QVERIFY(menu.button("ReadFile")->geometry().left() < 100);
}

void TestMenus::stateReportEnablesButtons_data()
{
    QTest::addColumn<bool>("enabledBefore");
    QTest::addColumn<QByteArray>("report");
    QTest::addColumn<bool>("stepEnabled");

    QTest::newRow("1 enables") << false << QByteArray(R"({"step":1})") << true;
    QTest::newRow("0 disables") << true << QByteArray(R"({"step":0})") << false;
    QTest::newRow("2 disables") << true << QByteArray(R"({"step":2})") << false;
    QTest::newRow("text disables") << true << QByteArray(R"({"step":"1"})") << false;
    QTest::newRow("missing keeps enabled") << true << QByteArray(R"({"start":0})") << true;
    QTest::newRow("missing keeps disabled") << false << QByteArray(R"({"start":1})") << false;
}

void TestMenus::stateReportEnablesButtons()
{
    QFETCH(bool, enabledBefore);
    QFETCH(QByteArray, report);
    QFETCH(bool, stepEnabled);

    TopMenuWidget menu;
    menu.buildMenu();
    menu.button("step")->setEnabled(enabledBefore);
    const QJsonObject state = QJsonDocument::fromJson(report).object();
    menu.changeStatus(state);
    QCOMPARE(menu.button("step")->isEnabled(), stepEnabled);
    // Buttons that are no action of the controller never change.
    QVERIFY(menu.button("ReadFile")->isEnabled());
    if (state.contains("start"))
        QCOMPARE(menu.button("start")->isEnabled(), state.value("start").toInt() == 1);
}

void TestMenus::emptyAndRebuild()
{
    TopMenuWidget top;
    LeftMenuWidget left;
    top.buildMenu();
    left.buildMenu();
    QPointer<QLabelDragDrop> oldTile = left.tiles().first();

    top.emptyMenu();
    left.emptyMenu();
    QCOMPARE(top.buttons().size(), 0);
    QCOMPARE(top.layout()->count(), 0);
    QCOMPARE(left.tiles().size(), 0);
    QCOMPARE(left.grid()->count(), 0);
    QTRY_VERIFY(oldTile.isNull());

    top.buildMenu();
    left.buildMenu();
    QCOMPARE(top.buttons().size(), 8);
    QCOMPARE(left.tiles().size(), menuCommands.size());
    // The more button and one stretch in front of "Close", and nothing left over from the
    // first build.
    QCOMPARE(top.layout()->count(), 10);
}

void TestMenus::tilesInThreeColumns()
{
    LeftMenuWidget menu;
    menu.buildMenu();
    QCOMPARE(menu.tiles().size(), menuCommands.size());
    QCOMPARE(menu.grid()->spacing(), 14);
    for (int n = 0; n < menu.tiles().size(); ++n) {
        QLabelDragDrop *tile = menu.tiles().at(n);
        QCOMPARE(tile->command(), menuCommands.at(n));
        int row = -1, column = -1, rowSpan = 0, columnSpan = 0;
        menu.grid()->getItemPosition(menu.grid()->indexOf(tile), &row, &column, &rowSpan,
                                     &columnSpan);
        QCOMPARE(row, n / 3);
        QCOMPARE(column, n % 3);
    }
    // The seventh tile opens the third row.
    int row = -1, column = -1, rowSpan = 0, columnSpan = 0;
    menu.grid()->getItemPosition(menu.grid()->indexOf(menu.tiles().at(6)), &row, &column, &rowSpan,
                                 &columnSpan);
    QCOMPARE(row, 2);
    QCOMPARE(column, 0);

    QLabelDragDrop *fwd = menu.tile("m_fwd");
    QCOMPARE(fwd->size(), QSize(40, 30));
    QCOMPARE(fwd->toolTip(), QStringLiteral("m_fwd tip"));
    QVERIFY(fwd->isDraggable());
    QVERIFY(fwd->hasMouseTracking());
}

void TestMenus::tilesFollowGadgetFlags_data()
{
    QTest::addColumn<int>("flags");
    QTest::addColumn<QStringList>("enabled");
    QTest::addColumn<QStringList>("disabled");

    const QStringList single{"mrall", "mr1stop"};
    const QStringList others{"mServowork", "mSound", "mMusic", "mMatrix", "mSetleds"};
    QTest::newRow("nothing") << 0 << QStringList() << motionCommands + single + others;
    QTest::newRow("motor 1 only") << 0x1 << single << motionCommands + others;
    QTest::newRow("motor 2 only") << 0x2 << single << motionCommands + others;
    QTest::newRow("both motors") << 0x3 << motionCommands + single << others;
    QTest::newRow("servo") << 0x4 << QStringList{"mServowork"} << motionCommands + single;
    QTest::newRow("sound") << 0x8 << QStringList{"mSound", "mMusic"}
                           << QStringList{"mMatrix", "mSetleds", "mServowork"};
    QTest::newRow("matrix") << 0x10 << QStringList{"mMatrix"} << QStringList{"mSound", "mSetleds"};
    QTest::newRow("leds") << 0x20 << QStringList{"mSetleds"} << QStringList{"mMatrix", "m_fwd"};
    QTest::newRow("everything") << 0xffff << motionCommands + single + others << QStringList();
}

void TestMenus::tilesFollowGadgetFlags()
{
    QFETCH(int, flags);
    QFETCH(QStringList, enabled);
    QFETCH(QStringList, disabled);

    LeftMenuWidget menu;
    menu.buildMenu();
    // Start from the opposite of what is expected, so that every tile has to change.
    for (const QString &name : enabled)
        menu.tile(name)->setEnabled(false);
    for (const QString &name : disabled)
        menu.tile(name)->setEnabled(true);
    menu.tile("mPause")->setEnabled(false);
    menu.tile("call")->setEnabled(true);

    menu.slotToChangeSettings(flags);
    for (const QString &name : enabled)
        QVERIFY2(menu.tile(name)->isEnabled(), qPrintable(name));
    for (const QString &name : disabled)
        QVERIFY2(!menu.tile(name)->isEnabled(), qPrintable(name));
    // Tiles that need no gadget keep their state.
    QVERIFY(!menu.tile("mPause")->isEnabled());
    QVERIFY(menu.tile("call")->isEnabled());
}

void TestMenus::callTileOnlyOnMainProgram()
{
    LeftMenuWidget menu;
    menu.buildMenu();
    menu.SlotToChangeCurrentActiveProgramm(2);
    QVERIFY(!menu.tile("call")->isEnabled());
    QVERIFY(menu.tile("mPause")->isEnabled());
    menu.SlotToChangeCurrentActiveProgramm(0);
    QVERIFY(menu.tile("call")->isEnabled());
}

void TestMenus::emptyTileDoesNothing()
{
    LeftMenuWidget menu;
    menu.buildMenu();
    QVERIFY(!menu.tile("empty")->isDraggable());

    RecordingTile tile(QIcon(), QIcon(), QIcon(), "empty", QString(), 40, 30, false);
    tile.show();
    QVERIFY(QTest::qWaitForWindowExposed(&tile));
    QTest::mousePress(&tile, Qt::LeftButton);
    QVERIFY(tile.carried.isEmpty());
    QVERIFY(tile.isPressed());
    QTest::mouseRelease(&tile, Qt::LeftButton);
    QVERIFY(!tile.isPressed());
    QVERIFY(tile.carried.isEmpty());
}

void TestMenus::tileDragCarriesCommand()
{
    QPixmap on(8, 8);
    on.fill(Qt::red);
    RecordingTile tile(QIcon(on), QIcon(), QIcon(), "m_fwd", QString(), 40, 30, true);
    tile.show();
    QVERIFY(QTest::qWaitForWindowExposed(&tile));
    QSignalSpy clicked(&tile, &QLabelDragDrop::clicked);

    QTest::mousePress(&tile, Qt::LeftButton);
    QCOMPARE(tile.carried, QStringList{"m_fwd,"});
    QCOMPARE(tile.pixmapSize, QSize(40, 30));
    QVERIFY(tile.pressedDuringDrag);
    QVERIFY(!tile.isPressed());
    QTest::mouseRelease(&tile, Qt::LeftButton);
    QCOMPARE(clicked.count(), 0);

    QTest::mousePress(&tile, Qt::RightButton);
    QCOMPARE(tile.carried.size(), 1);
}

void TestMenus::buttonClickedOnRelease()
{
    QLabelDragDrop button(QIcon(), QIcon(), QIcon(), "start", "tip", 50, 50, false);
    button.show();
    QVERIFY(QTest::qWaitForWindowExposed(&button));
    QSignalSpy clicked(&button, &QLabelDragDrop::clicked);
    QTest::mousePress(&button, Qt::LeftButton);
    QVERIFY(button.isPressed());
    QCOMPARE(clicked.count(), 0);
    QTest::mouseRelease(&button, Qt::LeftButton);
    QCOMPARE(clicked.count(), 1);
    QTest::mouseClick(&button, Qt::RightButton);
    QCOMPARE(clicked.count(), 1);
}

void TestMenus::pressedButtonSinks()
{
    QPixmap red(40, 30);
    red.fill(Qt::red);
    QLabelDragDrop button(QIcon(), QIcon(), QIcon(red), "start", QString(), 40, 30, false);
    button.show();
    QVERIFY(QTest::qWaitForWindowExposed(&button));
    const QColor resting = button.grab().toImage().pixelColor(0, 0);
    QCOMPARE(resting, QColor(Qt::red));

    QTest::mousePress(&button, Qt::LeftButton);
    const QImage pressed = button.grab().toImage();
    QVERIFY(pressed.pixelColor(0, 0) != QColor(Qt::red));
    QCOMPARE(pressed.pixelColor(2, 2), QColor(Qt::red));
    QTest::mouseRelease(&button, Qt::LeftButton);
    QCOMPARE(button.grab().toImage().pixelColor(0, 0), QColor(Qt::red));
}

void TestMenus::commandMenuAcceptsEveryDrag()
{
    LeftMenuWidget menu;
    QVERIFY(menu.acceptDrops());
    QMimeData data;
    data.setText("anything");
    QDragEnterEvent enter(QPoint(5, 5), Qt::MoveAction, &data, Qt::LeftButton, Qt::NoModifier);
    enter.ignore();
    QApplication::sendEvent(&menu, &enter);
    QVERIFY(enter.isAccepted());
}

void TestMenus::shippedLanguages()
{
    const QDir languages(QCoreApplication::applicationDirPath() + "/Languages");
    const QStringList folders = languages.entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    int checked = 0;
    for (const QString &folder : folders) {
        const QString path = languages.filePath(folder + "/base.json");
        if (!QFile::exists(path))
            continue;
        HardwareDescription description(path);
        AppContext::instance().setDescription(&description);

        TopMenuWidget top;
        LeftMenuWidget left;
        top.buildMenu();
        left.buildMenu();
        QCOMPARE(left.tiles().size(), description.commands().size());
        QCOMPARE(top.buttons().size(), description.topMenuButtons().size());
        if (top.button("Close")) {
            top.resize(1366, 100);
            top.show();
            QVERIFY(QTest::qWaitForWindowExposed(&top));
            QCOMPARE(rightmostButton(top), QStringLiteral("Close"));
        }
        for (QLabelDragDrop *tile : left.tiles())
            QCOMPARE(tile->isDraggable(), tile->command() != "empty");

        AppContext::instance().forgetDescription(&description);
        ++checked;
    }
    AppContext::instance().setDescription(m_description.get());
    if (checked == 0)
        QSKIP("no shipped Languages folder beside the test program");
}

QTEST_MAIN(TestMenus)
#include "tst_menus.moc"
