#include "analogconditionwidget.h"
#include "focusgrid.h"
#include "keyboardaccess.h"
#include "musicwidget.h"
#include "panelfixture.h"
#include "pianokeybord.h"
#include "picturewidget.h"

#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QSignalSpy>

#include <memory>

// The property controls worked from the keyboard, and as assistive technology sees them: the
// round buttons and toggles, the fields of the sliders, the picture grid and the piano keys.
class tst_KeyboardControls : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void roundControlsAnswerTheirKeys_data();
    void roundControlsAnswerTheirKeys();
    void roundControlsPresentRoleStateAndAction_data();
    void roundControlsPresentRoleStateAndAction();
    void fieldsStepWithUpAndDown_data();
    void fieldsStepWithUpAndDown();
    void rangeFieldsStepWithinTheRange_data();
    void rangeFieldsStepWithinTheRange();
    void pictureIsOneStopWalkedByArrows();
    void pianoKeysArePlayedByKeys();
    void comparisonsAreOneStopOnTheChosenOne();

private:
    enum Kind
    {
        Push,
        Check,
        Radio,
        Switch
    };
    // A control of the kind, with a partner in its group for the radio buttons.
    struct Controls
    {
        std::unique_ptr<QWidget> parent;
        RoundLabel *control = nullptr;
        ToggledIconLabel *partner = nullptr;
    };
    static Controls make(Kind kind);
    static QString state(const RoundLabel *control);

    QTemporaryDir m_home;
};

void tst_KeyboardControls::initTestCase()
{
    QVERIFY(PanelFixture::setUp(m_home));
    KeyboardAccess::install();
}

tst_KeyboardControls::Controls tst_KeyboardControls::make(Kind kind)
{
    Controls controls;
    controls.parent = std::make_unique<QWidget>();
    QWidget *parent = controls.parent.get();
    const QIcon none;
    switch (kind) {
    case Push:
        controls.control = new ClickableRoundLabel(none, none, none, 40, 40, "Run", parent);
        break;
    case Check:
        controls.control = new CheckableRoundLabel(none, none, none, 40, 40, QString(), parent);
        controls.control->setAccessibleName(QStringLiteral("Cell"));
        break;
    case Radio:
    case Switch: {
        auto *toggle = new ToggledIconLabel(none, none, none, 40, 40, "AND", "both", parent);
        if (kind == Radio) {
            controls.partner =
                new ToggledIconLabel(none, none, none, 40, 40, "OR", "either", parent);
            toggle->groupWith(controls.partner);
            controls.partner->setSelected();
        } else {
            toggle->setDeselectable(true);
        }
        controls.control = toggle;
        break;
    }
    }
    return controls;
}

QString tst_KeyboardControls::state(const RoundLabel *control)
{
    if (const auto *check = qobject_cast<const CheckableRoundLabel *>(control))
        return check->isChecked() ? QStringLiteral("on") : QStringLiteral("off");
    if (const auto *toggle = qobject_cast<const ToggledIconLabel *>(control))
        return toggle->isSelected() ? QStringLiteral("on") : QStringLiteral("off");
    return QStringLiteral("-");
}

void tst_KeyboardControls::roundControlsAnswerTheirKeys_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QKeySequence>("keys");
    QTest::addColumn<int>("presses");
    QTest::addColumn<QString>("after");

    const QKeySequence space(Qt::Key_Space);
    QTest::newRow("push: Space") << int(Push) << space << 1 << "-";
    QTest::newRow("push: Enter") << int(Push) << QKeySequence(Qt::Key_Return) << 1 << "-";
    QTest::newRow("push: Ctrl+Space is not a press")
        << int(Push) << QKeySequence(Qt::CTRL | Qt::Key_Space) << 0 << "-";
    QTest::newRow("check: Space flips") << int(Check) << space << 1 << "on";
    QTest::newRow("check: twice flips back")
        << int(Check) << QKeySequence("Space, Space") << 2 << "off";
    QTest::newRow("radio: Space chooses") << int(Radio) << space << 1 << "on";
    QTest::newRow("radio: again stays chosen")
        << int(Radio) << QKeySequence("Space, Space") << 2 << "on";
    QTest::newRow("switch: Space on") << int(Switch) << space << 1 << "on";
    QTest::newRow("switch: twice off")
        << int(Switch) << QKeySequence("Space, Return") << 2 << "off";
    QTest::newRow("radio: a letter does nothing")
        << int(Radio) << QKeySequence(Qt::Key_A) << 0 << "off";
}

void tst_KeyboardControls::roundControlsAnswerTheirKeys()
{
    QFETCH(int, kind);
    QFETCH(QKeySequence, keys);
    QFETCH(int, presses);
    QFETCH(QString, after);
    Controls controls = make(Kind(kind));
    RoundLabel *control = controls.control;
    // Reached by Tab only: a click on a picture must not take the focus from a field.
    QCOMPARE(control->focusPolicy(), Qt::TabFocus);
    QSignalSpy clicked(control, SIGNAL(clicked()));

    QTest::keySequence(control, keys);
    QCOMPARE(clicked.count(), presses);
    QCOMPARE(state(control), after);
    if (controls.partner)
        QCOMPARE(controls.partner->isSelected(), after != QLatin1String("on"));
}

void tst_KeyboardControls::roundControlsPresentRoleStateAndAction_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("role");
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("checkable");

    QTest::newRow("push button") << int(Push) << int(QAccessible::Button) << "Run" << false;
    QTest::newRow("picture cell") << int(Check) << int(QAccessible::CheckBox) << "Cell" << true;
    QTest::newRow("one of a group") << int(Radio) << int(QAccessible::RadioButton) << "AND" << true;
    QTest::newRow("a switch of its own")
        << int(Switch) << int(QAccessible::CheckBox) << "AND" << true;
}

void tst_KeyboardControls::roundControlsPresentRoleStateAndAction()
{
    QFETCH(int, kind);
    QFETCH(int, role);
    QFETCH(QString, name);
    QFETCH(bool, checkable);
    Controls controls = make(Kind(kind));
    QAccessibleInterface *node = QAccessible::queryAccessibleInterface(controls.control);
    QVERIFY(node);
    QCOMPARE(int(node->role()), role);
    QCOMPARE(node->text(QAccessible::Name), name);
    QCOMPARE(bool(node->state().checkable), checkable);
    QVERIFY(node->state().focusable);

    // The reader's action does what the keys do.
    QAccessibleActionInterface *actions = node->actionInterface();
    QVERIFY(actions);
    QVERIFY(!actions->actionNames().isEmpty());
    QSignalSpy clicked(controls.control, SIGNAL(clicked()));
    actions->doAction(actions->actionNames().first());
    QCOMPARE(clicked.count(), 1);
    if (checkable)
        QVERIFY(node->state().checked);
    controls.control->setEnabled(false);
    actions->doAction(actions->actionNames().first());
    QCOMPARE(clicked.count(), 1);
}

void tst_KeyboardControls::fieldsStepWithUpAndDown_data()
{
    QTest::addColumn<int>("minimum");
    QTest::addColumn<int>("maximum");
    QTest::addColumn<bool>("decimal");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("key");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<int>("edits");

    QTest::newRow("up") << 0 << 24 << false << "5" << int(Qt::Key_Up) << "6" << 1;
    QTest::newRow("down") << 0 << 24 << false << "5" << int(Qt::Key_Down) << "4" << 1;
    QTest::newRow("up at the maximum") << 0 << 24 << false << "24" << int(Qt::Key_Up) << "24" << 0;
    QTest::newRow("down at the minimum")
        << 0 << 24 << false << "0" << int(Qt::Key_Down) << "0" << 0;
    QTest::newRow("tenths") << 0 << 60 << true << "1.5" << int(Qt::Key_Up) << "1.6" << 1;
    QTest::newRow("tenths from a comma")
        << 0 << 60 << true << "1,5" << int(Qt::Key_Down) << "1.4" << 1;
}

void tst_KeyboardControls::fieldsStepWithUpAndDown()
{
    QFETCH(int, minimum);
    QFETCH(int, maximum);
    QFETCH(bool, decimal);
    QFETCH(QString, text);
    QFETCH(int, key);
    QFETCH(QString, expected);
    QFETCH(int, edits);
    SliderWithButtons slider(minimum, maximum, 1, minimum);
    slider.setDecimal(decimal);
    slider.lineEdit()->setText(text);
    QSignalSpy changed(&slider, &SliderWithButtons::changedData);
    // The step buttons are for the mouse; the field and the slider take the keyboard.
    QCOMPARE(slider.decreaseButton()->focusPolicy(), Qt::NoFocus);
    QCOMPARE(slider.increaseButton()->focusPolicy(), Qt::NoFocus);

    QTest::keyClick(slider.lineEdit(), Qt::Key(key));
    QCOMPARE(slider.valueText(), expected);
    QCOMPARE(changed.count(), edits);
}

void tst_KeyboardControls::rangeFieldsStepWithinTheRange_data()
{
    QTest::addColumn<int>("lower");
    QTest::addColumn<int>("upper");
    QTest::addColumn<bool>("inUpper");
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("expectedLower");
    QTest::addColumn<int>("expectedUpper");

    QTest::newRow("lower up") << 20 << 30 << false << int(Qt::Key_Up) << 21 << 30;
    QTest::newRow("lower up stops below upper") << 29 << 30 << false << int(Qt::Key_Up) << 29 << 30;
    QTest::newRow("lower down at the minimum") << 0 << 30 << false << int(Qt::Key_Down) << 0 << 30;
    QTest::newRow("upper down stops above lower")
        << 20 << 21 << true << int(Qt::Key_Down) << 20 << 21;
    QTest::newRow("upper up") << 20 << 30 << true << int(Qt::Key_Up) << 20 << 31;
    QTest::newRow("upper up at the maximum") << 20 << 100 << true << int(Qt::Key_Up) << 20 << 100;
}

void tst_KeyboardControls::rangeFieldsStepWithinTheRange()
{
    QFETCH(int, lower);
    QFETCH(int, upper);
    QFETCH(bool, inUpper);
    QFETCH(int, key);
    QFETCH(int, expectedLower);
    QFETCH(int, expectedUpper);
    RangeSliderWithButtons range(0, 100, 1, lower, upper);
    QTest::keyClick(inUpper ? range.upperLineEdit() : range.lowerLineEdit(), Qt::Key(key));
    QCOMPARE(range.lowerText().toInt(), expectedLower);
    QCOMPARE(range.upperText().toInt(), expectedUpper);
}

void tst_KeyboardControls::pictureIsOneStopWalkedByArrows()
{
    QWidget window;
    auto *picture = new PictureWidget(&window);
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    int stops = 0;
    for (int i = 0; i < PictureWidget::CellCount; ++i)
        stops += (picture->cell(i)->focusPolicy() & Qt::TabFocus) ? 1 : 0;
    QCOMPARE(stops, 1);
    QCOMPARE(picture->cell(9)->accessibleName(), QStringLiteral("Row 2, column 2"));

    QSignalSpy edits(picture, &RightMenuInputsWidget::stateChanged);
    picture->cell(0)->setFocus(Qt::TabFocusReason);
    for (int key : {Qt::Key_Right, Qt::Key_Right, Qt::Key_Down, Qt::Key_Up, Qt::Key_Down})
        QTest::keyClick(QApplication::focusWidget(), Qt::Key(key));
    QCOMPARE(QApplication::focusWidget(), picture->cell(10));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
    QVERIFY(picture->cell(10)->isChecked());
    QCOMPARE(edits.count(), 1);
    QCOMPARE(picture->toJson()["pict"][10].toString(), QStringLiteral("1"));
    // Tab now comes back to the cell last used; the grid's edges stop the arrows.
    QCOMPARE(picture->cell(10)->focusPolicy(), Qt::TabFocus);
    QCOMPARE(picture->cell(0)->focusPolicy(), Qt::NoFocus);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_End);
    QCOMPARE(QApplication::focusWidget(), picture->cell(63));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Right);
    QCOMPARE(QApplication::focusWidget(), picture->cell(63));
}

void tst_KeyboardControls::pianoKeysArePlayedByKeys()
{
    QWidget window;
    auto *music = new MusicWidget(&window);
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    PianoKeybord *keyboard = music->keyboard();
    QCOMPARE(keyboard->key("C#")->accessibleName(), QStringLiteral("C sharp"));
    QCOMPARE(keyboard->key("E")->accessibleName(), QStringLiteral("E"));

    keyboard->key("C")->setFocus(Qt::TabFocusReason);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Right);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Right);
    QCOMPARE(QApplication::focusWidget(), keyboard->key("D"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
    QCOMPARE(keyboard->currentKey(), QStringLiteral("D"));
    QCOMPARE(music->noteList()->count(), 1);
    // A held Space is one note, not many.
    QTest::keyPress(QApplication::focusWidget(), Qt::Key_Space);
    QTest::keyRelease(QApplication::focusWidget(), Qt::Key_Space);
    QCOMPARE(music->noteList()->count(), 2);

    // Delete in the note list takes the chosen note out, as the delete button does.
    music->noteList()->setFocus(Qt::TabFocusReason);
    music->noteList()->setCurrentRow(0);
    QTest::keyClick(music->noteList(), Qt::Key_Delete);
    QCOMPARE(music->noteList()->count(), 1);
}

void tst_KeyboardControls::comparisonsAreOneStopOnTheChosenOne()
{
    AnalogConditionWidget analog(0);
    const QList<ToggledIconLabel *> toggles = analog.findChildren<ToggledIconLabel *>();
    QCOMPARE(toggles.size(), 6);
    const auto stops = [&toggles] {
        QList<int> result;
        for (int i = 0; i < toggles.size(); ++i) {
            if (toggles.at(i)->focusPolicy() & Qt::TabFocus)
                result.append(i);
        }
        return result;
    };
    QCOMPARE(stops(), QList<int>{0});
    QCOMPARE(toggles.at(4)->accessibleName(), QStringLiteral("Between"));
    QTest::keyClick(toggles.at(4), Qt::Key_Space); // inside
    QVERIFY(toggles.at(4)->isSelected());
    QCOMPARE(stops(), QList<int>{4});
    QCOMPARE(analog.toJson()["equation"].toString(), QStringLiteral("inside"));
}

QTEST_MAIN(tst_KeyboardControls)
#include "tst_keyboardcontrols.moc"
