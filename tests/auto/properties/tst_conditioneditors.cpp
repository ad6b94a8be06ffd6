#include "panelfixture.h"

#include "analogconditionwidget.h"
#include "conditionwidget.h"
#include "counterconditionwidget.h"
#include "digitconditionwidget.h"
#include "oneconditionwidget.h"
#include "pincomboboxmodel.h"
#include "rangesliderwithbuttons.h"
#include "rightmenucombobox.h"
#include "rightmenuwidget.h"
#include "sliderwithbuttons.h"
#include "togglediconlabel.h"
#include "twoconditionswidget.h"

#include <QJsonDocument>
#include <QLineEdit>
#include <QTest>
#include <QWheelEvent>

namespace {

QJsonObject parse(const char *text)
{
    return QJsonDocument::fromJson(QByteArray(text)).object();
}

QJsonObject conditionsOf(const Command &command)
{
    return command.json().value("conditions").toObject();
}

void type(SliderWithButtons *slider, const QString &text)
{
    slider->lineEdit()->setText(text);
    slider->setValueFromLineEdit(text);
}

// An input array of the state report with one input set.
QJsonArray inputs(int size, int index, int value)
{
    QJsonArray values;
    for (int i = 0; i < size; ++i)
        values.append(i == index ? value : 0);
    return values;
}

} // namespace

class tst_ConditionEditors : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();

    void kindDerivation_data();
    void kindDerivation();
    void pinModelRoles();
    void digitalLevel_data();
    void digitalLevel();
    void unknownPinSelectsNothing();
    void analogLoadAndWrite_data();
    void analogLoadAndWrite();
    void analogSwitchingCarriesValues();
    void pinChoiceSwitchesEditor();
    void joinedConditions_data();
    void joinedConditions();
    void counterCondition();
    void liveValues();
    void wheelDoesNotChangeThePin();

private:
    std::unique_ptr<Command> load(const QJsonObject &conditions);

    QTemporaryDir m_home;
    RightMenuWidget *m_panel = nullptr;
};

void tst_ConditionEditors::initTestCase()
{
    QVERIFY(PanelFixture::setUp(m_home));
    m_panel = new RightMenuWidget;
    m_panel->clear();
    m_panel->resize(420, 900);
    m_panel->show();
}

void tst_ConditionEditors::init()
{
    m_panel->hideEditors();
}

std::unique_ptr<Command> tst_ConditionEditors::load(const QJsonObject &conditions)
{
    auto command = PanelFixture::rowCommand("m_stop", QJsonObject{{"brake", 0}}, conditions);
    m_panel->setCommand(command.get());
    // Showing writes nothing; an edit writes the conditions as the editors show them.
    m_panel->changeCommandData();
    return command;
}

void tst_ConditionEditors::kindDerivation_data()
{
    QTest::addColumn<QJsonObject>("conditions");
    QTest::addColumn<int>("kind");

    QTest::newRow("always") << parse(R"({"type": "always"})") << 0;
    QTest::newRow("no type") << parse(R"({"data": [{"pin": "D7", "level": "1"}]})") << 0;
    QTest::newRow("empty") << QJsonObject{} << 0;
    QTest::newRow("single") << parse(R"({"type": "single", "data": [{"pin": "D7",
                                        "equation": "equals", "level": "1"}]})")
                            << 1;
    QTest::newRow("single counter") << parse(R"({"type": "single", "data": [
                                                {"equation": "counter", "level": "7"}]})")
                                    << 3;
    QTest::newRow("and") << parse(R"({"type": "and", "data": [{"pin": "D7", "level": "1"},
                                     {"pin": "A0", "equation": "smaller", "level": "9"}]})")
                         << 2;
    QTest::newRow("or with counter") << parse(R"({"type": "or", "data": [
                                                 {"pin": "D7", "level": "1"},
                                                 {"equation": "counter", "level": "3"}]})")
                                     << 4;
}

void tst_ConditionEditors::kindDerivation()
{
    QFETCH(QJsonObject, conditions);
    QFETCH(int, kind);

    auto command = load(conditions);
    QCOMPARE(command->conditionKind(), kind);
    ConditionWidget *widget = m_panel->conditionWidget();
    QCOMPARE(widget->isHidden(), kind == 0);
    QCOMPARE(!widget->oneConditionWidget()->isHidden(), kind == 1);
    QCOMPARE(!widget->twoConditionsWidget()->isHidden(), kind == 2);
    QCOMPARE(!widget->counterWidget()->isHidden(), kind == 3);
    QCOMPARE(!widget->conditionCounterWidget()->isHidden(), kind == 4);
    if (kind == 0)
        QCOMPARE(conditionsOf(*command), (QJsonObject{{"type", "always"}}));
    if (kind == 3) {
        QCOMPARE(widget->counterWidget()->countSlider()->valueText(), QString("7"));
        QCOMPARE(conditionsOf(*command),
                 parse(R"({"type": "single", "data": [{"equation": "counter", "level": "7"}]})"));
    }
}

void tst_ConditionEditors::pinModelRoles()
{
    PinComboBoxModel model(AppContext::instance().inputAssignments());
    QCOMPARE(model.rowCount(), 3);
    const QModelIndex button = model.index(0);
    QCOMPARE(button.data(Qt::DisplayRole).toString(), button.data(Qt::UserRole).toString());
    QVERIFY(button.data(Qt::DisplayRole).toString().endsWith("Button"));
    QCOMPARE(button.data(Qt::UserRole + 1).toBool(), true);
    QCOMPARE(button.data(Qt::UserRole + 2).toString(), QString("D7"));
    QCOMPARE(button.data(Qt::UserRole + 3).toString(), QString("Button"));
    QCOMPARE(button.data(Qt::UserRole + 4).toInt(), 7);
    const QModelIndex light = model.index(2);
    QCOMPARE(light.data(Qt::UserRole + 1).toBool(), false);
    QCOMPARE(light.data(Qt::UserRole + 2).toString(), QString("A2"));
    QCOMPARE(light.data(Qt::UserRole + 4).toInt(), 2);
    QVERIFY(!light.data(Qt::UserRole + 5).isValid());
    QVERIFY(!model.index(3).data(Qt::DisplayRole).isValid());
    QCOMPARE(PinComboBoxModel::inputNumber("D12"), 12);
    QCOMPARE(PinComboBoxModel::inputNumber("HZ"), 0);
}

void tst_ConditionEditors::digitalLevel_data()
{
    QTest::addColumn<QJsonValue>("level");
    QTest::addColumn<bool>("pressed");

    QTest::newRow("text one") << QJsonValue("1") << true;
    QTest::newRow("number one") << QJsonValue(1) << true;
    QTest::newRow("text zero") << QJsonValue("0") << false;
    QTest::newRow("number zero") << QJsonValue(0) << false;
    QTest::newRow("missing") << QJsonValue(QJsonValue::Undefined) << false;
    QTest::newRow("word") << QJsonValue("high") << false;
}

void tst_ConditionEditors::digitalLevel()
{
    QFETCH(QJsonValue, level);
    QFETCH(bool, pressed);

    QJsonObject condition{{"pin", "D7"}, {"equation", "equals"}};
    if (!level.isUndefined())
        condition.insert("level", level);
    auto command = load(QJsonObject{{"type", "single"}, {"data", QJsonArray{condition}}});
    OneConditionWidget *one = m_panel->conditionWidget()->oneConditionWidget();
    QVERIFY(!one->digitWidget()->isHidden());
    QVERIFY(one->analogWidget()->isHidden());
    QCOMPARE(one->digitWidget()->pressedToggle()->isSelected(), pressed);
    QCOMPARE(one->digitWidget()->unpressedToggle()->isSelected(), !pressed);
    const QJsonObject expected{
        {"pin", "D7"}, {"equation", "equals"}, {"level", pressed ? "1" : "0"}};
    QCOMPARE(conditionsOf(*command),
             (QJsonObject{{"type", "single"}, {"data", QJsonArray{expected}}}));

    QTest::mouseClick(pressed ? one->digitWidget()->unpressedToggle()
                              : one->digitWidget()->pressedToggle(),
                      Qt::LeftButton);
    QCOMPARE(conditionsOf(*command).value("data").toArray().at(0).toObject().value("level"),
             QJsonValue(pressed ? "0" : "1"));
}

void tst_ConditionEditors::unknownPinSelectsNothing()
{
    auto command = load(parse(R"({"type": "single", "data": [{"pin": "D13",
                                  "equation": "equals", "level": "1"}]})"));
    OneConditionWidget *one = m_panel->conditionWidget()->oneConditionWidget();
    QCOMPARE(one->pinComboBox()->currentIndex(), -1);
    QVERIFY(one->digitWidget()->isHidden());
    QVERIFY(one->analogWidget()->isHidden());
    // The condition stays as loaded while no pin is chosen.
    QCOMPARE(conditionsOf(*command).value("data").toArray().at(0).toObject(),
             parse(R"({"pin": "D13", "equation": "equals", "level": "1"})"));

    // Choosing a pin then writes a complete condition.
    one->pinComboBox()->setCurrentIndex(0);
    QCOMPARE(conditionsOf(*command),
             parse(R"({"type": "single", "data": [{"pin": "D7", "equation": "equals",
                                                   "level": "1"}]})"));
}

void tst_ConditionEditors::analogLoadAndWrite_data()
{
    QTest::addColumn<QJsonObject>("condition");
    QTest::addColumn<bool>("window");
    QTest::addColumn<QJsonObject>("written");

    QTest::newRow("equals") << parse(R"({"pin": "A0", "equation": "equals", "level": "100"})")
                            << false << parse(R"({"pin": "A0", "equation": "equals", "level": "100",
                                         "level2": null})");
    QTest::newRow("greater as number")
        << parse(R"({"pin": "A2", "equation": "greater", "level": 200, "level2": 0})") << false
        << parse(R"({"pin": "A2", "equation": "greater", "level": "200", "level2": null})");
    QTest::newRow("inside") << parse(R"({"pin": "A0", "equation": "inside", "level": "20",
                                         "level2": "80"})")
                            << true << parse(R"({"pin": "A0", "equation": "inside", "level": "20",
                                         "level2": "80"})");
    QTest::newRow("outside") << parse(R"({"pin": "A0", "equation": "outside", "level": 5,
                                          "level2": 250})")
                             << true << parse(R"({"pin": "A0", "equation": "outside", "level": "5",
                                          "level2": "250"})");
}

void tst_ConditionEditors::analogLoadAndWrite()
{
    QFETCH(QJsonObject, condition);
    QFETCH(bool, window);
    QFETCH(QJsonObject, written);

    auto command = load(QJsonObject{{"type", "single"}, {"data", QJsonArray{condition}}});
    AnalogConditionWidget *analog =
        m_panel->conditionWidget()->oneConditionWidget()->analogWidget();
    QVERIFY(!analog->isHidden());
    QCOMPARE(analog->windowSlider()->isHidden(), !window);
    QCOMPARE(analog->thresholdSlider()->isHidden(), window);
    QCOMPARE(conditionsOf(*command).value("data").toArray().at(0).toObject(), written);
}

void tst_ConditionEditors::analogSwitchingCarriesValues()
{
    auto command = load(parse(R"({"type": "single", "data": [{"pin": "A0",
                                  "equation": "smaller", "level": "100"}]})"));
    AnalogConditionWidget *analog =
        m_panel->conditionWidget()->oneConditionWidget()->analogWidget();
    QVERIFY(analog->toggle(AnalogConditionWidget::Smaller)->isSelected());

    QTest::mouseClick(analog->toggle(AnalogConditionWidget::Inside), Qt::LeftButton);
    QVERIFY(analog->windowShown());
    QCOMPARE(analog->windowSlider()->lowerText(), QString("100"));
    QCOMPARE(analog->windowSlider()->upperText(), QString("101"));
    QCOMPARE(conditionsOf(*command).value("data").toArray().at(0).toObject(),
             parse(R"({"pin": "A0", "equation": "inside", "level": "100", "level2": "101"})"));

    analog->windowSlider()->setValues(40, 90);
    emit analog->windowSlider()->changedData();
    QCOMPARE(conditionsOf(*command).value("data").toArray().at(0).toObject().value("level2"),
             QJsonValue("90"));

    // Inside to outside keeps the window; back to one threshold takes the lower bound.
    QTest::mouseClick(analog->toggle(AnalogConditionWidget::Outside), Qt::LeftButton);
    QCOMPARE(analog->windowSlider()->lowerText(), QString("40"));
    QCOMPARE(analog->windowSlider()->upperText(), QString("90"));
    QTest::mouseClick(analog->toggle(AnalogConditionWidget::Bigger), Qt::LeftButton);
    QVERIFY(!analog->windowShown());
    QVERIFY(analog->windowSlider()->isHidden());
    QCOMPARE(analog->thresholdSlider()->valueText(), QString("40"));
    QCOMPARE(conditionsOf(*command).value("data").toArray().at(0).toObject(),
             parse(R"({"pin": "A0", "equation": "greater", "level": "40", "level2": null})"));

    type(analog->thresholdSlider(), "77");
    QCOMPARE(conditionsOf(*command).value("data").toArray().at(0).toObject().value("level"),
             QJsonValue("77"));
    QTest::mouseClick(analog->toggle(AnalogConditionWidget::Unequal), Qt::LeftButton);
    QCOMPARE(conditionsOf(*command).value("data").toArray().at(0).toObject(),
             parse(R"({"pin": "A0", "equation": "unequal", "level": "77", "level2": null})"));
}

void tst_ConditionEditors::pinChoiceSwitchesEditor()
{
    auto command = load(parse(R"({"type": "single", "data": [{"pin": "D7",
                                  "equation": "equals", "level": "1"}]})"));
    OneConditionWidget *one = m_panel->conditionWidget()->oneConditionWidget();
    const int lightRow = one->pinModel()->findRow(PinComboBoxModel::PinLabelRole, "A2");
    QVERIFY(lightRow > 0);
    one->pinComboBox()->setCurrentIndex(lightRow);
    QVERIFY(one->digitWidget()->isHidden());
    QVERIFY(!one->analogWidget()->isHidden());
    QCOMPARE(one->analogWidget()->inputNumber(), 2);
    const QJsonObject written = conditionsOf(*command).value("data").toArray().at(0).toObject();
    QCOMPARE(written.value("pin").toString(), QString("A2"));
    QCOMPARE(written.value("equation").toString(), QString("equals"));
    QVERIFY(written.contains("level2"));
}

void tst_ConditionEditors::joinedConditions_data()
{
    QTest::addColumn<QString>("type");
    QTest::addColumn<QString>("written");

    QTest::newRow("and") << "and"
                         << "and";
    QTest::newRow("or") << "or"
                        << "or";
    QTest::newRow("upper case AND is not and") << "AND"
                                               << "or";
}

void tst_ConditionEditors::joinedConditions()
{
    QFETCH(QString, type);
    QFETCH(QString, written);

    QJsonObject conditions = parse(R"({"data": [{"pin": "D7", "equation": "equals", "level": "0"},
                                       {"pin": "A2", "equation": "smaller", "level": "30"}]})");
    conditions.insert("type", type);
    auto command = PanelFixture::rowCommand("m_stop", QJsonObject{{"brake", 0}}, conditions);
    command->setConditionKind(Command::Conditions);
    m_panel->setCommand(command.get());
    m_panel->changeCommandData();
    TwoConditionsWidget *two = m_panel->conditionWidget()->twoConditionsWidget();
    QVERIFY(!two->isHidden());
    QCOMPARE(two->andToggle()->isSelected(), written == "and");
    QJsonObject expected = parse(R"({"data": [{"pin": "D7", "equation": "equals", "level": "0"},
                                     {"pin": "A2", "equation": "smaller", "level": "30",
                                      "level2": null}]})");
    expected.insert("type", written);
    QCOMPARE(conditionsOf(*command), expected);

    QTest::mouseClick(written == "and" ? two->orToggle() : two->andToggle(), Qt::LeftButton);
    QCOMPARE(conditionsOf(*command).value("type").toString(),
             QString(written == "and" ? "or" : "and"));
}

void tst_ConditionEditors::counterCondition()
{
    auto command = load(parse(R"({"type": "and", "data": [
                                  {"pin": "A0", "equation": "inside", "level": "10",
                                   "level2": "20"},
                                  {"equation": "counter", "level": 12}]})"));
    QCOMPARE(command->conditionKind(), int(Command::ConditionCounter));
    TwoConditionsWidget *mixed = m_panel->conditionWidget()->conditionCounterWidget();
    QCOMPARE(mixed->counterCondition()->countSlider()->valueText(), QString("12"));
    type(mixed->counterCondition()->countSlider(), "5");
    QCOMPARE(conditionsOf(*command), parse(R"({"type": "and", "data": [
                       {"pin": "A0", "equation": "inside", "level": "10", "level2": "20"},
                       {"equation": "counter", "level": "5"}]})"));

    // A counter condition with nothing to read starts from zero.
    auto bare = PanelFixture::rowCommand("m_stop", QJsonObject{{"brake", 0}},
                                         QJsonObject{{"type", "always"}});
    bare->setConditionKind(Command::Counter);
    m_panel->setCommand(bare.get());
    m_panel->changeCommandData();
    QCOMPARE(conditionsOf(*bare),
             parse(R"({"type": "single", "data": [{"equation": "counter", "level": "0"}]})"));
}

void tst_ConditionEditors::liveValues()
{
    auto command = load(parse(R"({"type": "and", "data": [
                                  {"pin": "D7", "equation": "equals", "level": "1"},
                                  {"pin": "A2", "equation": "smaller", "level": "30"}]})"));
    TwoConditionsWidget *two = m_panel->conditionWidget()->twoConditionsWidget();
    QLineEdit *digital = two->firstCondition()->digitWidget()->liveValue();
    QLineEdit *analog = two->secondCondition()->analogWidget()->liveValue();
    QCOMPARE(digital->text(), QString());

    m_panel->updateStatusManual(QJsonObject{{"DI", inputs(80, 7, 1)}, {"AI", inputs(15, 2, 200)}});
    QCOMPARE(digital->text(), QString("Pressed"));
    QCOMPARE(analog->text(), QString("200"));

    // Arrays too short for the input number leave the fields as they were.
    m_panel->updateStatusManual(QJsonObject{{"DI", inputs(7, -1, 0)}, {"AI", inputs(2, -1, 0)}});
    QCOMPARE(digital->text(), QString("Pressed"));
    QCOMPARE(analog->text(), QString("200"));

    m_panel->updateStatusManual(QJsonObject{{"DI", inputs(8, 7, 0)}, {"AI", inputs(3, 2, 17)}});
    QCOMPARE(digital->text(), QString("Unpressed"));
    QCOMPARE(analog->text(), QString("17"));
}

void tst_ConditionEditors::wheelDoesNotChangeThePin()
{
    auto command = load(parse(R"({"type": "single", "data": [{"pin": "D7",
                                  "equation": "equals", "level": "1"}]})"));
    RightMenuComboBox *combo = m_panel->conditionWidget()->oneConditionWidget()->pinComboBox();
    QCOMPARE(combo->currentIndex(), 0);
    const QPointF centre(combo->width() / 2.0, combo->height() / 2.0);
    QWheelEvent wheel(centre, combo->mapToGlobal(centre), QPoint(), QPoint(0, -120), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(combo, &wheel);
    QCOMPARE(combo->currentIndex(), 0);
}

QTEST_MAIN(tst_ConditionEditors)
#include "tst_conditioneditors.moc"
