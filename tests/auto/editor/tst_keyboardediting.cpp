#include "appcontext.h"
#include "centralwidget.h"
#include "command.h"
#include "counterconditionwidget.h"
#include "editorhome.h"
#include "focusgrid.h"
#include "focusorder.h"
#include "focusring.h"
#include "languagecatalog.h"
#include "leftmenuwidget.h"
#include "mainwindow.h"
#include "programlistitemwidget.h"
#include "programlistwidget.h"
#include "programstore.h"
#include "qlabeldragdrop.h"
#include "rightmenuwidget.h"
#include "sliderwithbuttons.h"
#include "subprogramtabwidget.h"
#include "timerwidget.h"
#include "topmenushortcuts.h"
#include "topmenuwidget.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QJsonArray>
#include <QLineEdit>
#include <QLoggingCategory>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QUndoStack>

#include <memory>

// The editor worked with the keyboard alone: the program list's keys, the command menu's tiles,
// the order of Tab, the focus mark and the top menu's shortcuts, in the real main window.
class tst_KeyboardEditing : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void listKeysAreUndoableEdits_data();
    void listKeysAreUndoableEdits();
    void chosenTileGoesAfterCurrentRow_data();
    void chosenTileGoesAfterCurrentRow();
    void arrowsWalkTheCommandMenu();
    void tabVisitsTheRegionsInOrder();
    void conditionChooserOpensFromTheList();
    void programTabsByKeys();
    void focusRingMarksTheKeyboardFocus();
    // Last: it unplugs the top menu from the window, so that pressing a button runs nothing.
    void shortcutsPressTheirButtons_data();
    void shortcutsPressTheirButtons();
    void cleanupTestCase();

private:
    ProgramListWidget *mainList() const { return CentralWidget::instance()->lists().at(0); }
    // Loads BEGIN, the commands, END into the main program and makes `current` the current row.
    void setRows(const QStringList &commands, int current);
    // The command names of the document the worker holds now.
    static QStringList documentCommands();
    static QStringList framed(const QStringList &commands);

    QTemporaryDir m_home;
    std::unique_ptr<MainWindow> m_window;
};

void tst_KeyboardEditing::initTestCase()
{
    QVERIFY(EditorHome::prepare(m_home));
    m_window = std::make_unique<MainWindow>();
    QVERIFY(m_window->isBuilt());
    m_window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
}

void tst_KeyboardEditing::init()
{
    // Keys reach the window's shortcuts only while it is the active window (a closed popup may
    // have taken that away).
    m_window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
}

void tst_KeyboardEditing::cleanupTestCase()
{
    m_window.reset();
}

void tst_KeyboardEditing::setRows(const QStringList &commands, int current)
{
    QJsonArray program;
    for (const QString &name : commands)
        program.append(QJsonObject{{"conditions", QJsonObject{{"type", "always"}}},
                                   {"action", QJsonObject{{"command", name}}}});
    const QJsonObject configuration =
        ProgramStore::readProgramDocument(ProgramStore::defaultProgramPath())
            .value_or(QJsonObject())
            .value(QStringLiteral("configuration"))
            .toObject();
    m_window->ReadProgrammFromDevice(
        QJsonObject{{"ProgData", QJsonArray{program}}, {"configuration", configuration}});
    mainList()->setCurrentRow(current);
}

QStringList tst_KeyboardEditing::documentCommands()
{
    QStringList names;
    const QJsonArray main = AppContext::instance()
                                .store()
                                .currentDocument()
                                .value(QStringLiteral("ProgData"))
                                .toArray()
                                .at(0)
                                .toArray();
    for (const QJsonValue &command : main)
        names.append(command["action"]["command"].toString());
    return names;
}

QStringList tst_KeyboardEditing::framed(const QStringList &commands)
{
    return QStringList{QStringLiteral("BEGIN")} + commands + QStringList{QStringLiteral("END")};
}

void tst_KeyboardEditing::listKeysAreUndoableEdits_data()
{
    QTest::addColumn<int>("current");
    QTest::addColumn<QKeySequence>("keys");
    QTest::addColumn<QStringList>("expected");
    QTest::addColumn<int>("expectedCurrent");

    const QKeySequence ctrlUp(Qt::CTRL | Qt::Key_Up);
    const QKeySequence ctrlDown(Qt::CTRL | Qt::Key_Down);
    const QKeySequence del(Qt::Key_Delete);
    // Rows: BEGIN, m_fwd, mPause, m_stop, END. An unchanged list is no undo step.
    QTest::newRow("Ctrl+Up moves above")
        << 2 << ctrlUp << QStringList{"mPause", "m_fwd", "m_stop"} << 1;
    QTest::newRow("Ctrl+Up on the first command")
        << 1 << ctrlUp << QStringList{"m_fwd", "mPause", "m_stop"} << 1;
    QTest::newRow("Ctrl+Up on BEGIN")
        << 0 << ctrlUp << QStringList{"m_fwd", "mPause", "m_stop"} << 0;
    QTest::newRow("Ctrl+Down moves below")
        << 1 << ctrlDown << QStringList{"mPause", "m_fwd", "m_stop"} << 2;
    QTest::newRow("Ctrl+Down to just before END")
        << 2 << ctrlDown << QStringList{"m_fwd", "m_stop", "mPause"} << 3;
    QTest::newRow("Ctrl+Down on the last command")
        << 3 << ctrlDown << QStringList{"m_fwd", "mPause", "m_stop"} << 3;
    QTest::newRow("Delete removes, the next row is selected")
        << 2 << del << QStringList{"m_fwd", "m_stop"} << 2;
    QTest::newRow("Delete of the last command selects END")
        << 3 << del << QStringList{"m_fwd", "mPause"} << 3;
    QTest::newRow("Delete on BEGIN") << 0 << del << QStringList{"m_fwd", "mPause", "m_stop"} << 0;
    QTest::newRow("Delete on END") << 4 << del << QStringList{"m_fwd", "mPause", "m_stop"} << 4;
    QTest::newRow("Down only selects")
        << 1 << QKeySequence(Qt::Key_Down) << QStringList{"m_fwd", "mPause", "m_stop"} << 2;
}

void tst_KeyboardEditing::listKeysAreUndoableEdits()
{
    QFETCH(int, current);
    QFETCH(QKeySequence, keys);
    QFETCH(QStringList, expected);
    QFETCH(int, expectedCurrent);
    const QStringList before{"m_fwd", "mPause", "m_stop"};
    setRows(before, current);
    ProgramListWidget *list = mainList();
    list->setFocus(Qt::TabFocusReason);
    Command *moved = list->commandAt(current);

    QTest::keySequence(list, keys);
    QCOMPARE(list->rowNames(), framed(expected));
    QCOMPARE(list->currentRow(), expectedCurrent);
    QCOMPARE(list->selectedItems(), QList<QListWidgetItem *>{list->item(expectedCurrent)});
    // The edit reached the document the worker compiles.
    QCOMPARE(documentCommands(), expected);
    if (keys != QKeySequence(Qt::Key_Delete) && moved && expected != before)
        QCOMPARE(list->commandAt(expectedCurrent), moved);

    const bool changed = expected != before;
    QCOMPARE(list->undoStack()->count(), changed ? 1 : 0);
    if (!changed)
        return;
    // Undone and redone from the keyboard, like an edit made with the mouse.
    QTest::keyClick(list, Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(list->rowNames(), framed(before));
    QCOMPARE(documentCommands(), before);
    QTest::keyClick(list, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(list->rowNames(), framed(expected));
    QCOMPARE(documentCommands(), expected);
}

void tst_KeyboardEditing::chosenTileGoesAfterCurrentRow_data()
{
    QTest::addColumn<int>("current");
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("inserted");

    // Rows: BEGIN, m_fwd, m_stop, END.
    QTest::newRow("after BEGIN") << 0 << int(Qt::Key_Return) << 1;
    QTest::newRow("after the first command") << 1 << int(Qt::Key_Space) << 2;
    QTest::newRow("after the last command") << 2 << int(Qt::Key_Enter) << 3;
    QTest::newRow("END selected: before END") << 3 << int(Qt::Key_Return) << 3;
    QTest::newRow("nothing selected: before END") << -1 << int(Qt::Key_Space) << 3;
}

void tst_KeyboardEditing::chosenTileGoesAfterCurrentRow()
{
    QFETCH(int, current);
    QFETCH(int, key);
    QFETCH(int, inserted);
    setRows({"m_fwd", "m_stop"}, current);
    if (current < 0)
        mainList()->setCurrentItem(nullptr);
    QLabelDragDrop *tile = LeftMenuWidget::instance()->tile(QStringLiteral("mPause"));
    tile->setFocus(Qt::TabFocusReason);

    QTest::keyClick(tile, Qt::Key(key));
    ProgramListWidget *list = mainList();
    QStringList expected{"m_fwd", "m_stop"};
    expected.insert(inserted - 1, QStringLiteral("mPause"));
    QCOMPARE(list->rowNames(), framed(expected));
    // The new row is selected and shown, so the next tile follows it; the focus stays in the menu.
    QCOMPARE(list->currentRow(), inserted);
    QCOMPARE(RightMenuWidget::instance()->command(), list->commandAt(inserted));
    QCOMPARE(QApplication::focusWidget(), tile);
    QCOMPARE(documentCommands(), expected);

    // One step, undone as a drop is.
    QCOMPARE(list->undoStack()->count(), 1);
    QTest::keyClick(tile, Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(list->rowNames(), framed({"m_fwd", "m_stop"}));
}

void tst_KeyboardEditing::arrowsWalkTheCommandMenu()
{
    LeftMenuWidget *menu = LeftMenuWidget::instance();
    const auto tile = [menu](const char *command) { return menu->tile(QLatin1String(command)); };
    const auto stops = [menu] {
        int count = 0;
        for (QLabelDragDrop *tile : menu->tiles())
            count += (tile->focusPolicy() & Qt::TabFocus) ? 1 : 0;
        return count;
    };
    const auto press = [](int key) { QTest::keyClick(QApplication::focusWidget(), Qt::Key(key)); };

    tile("m_left")->setFocus(Qt::TabFocusReason);
    press(Qt::Key_Right);
    QCOMPARE(QApplication::focusWidget(), tile("m_fwd"));
    press(Qt::Key_Down); // three columns: the tile below m_fwd
    QCOMPARE(QApplication::focusWidget(), tile("m_stop"));
    QCOMPARE(stops(), 1);
    QCOMPARE(menu->focusGrid()->tabStop(), tile("m_stop"));

    // Without motors, lights, servos, sound or matrix most tiles are disabled: the arrows pass
    // over them and the placeholder, and Tab still reaches the menu.
    const int flags = int(AppContext::instance().gadgetFlags());
    menu->slotToChangeSettings(0);
    QCOMPARE(menu->focusGrid()->tabStop(), tile("mPause"));
    QCOMPARE(stops(), 1);
    tile("mPause")->setFocus(Qt::TabFocusReason);
    press(Qt::Key_Right);
    QCOMPARE(QApplication::focusWidget(), tile("call"));
    press(Qt::Key_Right);
    press(Qt::Key_Right);
    QCOMPARE(QApplication::focusWidget(), tile("mEndCycle"));
    press(Qt::Key_Up);
    QCOMPARE(QApplication::focusWidget(), tile("call"));
    press(Qt::Key_Up); // nothing enabled above: it stays
    QCOMPARE(QApplication::focusWidget(), tile("call"));
    press(Qt::Key_Home);
    QCOMPARE(QApplication::focusWidget(), tile("mPause"));
    press(Qt::Key_End);
    QCOMPARE(QApplication::focusWidget(), tile("mEndCycle"));
    QCOMPARE(tile("empty")->focusPolicy(), Qt::NoFocus);
    menu->slotToChangeSettings(flags);
}

void tst_KeyboardEditing::tabVisitsTheRegionsInOrder()
{
    setRows({"m_fwd", "mPause"}, 1);
    const QList<QWidget *> regions = m_window->focusRegions();
    const QList<QWidget *> chain = FocusOrder::chain(m_window.get(), regions);
    const auto regionOf = [&regions](const QWidget *widget) {
        for (int i = 0; i < regions.size(); ++i) {
            if (regions.at(i)->isAncestorOf(widget))
                return i;
        }
        return int(regions.size());
    };
    QList<int> visited;
    for (const QWidget *widget : chain) {
        if (visited.isEmpty() || visited.last() != regionOf(widget))
            visited.append(regionOf(widget));
    }
    // Top menu, command menu, program area, property panel, sensor panel, panel bar: each once,
    // in that order.
    QCOMPARE(visited, (QList<int>{0, 1, 2, 4, 5, 6}));
    int tiles = 0;
    for (const QWidget *widget : chain)
        tiles += qobject_cast<const QLabelDragDrop *>(widget) && regionOf(widget) == 1;
    QCOMPARE(tiles, 1);

    // Tab walks that chain, from the last top-menu button into the command menu and back.
    QWidget *lastButton = nullptr;
    for (QWidget *widget : chain) {
        if (regionOf(widget) == 0)
            lastButton = widget;
    }
    QVERIFY(lastButton);
    lastButton->setFocus(Qt::TabFocusReason);
    QTest::keyClick(lastButton, Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), LeftMenuWidget::instance()->focusGrid()->tabStop());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab, Qt::ShiftModifier);
    QCOMPARE(QApplication::focusWidget(), lastButton);

    // From the list into the panel of its selected command; at the end round to the start.
    mainList()->setFocus(Qt::TabFocusReason);
    QTest::keyClick(mainList(), Qt::Key_Tab);
    QVERIFY(RightMenuWidget::instance()->isAncestorOf(QApplication::focusWidget()));
    chain.last()->setFocus(Qt::TabFocusReason);
    QTest::keyClick(chain.last(), Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), chain.first());
}

void tst_KeyboardEditing::conditionChooserOpensFromTheList()
{
    setRows({"m_fwd"}, 1);
    ProgramListWidget *list = mainList();
    list->setFocus(Qt::TabFocusReason);
    QTest::keyClick(list, Qt::Key_F4);
    QWidget *popup = QApplication::activePopupWidget();
    QVERIFY(popup);
    // always, single, conditions, counter: the fourth entry.
    QWidget *entries = popup->focusWidget() ? popup->focusWidget() : popup;
    for (int i = 0; i < 3; ++i)
        QTest::keyClick(entries, Qt::Key_Down);
    QTest::keyClick(entries, Qt::Key_Return);
    QTRY_VERIFY(!QApplication::activePopupWidget());
    QCOMPARE(list->commandAt(1)->conditionKind(), 3);
    auto *counter = RightMenuWidget::instance()->findChild<CounterConditionWidget *>();
    QVERIFY(counter && counter->isVisibleTo(RightMenuWidget::instance()));
    QCOMPARE(QApplication::focusWidget(), list);

    // Alt+Down opens it too; BEGIN has none.
    QTest::keyClick(list, Qt::Key_Down, Qt::AltModifier);
    QVERIFY(QApplication::activePopupWidget());
    QTest::keyClick(QApplication::activePopupWidget()->focusWidget(), Qt::Key_Escape);
    QTRY_VERIFY(!QApplication::activePopupWidget());
    QCOMPARE(list->commandAt(1)->conditionKind(), 3);
    list->setCurrentRow(0);
    QTest::keyClick(list, Qt::Key_F4);
    QVERIFY(!QApplication::activePopupWidget());
}

void tst_KeyboardEditing::programTabsByKeys()
{
    setRows({"m_fwd"}, 1);
    CentralWidget *area = CentralWidget::instance();
    QPushButton *add = area->addButton();
    QCOMPARE(add->accessibleName(), QStringLiteral("Add a subprogram"));
    add->setFocus(Qt::TabFocusReason);
    QTest::keyClick(add, Qt::Key_Space);
    QCOMPARE(area->tabs().size(), 2);
    QCOMPARE(area->lists().at(1)->accessibleName(), QStringLiteral("Subprogram 1"));

    // Enter chooses a tab; Delete deletes a subprogram, never the main program.
    SubProgramTabWidget *sub = area->tabs().at(1);
    sub->setFocus(Qt::TabFocusReason);
    QTest::keyClick(sub, Qt::Key_Return);
    QCOMPARE(area->currentIndex(), 1);
    SubProgramTabWidget *mainTab = area->tabs().at(0);
    mainTab->setFocus(Qt::TabFocusReason);
    QTest::keyClick(mainTab, Qt::Key_Space);
    QCOMPARE(area->currentIndex(), 0);
    QTest::keyClick(mainTab, Qt::Key_Delete);
    QCOMPARE(area->tabs().size(), 2);
    QVERIFY(sub->deleteButton()->toolTip().contains(
        QKeySequence(QKeySequence::Delete).toString(QKeySequence::NativeText)));
    QTest::keyClick(sub, Qt::Key_Delete);
    QCOMPARE(area->tabs().size(), 1);
}

void tst_KeyboardEditing::focusRingMarksTheKeyboardFocus()
{
    FocusRing *ring = FocusRing::instance();
    QVERIFY(ring);
    setRows({"m_fwd", "mPause"}, 2);
    QLabelDragDrop *tile =
        LeftMenuWidget::instance()->focusGrid()->tabStop() == nullptr
            ? nullptr
            : qobject_cast<QLabelDragDrop *>(LeftMenuWidget::instance()->focusGrid()->tabStop());
    QVERIFY(tile);
    tile->setFocus(Qt::TabFocusReason);
    QTest::keyClick(tile, Qt::Key_Right);
    QWidget *focused = QApplication::focusWidget();
    QTRY_COMPARE(ring->target(), focused);
    // The part of the tile the command menu shows (the offscreen screen is small).
    const QRect shown = focused->visibleRegion().boundingRect();
    QVERIFY(shown.width() > focused->width() / 2);
    QCOMPARE(ring->markedRect(),
             QRect(focused->mapTo(m_window.get(), shown.topLeft()), shown.size()));
    QCOMPARE(ring->markWidget()->parentWidget(), m_window.get());

    // In a list the current row is marked, and the mark follows it.
    ProgramListWidget *list = mainList();
    list->setFocus(Qt::TabFocusReason);
    QTest::keyClick(list, Qt::Key_Up);
    const auto inWindow = [&](const QRect &rect) {
        return QRect(list->viewport()->mapTo(m_window.get(), rect.topLeft()), rect.size());
    };
    const auto rowRect = [&] {
        return inWindow(
            list->visualItemRect(list->currentItem())
                .marginsRemoved(list->property(FocusRing::RowInsetProperty).value<QMargins>()));
    };
    QTRY_COMPARE(ring->target(), static_cast<QWidget *>(list));
    QTRY_COMPARE(ring->markedRect(), rowRect());
    QCOMPARE(list->currentRow(), 1);
    // The mark keeps off the frames of the rows above and below (a run's marker among them).
    for (int neighbour : {0, 2}) {
        const QRect frame = RowDecoration::frameRect(list->visualItemRect(list->item(neighbour)));
        QVERIFY(!ring->markWidget()->geometry().intersects(inWindow(frame)));
    }

    // A mouse press hides it; the next key brings it back.
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      list->visualItemRect(list->item(2)).center());
    QTRY_COMPARE(ring->target(), nullptr);
    QTest::keyClick(list, Qt::Key_Up);
    QTRY_COMPARE(ring->markedRect(), rowRect());
}

void tst_KeyboardEditing::shortcutsPressTheirButtons_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<bool>("inField");
    for (const QString &command : TopMenuShortcuts::commands()) {
        const QByteArray name = command.toUtf8();
        QTest::newRow(name + " from the list") << command << false;
        QTest::newRow(name + " from a text field") << command << true;
    }
}

void tst_KeyboardEditing::shortcutsPressTheirButtons()
{
    QFETCH(QString, command);
    QFETCH(bool, inField);
    QLabelDragDrop *button = TopMenuWidget::instance()->button(command);
    QVERIFY(button);
    // Only what the button reports is watched: the window's own actions stay out of the test.
    disconnect(button, &QLabelDragDrop::clicked, m_window.get(), nullptr);
    const QList<QKeySequence> keys = TopMenuShortcuts::keys(command);
    QVERIFY(!keys.isEmpty());
    QVERIFY2(button->toolTip().contains(keys.first().toString(QKeySequence::NativeText)),
             qPrintable(button->toolTip()));
    QCOMPARE(m_window->shortcutAction(command)->shortcuts(), keys);

    setRows({"m_fwd"}, 1);
    QWidget *target = mainList();
    QLineEdit *field = nullptr;
    if (inField) {
        auto *timer = RightMenuWidget::instance()->findChild<TimerWidget *>();
        QVERIFY(timer && timer->isVisible());
        field = timer->slider()->lineEdit();
        target = field;
    }
    target->setFocus(Qt::TabFocusReason);
    const QString text = field ? field->text() : QString();

    QSignalSpy pressed(button, &QLabelDragDrop::clicked);
    QSignalSpy requests(m_window.get(), &MainWindow::ClickLabelSignal);
    for (const QKeySequence &sequence : keys) {
        button->setEnabled(true);
        QTest::keySequence(target, sequence);
        // A button the controller does not allow now is not pressed by its key either.
        button->setEnabled(false);
        QTest::keySequence(target, sequence);
    }
    if (command == QLatin1String("stop")) {
        // Stop goes out whatever the button shows: the robot must halt.
        QCOMPARE(requests.count(), 2 * keys.size());
        QCOMPARE(requests.first().first().toString(), QStringLiteral("stop"));
    } else {
        QCOMPARE(pressed.count(), keys.size());
    }
    // The field kept every key for the window.
    if (field)
        QCOMPARE(field->text(), text);
    button->setEnabled(true);
}

QTEST_MAIN(tst_KeyboardEditing)
#include "tst_keyboardediting.moc"
