#include "checkableroundlabel.h"
#include "clickableroundlabel.h"
#include "qiconframe.h"
#include "rangeslider.h"
#include "rangesliderwithbuttons.h"
#include "rightmenucombobox.h"
#include "sliderwithbuttons.h"
#include "sliderwithicons.h"
#include "togglediconlabel.h"

#include <QAbstractItemView>
#include <QIconEngine>
#include <QLineEdit>
#include <QPainter>
#include <QSignalSpy>
#include <QSlider>
#include <QTemporaryDir>
#include <QWheelEvent>
#include <QtTest>

#include <limits>

namespace {

// A user edit: the field shows the text and reports it as typed.
void typeInto(QLineEdit *edit, const QString &text)
{
    edit->setText(text);
    emit edit->textEdited(text);
}

// A scalable picture that notes every size it is asked to draw.
class RecordingIconEngine : public QIconEngine
{
public:
    RecordingIconEngine(QSize natural, QList<QSize> *drawn)
        : m_natural(natural)
        , m_drawn(drawn)
    {}
    QSize actualSize(const QSize &size, QIcon::Mode, QIcon::State) override
    {
        return m_natural.scaled(size, Qt::KeepAspectRatio);
    }
    QPixmap pixmap(const QSize &size, QIcon::Mode mode, QIcon::State state) override
    {
        const QSize fitted = actualSize(size, mode, state);
        m_drawn->append(fitted);
        QPixmap pixmap(fitted);
        pixmap.fill(Qt::green);
        return pixmap;
    }
    void paint(QPainter *painter, const QRect &rect, QIcon::Mode mode, QIcon::State state) override
    {
        painter->drawPixmap(rect, pixmap(rect.size(), mode, state));
    }
    QList<QSize> availableSizes(QIcon::Mode, QIcon::State) override { return {m_natural}; }
    QIconEngine *clone() const override { return new RecordingIconEngine(m_natural, m_drawn); }

private:
    QSize m_natural;
    QList<QSize> *m_drawn;
};

QIcon solidIcon(const QSize &size, const QColor &color)
{
    QPixmap pixmap(size);
    pixmap.fill(color);
    return QIcon(pixmap);
}

// Returns whether the target kept the wheel event; an ignored one travels on to the parents.
bool wheelKept(QWidget *target)
{
    const QPointF local(target->width() / 2.0, target->height() / 2.0);
    QWheelEvent wheel(local, target->mapToGlobal(local), QPoint(), QPoint(0, -120), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(target, &wheel);
    return wheel.isAccepted();
}

} // namespace

class TestSharedControls : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    void sliderTextEntry_data();
    void sliderTextEntry();
    void sliderUserActionsAreEdits_data();
    void sliderUserActionsAreEdits();
    void sliderLoadsClamped_data();
    void sliderLoadsClamped();
    void sliderTypingKeyByKey();
    void sliderStepButtons_data();
    void sliderStepButtons();
    void sliderFollowsTypedValue();
    void sliderDecimalModeScalesRange();
    void sliderWheelGoesToParent();
    void sliderWidthFollowsParent();

    void rangeButtonsStopAtOtherValue();
    void rangeTypedValues();
    void rangeCheckAndRepairSwaps();
    void rangePageStep_data();
    void rangePageStep();
    void rangeMousePress_data();
    void rangeMousePress();
    void rangeDragStopsAtOtherHandle();
    void rangeBoundsSwapAndClamp();

    void roundLabelImageSize();
    void clickableLabel();
    void checkableLabel();
    void toggledLabelsAsRadioButtons();
    void toggledLabelDeselectable();
    void toggledGroupsMerge();

    void scrollBarSizeAndTrackPresses();
    void comboBoxUsesDrawnScrollBar();
    void iconFramePlacesPinWidgets();
    void iconFrameDrawsOnlyWhatItShows();

private:
    QTemporaryDir m_home;
};

void TestSharedControls::initTestCase()
{
    QVERIFY(m_home.isValid());
    qputenv("HOME", m_home.path().toUtf8());
}

void TestSharedControls::sliderTextEntry_data()
{
    QTest::addColumn<int>("minimum");
    QTest::addColumn<int>("maximum");
    QTest::addColumn<bool>("decimal");
    QTest::addColumn<int>("initial");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<int>("reports");

    // Values of decimal rows are in tenths; the initial value 50 shows as 5.0.
    QTest::newRow("letter restores, signals") << 0 << 24 << false << 5 << "3a"
                                              << "5" << 1;
    QTest::newRow("above maximum shows maximum") << 0 << 24 << false << 5 << "30"
                                                 << "24" << 1;
    QTest::newRow("below minimum shows minimum") << 10 << 50 << false << 20 << "5"
                                                 << "10" << 1;
    QTest::newRow("in range stays") << 0 << 24 << false << 5 << "17"
                                    << "17" << 1;
    QTest::newRow("empty accepted quietly") << 0 << 24 << false << 5 << ""
                                            << "" << 0;
    QTest::newRow("minus sign is not a digit") << 0 << 24 << false << 5 << "-3"
                                               << "5" << 1;
    QTest::newRow("separator without decimal mode") << 0 << 24 << false << 5 << "1.5"
                                                    << "5" << 0;
    QTest::newRow("endless digits stop at maximum")
        << 0 << 24 << false << 5 << "99999999999999999999"
        << "24" << 1;
    QTest::newRow("decimal stays") << 0 << 60 << true << 50 << "12.5"
                                   << "12.5" << 1;
    QTest::newRow("second decimal digit is cut") << 0 << 60 << true << 50 << "12.55"
                                                 << "12.5" << 1;
    QTest::newRow("trailing separator waits") << 0 << 60 << true << 50 << "12."
                                              << "12." << 0;
    QTest::newRow("whole units above maximum") << 0 << 60 << true << 50 << "70"
                                               << "60.0" << 1;
    QTest::newRow("comma stays as typed") << 0 << 60 << true << 50 << "1,5"
                                          << "1,5" << 1;
    QTest::newRow("second separator restores") << 0 << 60 << true << 50 << "1.2."
                                               << "5.0" << 0;
}

void TestSharedControls::sliderTextEntry()
{
    QFETCH(int, minimum);
    QFETCH(int, maximum);
    QFETCH(bool, decimal);
    QFETCH(int, initial);
    QFETCH(QString, typed);
    QFETCH(QString, shown);
    QFETCH(int, reports);

    SliderWithButtons slider(minimum, maximum, 1, decimal ? initial / 10 : initial);
    slider.setDecimal(decimal);
    QCOMPARE(slider.slider()->value(), initial);
    QSignalSpy changed(&slider, &SliderWithButtons::changedData);

    typeInto(slider.lineEdit(), typed);
    QCOMPARE(slider.lineEdit()->text(), shown);
    QCOMPARE(changed.count(), reports);
    // What the editors write: a typed decimal comma is given as a point.
    QCOMPARE(slider.valueText(), QString(shown).replace(QLatin1Char(','), QLatin1Char('.')));
}

void TestSharedControls::sliderUserActionsAreEdits_data()
{
    QTest::addColumn<QString>("action");
    QTest::addColumn<int>("value");
    QTest::addColumn<int>("reports");

    QTest::newRow("click right of the handle") << "click right" << 60 << 1;
    QTest::newRow("click left of the handle") << "click left" << 40 << 1;
    QTest::newRow("arrow right") << "key right" << 51 << 1;
    QTest::newRow("arrow left") << "key left" << 49 << 1;
    QTest::newRow("page up") << "key page up" << 60 << 1;
    QTest::newRow("loaded by the editor") << "set" << 70 << 0;
}

void TestSharedControls::sliderUserActionsAreEdits()
{
    QFETCH(QString, action);
    QFETCH(int, value);
    QFETCH(int, reports);

    SliderWithButtons slider(0, 100, 1, 50);
    slider.resize(300, 80);
    slider.show();
    QVERIFY(QTest::qWaitForWindowExposed(&slider));
    QSlider *groove = slider.slider();
    groove->setPageStep(10);
    QSignalSpy changed(&slider, &SliderWithButtons::changedData);

    const int middle = groove->height() / 2;
    if (action == "click right")
        QTest::mouseClick(groove, Qt::LeftButton, {}, QPoint(groove->width() - 2, middle));
    else if (action == "click left")
        QTest::mouseClick(groove, Qt::LeftButton, {}, QPoint(2, middle));
    else if (action == "key right")
        QTest::keyClick(groove, Qt::Key_Right);
    else if (action == "key left")
        QTest::keyClick(groove, Qt::Key_Left);
    else if (action == "key page up")
        QTest::keyClick(groove, Qt::Key_PageUp);
    else
        slider.setLineInput(value);

    QCOMPARE(groove->value(), value);
    QCOMPARE(slider.valueText(), QString::number(value));
    QCOMPARE(changed.count(), reports);
    // A change the slider cannot make (already at the end) reports nothing afterwards.
    slider.setLineInput(100);
    QCOMPARE(changed.count(), reports);
}

void TestSharedControls::sliderLoadsClamped_data()
{
    QTest::addColumn<bool>("decimal");
    QTest::addColumn<double>("units");
    QTest::addColumn<QString>("shown");

    QTest::newRow("in range") << true << 1.25 << "1.3";
    QTest::newRow("huge") << true << 1e300 << "60.0";
    QTest::newRow("infinite") << true << qInf() << "60.0";
    QTest::newRow("minus infinite") << true << -qInf() << "0.0";
    QTest::newRow("not a number") << true << qQNaN() << "0.0";
    QTest::newRow("negative") << true << -3.0 << "0.0";
    QTest::newRow("whole units truncate") << false << 7.9 << "7";
    QTest::newRow("whole units huge") << false << 3e9 << "60";
}

void TestSharedControls::sliderLoadsClamped()
{
    QFETCH(bool, decimal);
    QFETCH(double, units);
    QFETCH(QString, shown);

    SliderWithButtons slider(0, 60, 1, 5);
    slider.setDecimal(decimal);
    slider.setUnits(units);
    QCOMPARE(slider.valueText(), shown);
    QVERIFY(slider.slider()->value() >= slider.minimum());
    QVERIFY(slider.slider()->value() <= slider.maximum());

    // An integer out of range from a document is clamped the same way.
    slider.setLineInput(std::numeric_limits<int>::max());
    QCOMPARE(slider.slider()->value(), slider.maximum());
}

void TestSharedControls::sliderTypingKeyByKey()
{
    SliderWithButtons slider(0, 60, 1, 0);
    slider.setDecimal(true);
    slider.lineEdit()->clear();
    QSignalSpy changed(&slider, &SliderWithButtons::changedData);

    QTest::keyClicks(slider.lineEdit(), QStringLiteral("12.55"));
    QCOMPARE(slider.valueText(), QStringLiteral("12.5"));
    QCOMPARE(slider.value(), 125);
    // "1", "12", "12.5" and the cut "12.55" report; "12." waits.
    QCOMPARE(changed.count(), 4);

    // After a letter the last accepted text comes back, not the initial one.
    QTest::keyClicks(slider.lineEdit(), QStringLiteral("x"));
    QCOMPARE(slider.valueText(), QStringLiteral("12.5"));
}

void TestSharedControls::sliderStepButtons_data()
{
    QTest::addColumn<bool>("decimal");
    QTest::addColumn<QString>("start");
    QTest::addColumn<bool>("increase");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<int>("reports");

    QTest::newRow("decrease") << false << "5" << false << "4" << 1;
    QTest::newRow("increase") << false << "5" << true << "6" << 1;
    QTest::newRow("decrease at minimum") << false << "0" << false << "0" << 0;
    QTest::newRow("increase at maximum") << false << "24" << true << "24" << 0;
    QTest::newRow("decimal steps by a tenth") << true << "12.5" << true << "12.6" << 1;
    QTest::newRow("decimal comma") << true << "1,9" << false << "1.8" << 1;
    QTest::newRow("decimal at maximum") << true << "24.0" << true << "24.0" << 0;
}

void TestSharedControls::sliderStepButtons()
{
    QFETCH(bool, decimal);
    QFETCH(QString, start);
    QFETCH(bool, increase);
    QFETCH(QString, shown);
    QFETCH(int, reports);

    SliderWithButtons slider(0, 24, 1, 0);
    slider.setDecimal(decimal);
    slider.show();
    QVERIFY(QTest::qWaitForWindowExposed(&slider));
    typeInto(slider.lineEdit(), start);
    QSignalSpy changed(&slider, &SliderWithButtons::changedData);

    QTest::mouseClick(increase ? slider.increaseButton() : slider.decreaseButton(), Qt::LeftButton);
    QCOMPARE(slider.valueText(), shown);
    QCOMPARE(changed.count(), reports);
}

void TestSharedControls::sliderFollowsTypedValue()
{
    SliderWithButtons slider(0, 100, 1, 10);
    typeInto(slider.lineEdit(), QStringLiteral("42"));
    QCOMPARE(slider.slider()->value(), 42);

    QSignalSpy changed(&slider, &SliderWithButtons::changedData);
    slider.slider()->setValue(7);
    QCOMPARE(slider.valueText(), QStringLiteral("7"));
    QCOMPARE(changed.count(), 0); // a drag reports once, when the slider is released
    emit slider.slider()->sliderReleased();
    QCOMPARE(changed.count(), 1);

    // A letter now brings back the slider's value, the last valid text.
    typeInto(slider.lineEdit(), QStringLiteral("7q"));
    QCOMPARE(slider.valueText(), QStringLiteral("7"));
}

void TestSharedControls::sliderDecimalModeScalesRange()
{
    SliderWithButtons slider(0, 60, 1, 3);
    slider.setDecimal(true);
    QCOMPARE(slider.slider()->minimum(), 0);
    QCOMPARE(slider.slider()->maximum(), 600);
    QCOMPARE(slider.valueText(), QStringLiteral("3.0"));
    slider.setDecimal(true); // switching on twice scales once
    QCOMPARE(slider.slider()->maximum(), 600);
    slider.setLineInput(125);
    QCOMPARE(slider.valueText(), QStringLiteral("12.5"));
    QCOMPARE(slider.slider()->value(), 125);
}

void TestSharedControls::sliderWheelGoesToParent()
{
    QWidget parent;
    auto *slider = new SliderWithButtons(0, 100, 1, 50, &parent);
    auto *range = new RangeSliderWithButtons(0, 100, 1, 20, 30, &parent);
    parent.show();
    QVERIFY(QTest::qWaitForWindowExposed(&parent));

    QVERIFY(!wheelKept(slider->slider()));
    QCOMPARE(slider->slider()->value(), 50);
    QVERIFY(!wheelKept(range->rangeSlider()));
    QCOMPARE(range->rangeSlider()->lowerValue(), 20);

    // The drawn scroll bar keeps the wheel: it is what scrolls the lists.
    SliderWithIcons bar(0, 100, 1);
    bar.setRange(0, 100);
    bar.resize(30, 200);
    bar.show();
    QVERIFY(QTest::qWaitForWindowExposed(&bar));
    QVERIFY(wheelKept(&bar));
    QVERIFY(bar.value() > 0);
}

void TestSharedControls::sliderWidthFollowsParent()
{
    QWidget parent;
    parent.setMaximumWidth(399);
    SliderWithButtons slider(0, 10, 1, 0, &parent);
    QCOMPARE(slider.maximumWidth(), 399 / 100 * 60);
    QCOMPARE(slider.minimumHeight(), 40);
    QCOMPARE(slider.slider()->maximumHeight(), 30);
    QVERIFY(slider.testAttribute(Qt::WA_TranslucentBackground));
}

void TestSharedControls::rangeButtonsStopAtOtherValue()
{
    RangeSliderWithButtons range(0, 100, 1, 20, 30);
    QSignalSpy changed(&range, &RangeSliderWithButtons::changedData);
    for (int i = 0; i < 20; ++i)
        range.leftUpperButtonCLicked();
    QCOMPARE(range.upperText(), QStringLiteral("21"));
    QCOMPARE(changed.count(), 9);

    RangeSliderWithButtons second(0, 100, 1, 20, 30);
    for (int i = 0; i < 20; ++i)
        second.rightLowerButtonCLicked();
    QCOMPARE(second.lowerText(), QStringLiteral("29"));
    QCOMPARE(second.rangeSlider()->lowerValue(), 29);

    RangeSliderWithButtons edges(0, 100, 1, 0, 100);
    QSignalSpy edgeChanged(&edges, &RangeSliderWithButtons::changedData);
    edges.leftLowerButtonCLicked();
    edges.rightUpperButtonCLicked();
    QCOMPARE(edges.lowerText(), QStringLiteral("0"));
    QCOMPARE(edges.upperText(), QStringLiteral("100"));
    QCOMPARE(edgeChanged.count(), 0);
}

void TestSharedControls::rangeTypedValues()
{
    RangeSliderWithButtons range(0, 100, 1, 20, 30);
    QSignalSpy changed(&range, &RangeSliderWithButtons::changedData);

    typeInto(range.upperLineEdit(), QStringLiteral("150"));
    QCOMPARE(range.upperText(), QStringLiteral("100"));
    QCOMPARE(range.rangeSlider()->upperValue(), 100);
    QCOMPARE(changed.count(), 1);

    // A lower value above the upper one waits for the field to be left.
    RangeSliderWithButtons waiting(0, 100, 1, 20, 30);
    QSignalSpy waitingChanged(&waiting, &RangeSliderWithButtons::changedData);
    typeInto(waiting.lowerLineEdit(), QStringLiteral("80"));
    QCOMPARE(waiting.rangeSlider()->lowerValue(), 20);
    QCOMPARE(waitingChanged.count(), 0);

    // Typing is not overwritten by the slider's echo, even when the slider clamps.
    typeInto(waiting.lowerLineEdit(), QStringLiteral("abc"));
    QCOMPARE(waiting.lowerText(), QStringLiteral("abc"));
    QCOMPARE(waiting.rangeSlider()->lowerValue(), 0);
    QCOMPARE(waitingChanged.count(), 1);
}

void TestSharedControls::rangeCheckAndRepairSwaps()
{
    RangeSliderWithButtons range(0, 100, 1, 20, 30);
    typeInto(range.lowerLineEdit(), QStringLiteral("80"));
    QSignalSpy changed(&range, &RangeSliderWithButtons::changedData);
    emit range.lowerLineEdit()->editingFinished();
    QCOMPARE(changed.count(), 1);
    QCOMPARE(range.lowerText(), QStringLiteral("30"));
    QCOMPARE(range.upperText(), QStringLiteral("80"));
    QCOMPARE(range.rangeSlider()->lowerValue(), 30);
    QCOMPARE(range.rangeSlider()->upperValue(), 80);

    typeInto(range.upperLineEdit(), QStringLiteral("-5"));
    emit range.upperLineEdit()->editingFinished();
    QCOMPARE(range.lowerText(), QStringLiteral("0"));
    QCOMPARE(range.upperText(), QStringLiteral("30"));
}

void TestSharedControls::rangePageStep_data()
{
    QTest::addColumn<int>("minimum");
    QTest::addColumn<int>("maximum");
    QTest::addColumn<int>("step");
    QTest::newRow("interval 5") << 0 << 5 << 1;
    QTest::newRow("interval 9") << 10 << 19 << 1;
    QTest::newRow("interval 10") << 0 << 10 << 1;
    QTest::newRow("interval 100") << 0 << 100 << 10;
    QTest::newRow("interval 255") << 0 << 255 << 25;
}

void TestSharedControls::rangePageStep()
{
    QFETCH(int, minimum);
    QFETCH(int, maximum);
    QFETCH(int, step);
    RangeSlider slider(minimum, maximum, 1);
    QCOMPARE(slider.pageStep(), step);
}

void TestSharedControls::rangeMousePress_data()
{
    QTest::addColumn<int>("x");
    QTest::addColumn<int>("y");
    QTest::addColumn<int>("lower");
    QTest::addColumn<int>("upper");

    // Width 224: 200 pixels of travel; lower 40 sits at x 81..91, upper 60 at x 132..142.
    QTest::newRow("left of lower handle") << 20 << 15 << 30 << 60;
    QTest::newRow("right of upper handle") << 200 << 15 << 40 << 70;
    QTest::newRow("between, nearer lower") << 100 << 15 << 50 << 60;
    QTest::newRow("between, nearer upper") << 125 << 15 << 40 << 50;
    QTest::newRow("on the lower handle") << 85 << 15 << 40 << 60;
    QTest::newRow("at the top edge") << 20 << 1 << 40 << 60;
}

void TestSharedControls::rangeMousePress()
{
    QFETCH(int, x);
    QFETCH(int, y);
    QFETCH(int, lower);
    QFETCH(int, upper);

    RangeSlider slider(0, 100, 1);
    slider.resize(224, 30);
    slider.setLowerValue(40);
    slider.setUpperValue(60);
    slider.show();
    QVERIFY(QTest::qWaitForWindowExposed(&slider));
    QSignalSpy released(&slider, &RangeSlider::sliderReleased);

    QTest::mouseClick(&slider, Qt::LeftButton, Qt::NoModifier, QPoint(x, y));
    QCOMPARE(slider.lowerValue(), lower);
    QCOMPARE(slider.upperValue(), upper);
    QCOMPARE(released.count(), 1);
    QVERIFY(!slider.isLowerPressed());
}

void TestSharedControls::rangeDragStopsAtOtherHandle()
{
    RangeSlider slider(0, 100, 1);
    slider.resize(224, 30);
    slider.setLowerValue(40);
    slider.setUpperValue(60);
    slider.show();
    QVERIFY(QTest::qWaitForWindowExposed(&slider));

    const QPoint grab = slider.lowerHandleRect().center();
    QTest::mousePress(&slider, Qt::LeftButton, Qt::NoModifier, grab);
    QVERIFY(slider.isLowerPressed());
    // Twenty pixels are ten steps of 100 over 200 pixels.
    QMouseEvent move(QEvent::MouseMove, grab + QPoint(20, 0),
                     slider.mapToGlobal(grab + QPoint(20, 0)), Qt::NoButton, Qt::LeftButton,
                     Qt::NoModifier);
    QApplication::sendEvent(&slider, &move);
    QCOMPARE(slider.lowerValue(), 50);

    QMouseEvent far(QEvent::MouseMove, grab + QPoint(150, 0),
                    slider.mapToGlobal(grab + QPoint(150, 0)), Qt::NoButton, Qt::LeftButton,
                    Qt::NoModifier);
    QApplication::sendEvent(&slider, &far);
    QCOMPARE(slider.lowerValue(), 60);

    QSignalSpy lowerChanged(&slider, &RangeSlider::lowerValueChanged);
    QTest::mouseRelease(&slider, Qt::LeftButton, Qt::NoModifier, grab + QPoint(150, 0));
    QCOMPARE(lowerChanged.count(), 1);
    QVERIFY(!slider.isLowerPressed());
}

void TestSharedControls::rangeBoundsSwapAndClamp()
{
    RangeSlider slider(0, 100, 1);
    slider.setLowerValue(-5);
    QCOMPARE(slider.lowerValue(), 0);
    slider.setUpperValue(500);
    QCOMPARE(slider.upperValue(), 100);
    // Clamped into the range only, not against the other handle.
    slider.setLowerValue(100);
    QCOMPARE(slider.lowerValue(), 100);

    QSignalSpy range(&slider, &RangeSlider::rangeChanged);
    slider.setMinimum(300);
    QCOMPARE(range.count(), 1);
    QCOMPARE(slider.minimum(), 100);
    QCOMPARE(slider.maximum(), 300);
    QCOMPARE(slider.pageStep(), 20);
}

void TestSharedControls::roundLabelImageSize()
{
    ClickableRoundLabel fromSmall(solidIcon(QSize(4, 4), Qt::red), QIcon(),
                                  solidIcon(QSize(4, 4), Qt::blue), 40, 30, QStringLiteral("Go"));
    QCOMPARE(fromSmall.size(), QSize(40, 30));
    QCOMPARE(fromSmall.pixmap().size(), QSize(40, 30));
    QCOMPARE(fromSmall.caption(), QStringLiteral("Go"));

    CheckableRoundLabel fromNothing(QIcon(), QIcon(), QIcon(), 20, 20, QString());
    QCOMPARE(fromNothing.pixmap().size(), QSize(20, 20));

    fromSmall.setEnabled(false);
    QCOMPARE(fromSmall.shownImage(), RoundLabel::Image::Disabled);
    fromSmall.setEnabled(true);
    QCOMPARE(fromSmall.shownImage(), RoundLabel::Image::Off);
}

void TestSharedControls::clickableLabel()
{
    ClickableRoundLabel label(solidIcon(QSize(8, 8), Qt::red), QIcon(),
                              solidIcon(QSize(8, 8), Qt::blue), 30, 30, QString());
    label.show();
    QVERIFY(QTest::qWaitForWindowExposed(&label));
    QSignalSpy clicked(&label, &ClickableRoundLabel::clicked);

    QTest::mousePress(&label, Qt::LeftButton);
    QCOMPARE(label.shownImage(), RoundLabel::Image::On);
    QCOMPARE(clicked.count(), 0);
    QTest::mouseRelease(&label, Qt::LeftButton);
    QCOMPARE(label.shownImage(), RoundLabel::Image::Off);
    QCOMPARE(clicked.count(), 1);

    QTest::mouseClick(&label, Qt::RightButton);
    QCOMPARE(clicked.count(), 1);
}

void TestSharedControls::checkableLabel()
{
    CheckableRoundLabel label(QIcon(), QIcon(), QIcon(), 30, 30, QString());
    label.show();
    QVERIFY(QTest::qWaitForWindowExposed(&label));
    QSignalSpy clicked(&label, &CheckableRoundLabel::clicked);
    QVERIFY(!label.isChecked());

    QTest::mousePress(&label, Qt::LeftButton);
    QVERIFY(label.isChecked());
    QCOMPARE(label.shownImage(), RoundLabel::Image::On);
    QCOMPARE(clicked.count(), 0);
    QTest::mouseRelease(&label, Qt::LeftButton);
    QCOMPARE(clicked.count(), 1);

    QTest::mouseClick(&label, Qt::LeftButton);
    QVERIFY(!label.isChecked());
    QCOMPARE(label.shownImage(), RoundLabel::Image::Off);

    label.setChecked(true);
    QVERIFY(label.isChecked());
    QCOMPARE(label.shownImage(), RoundLabel::Image::On);
    QCOMPARE(clicked.count(), 2);
}

void TestSharedControls::toggledLabelsAsRadioButtons()
{
    QWidget parent;
    auto *first = new ToggledIconLabel(QIcon(), QIcon(), QIcon(), 30, 30, QString(),
                                       QStringLiteral("first"), &parent);
    auto *second = new ToggledIconLabel(QIcon(), QIcon(), QIcon(), 30, 30, QString(),
                                        QStringLiteral("second"), &parent);
    second->move(40, 0);
    first->groupWith(second);
    parent.show();
    QVERIFY(QTest::qWaitForWindowExposed(&parent));
    QCOMPARE(first->toolTip(), QStringLiteral("first"));

    QSignalSpy firstSelected(first, &ToggledIconLabel::selected);
    QSignalSpy firstClicked(first, &ToggledIconLabel::clicked);
    QTest::mouseClick(first, Qt::LeftButton);
    QVERIFY(first->isSelected());
    QVERIFY(!second->isSelected());
    QTest::mouseClick(second, Qt::LeftButton);
    QVERIFY(!first->isSelected());
    QVERIFY(second->isSelected());
    QCOMPARE(first->shownImage(), RoundLabel::Image::Off);
    QCOMPARE(second->shownImage(), RoundLabel::Image::On);

    // Selecting the selected one again keeps it selected and reports again.
    QTest::mouseClick(first, Qt::LeftButton);
    QTest::mouseClick(first, Qt::LeftButton);
    QVERIFY(first->isSelected());
    QCOMPARE(firstSelected.count(), 3);
    QCOMPARE(firstClicked.count(), 3);

    QSignalSpy quiet(first, &ToggledIconLabel::selected);
    first->setUnselected();
    QVERIFY(!first->isSelected());
    QCOMPARE(quiet.count(), 0);
}

void TestSharedControls::toggledLabelDeselectable()
{
    ToggledIconLabel label(QIcon(), QIcon(), QIcon(), 30, 30, QString(), QString());
    label.setDeselectable(true);
    label.show();
    QVERIFY(QTest::qWaitForWindowExposed(&label));
    QSignalSpy selected(&label, &ToggledIconLabel::selected);
    QTest::mouseClick(&label, Qt::LeftButton);
    QVERIFY(label.isSelected());
    QTest::mouseClick(&label, Qt::LeftButton);
    QVERIFY(!label.isSelected());
    QCOMPARE(label.shownImage(), RoundLabel::Image::Off);
    QCOMPARE(selected.count(), 2);
}

void TestSharedControls::toggledGroupsMerge()
{
    auto a =
        std::make_unique<ToggledIconLabel>(QIcon(), QIcon(), QIcon(), 9, 9, QString(), QString());
    ToggledIconLabel b(QIcon(), QIcon(), QIcon(), 9, 9, QString(), QString());
    ToggledIconLabel c(QIcon(), QIcon(), QIcon(), 9, 9, QString(), QString());
    ToggledIconLabel d(QIcon(), QIcon(), QIcon(), 9, 9, QString(), QString());
    a->groupWith(&b);
    c.groupWith(&d);
    b.groupWith(&c);
    QCOMPARE(d.group().size(), 4);
    QCOMPARE(a->group(), d.group());

    a->setSelected();
    d.setSelected();
    QVERIFY(!a->isSelected());
    QVERIFY(d.isSelected());

    // A label that goes away leaves the group.
    a.reset();
    QCOMPARE(b.group().size(), 3);
    c.setSelected();
    QVERIFY(!d.isSelected());
}

void TestSharedControls::scrollBarSizeAndTrackPresses()
{
    SliderWithIcons bar(0, 300, 1);
    QCOMPARE(bar.minimumSize(), QSize(25, 25));
    bar.setLanguage();
    QCOMPARE(bar.handleSize(), QSize(13, 12));
    QCOMPARE(bar.minimumSize(), QSize(18, 17));
    // Scroll areas lay their bars out by the hint: it must not cut the handle image.
    QVERIFY(bar.sizeHint().width() >= 18);
    QCOMPARE(bar.trackPageStep(), 30);

    bar.setRange(0, 100);
    bar.setValue(50);
    bar.resize(30, 216);
    bar.show();
    QVERIFY(QTest::qWaitForWindowExposed(&bar));
    QSignalSpy released(&bar, &QScrollBar::sliderReleased);

    QTest::mouseClick(&bar, Qt::LeftButton, Qt::NoModifier, QPoint(15, 5));
    QCOMPARE(bar.value(), 20);
    QTest::mouseClick(&bar, Qt::LeftButton, Qt::NoModifier, QPoint(15, 210));
    QCOMPARE(bar.value(), 50);
    QTest::mouseClick(&bar, Qt::LeftButton, Qt::NoModifier, QPoint(15, 210));
    QTest::mouseClick(&bar, Qt::LeftButton, Qt::NoModifier, QPoint(15, 210));
    QCOMPARE(bar.value(), 100);
    QCOMPARE(released.count(), 4);

    // Dragging the handle to the top edge maps onto the scroll bar's minimum.
    QSignalSpy lower(&bar, &SliderWithIcons::lowerValueChanged);
    const QPoint grab = bar.handleRect().center();
    QTest::mousePress(&bar, Qt::LeftButton, Qt::NoModifier, grab);
    QMouseEvent move(QEvent::MouseMove, QPointF(15, 0), bar.mapToGlobal(QPointF(15, 0)),
                     Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&bar, &move);
    QCOMPARE(bar.value(), 0);
    QCOMPARE(lower.count(), 1);
    QTest::mouseRelease(&bar, Qt::LeftButton, Qt::NoModifier, QPoint(15, 0));
    QCOMPARE(released.count(), 5);
}

void TestSharedControls::comboBoxUsesDrawnScrollBar()
{
    RightMenuComboBox combo;
    QVERIFY(qobject_cast<SliderWithIcons *>(combo.view()->verticalScrollBar()));
    QCOMPARE(combo.listScrollBar(), combo.view()->verticalScrollBar());
    QCOMPARE(combo.minimumHeight(), 30);
    QCOMPARE(combo.iconSize(), QSize(30, 30));
    QCOMPARE(combo.sizePolicy().horizontalPolicy(), QSizePolicy::Expanding);
}

void TestSharedControls::iconFramePlacesPinWidgets()
{
    QIconFrame frame;
    frame.resize(400, 400);
    frame.show();
    QVERIFY(QTest::qWaitForWindowExposed(&frame));
    frame.setIcon(solidIcon(QSize(200, 100), Qt::green));
    PinInfo pin;
    pin.index = 0;
    pin.relX = 0.5f;
    pin.relY = 0.25f;
    auto *marker = new QWidget;
    frame.addPinWidget(marker, pin);
    QCOMPARE(marker->parentWidget(), &frame);
    // The picture keeps 2:1 and is centred: 400 x 200 at (0, 100).
    QCOMPARE(frame.pictureRect(), QRect(0, 100, 400, 200));
    QCOMPARE(marker->pos(), QPoint(200, 150));

    frame.resize(200, 400);
    QCOMPARE(frame.pictureRect(), QRect(0, 150, 200, 100));
    QCOMPARE(marker->pos(), QPoint(100, 175));
}

void TestSharedControls::iconFrameDrawsOnlyWhatItShows()
{
    QList<QSize> drawn;
    QIconFrame frame;
    frame.resize(300, 300);
    frame.setIcon(QIcon(new RecordingIconEngine(QSize(2000, 1000), &drawn)));
    PinInfo pin;
    pin.relX = 0.5f;
    pin.relY = 0.5f;
    QList<QWidget *> markers;
    for (int i = 0; i < 20; ++i) {
        markers.append(new QWidget);
        frame.addPinWidget(markers.last(), pin);
    }
    // Nothing is drawn to learn the picture's shape, nor again for every pin.
    QVERIFY(drawn.isEmpty());
    QCOMPARE(frame.pictureRect(), QRect(0, 75, 300, 150));
    QCOMPARE(markers.last()->pos(), QPoint(150, 150));

    frame.show();
    QVERIFY(QTest::qWaitForWindowExposed(&frame));
    QTRY_VERIFY(!drawn.isEmpty());
    // Drawn at the size shown, once, however often the frame is painted.
    frame.repaint();
    QCOMPARE(drawn, QList<QSize>{QSize(300, 150)});
}

QTEST_MAIN(TestSharedControls)
#include "tst_sharedcontrols.moc"
