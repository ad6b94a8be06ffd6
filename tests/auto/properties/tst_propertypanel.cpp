#include "panelfixture.h"

#include "brakewidget.h"
#include "checkableroundlabel.h"
#include "clickableroundlabel.h"
#include "conditionwidget.h"
#include "inputswidget.h"
#include "keybutton.h"
#include "ledwidget.h"
#include "motorwidget.h"
#include "musicwidget.h"
#include "observer.h"
#include "pausewidget.h"
#include "pianokeybord.h"
#include "picturewidget.h"
#include "rightmenucombobox.h"
#include "rightmenuwidget.h"
#include "servoswidget.h"
#include "servowidget.h"
#include "sidewidget.h"
#include "sliderwithbuttons.h"
#include "soundwidget.h"
#include "speedwidget.h"
#include "subprogramwidget.h"
#include "timerwidget.h"
#include "togglediconlabel.h"

#include <QJsonDocument>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QSignalSpy>
#include <QTest>

namespace {

class CountingObserver : public Observer
{
public:
    void subjectChanged(const QString &) override { ++count; }
    int count = 0;
};

QJsonObject parse(const char *text)
{
    return QJsonDocument::fromJson(QByteArray(text)).object();
}

// What the user's typing into a value field amounts to: the field holds the text, then the
// control checks it.
void type(SliderWithButtons *slider, const QString &text)
{
    slider->lineEdit()->setText(text);
    slider->setValueFromLineEdit(text);
}

QJsonObject actionOf(const Command &command)
{
    return command.json().value("action").toObject();
}

} // namespace

class tst_PropertyPanel : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();

    void dispatch_data();
    void dispatch();
    void loadAndWrite_data();
    void loadAndWrite();
    void selectionLeavesTheCommand();
    void subprogramChoice_data();
    void subprogramChoice();
    void runButtonFollowsManualFlag_data();
    void runButtonFollowsManualFlag();
    void runButtonIsForwarded();
    void editsReachTheCommand();
    void loadingDoesNotWrite();
    void servoRowsKeptAcrossReloads();
    void servoRowsFollowThePinSetUp();
    void singleServoRow();
    void pictureFromShorterArray();
    void melodyEditing();
    void soundKeyboardSelection();
    void hideEditorsLetsGoOfTheCommand();
    void editorsFitThePanel_data();
    void editorsFitThePanel();

private:
    QTemporaryDir m_home;
    RightMenuWidget *m_panel = nullptr;
};

void tst_PropertyPanel::initTestCase()
{
    QVERIFY(PanelFixture::setUp(m_home));
    m_panel = new RightMenuWidget;
    m_panel->setSubprogramCounter([] { return 2; });
    m_panel->clear();
    m_panel->resize(420, 900);
    m_panel->show();
}

void tst_PropertyPanel::init()
{
    AppContext::instance().readConfiguration(PanelFixture::configuration());
    m_panel->hideEditors();
}

void tst_PropertyPanel::dispatch_data()
{
    QTest::addColumn<QStringList>("inputs");
    QTest::addColumn<QStringList>("shown");
    QTest::addColumn<bool>("runShown");
    QTest::addColumn<QStringList>("fields");

    QTest::newRow("subprogram only") << QStringList{"subprogram"} << QStringList{"subprogram"}
                                     << false << QStringList{"command", "proc"};
    QTest::newRow("empty") << QStringList{} << QStringList{} << false << QStringList{"command"};
    QTest::newRow("upper case") << QStringList{"SPEED", "Timer", "BRAKE"}
                                << QStringList{"speed", "timer", "brake"} << true
                                << QStringList{"brake", "command", "speed", "time", "timer"};
    QTest::newRow("unknown name") << QStringList{"turbo"} << QStringList{} << false
                                  << QStringList{"command"};
    QTest::newRow("led") << QStringList{"led"} << QStringList{"led"} << true
                         << QStringList{"command", "pin", "state"};
    QTest::newRow("sound keys copied") << QStringList{"sound"} << QStringList{"sound"} << true
                                       << QStringList{"command", "note", "octave", "time"};
    QTest::newRow("melody keys copied") << QStringList{"piano"} << QStringList{"piano"} << true
                                        << QStringList{"command", "sounds", "tempo"};
    QTest::newRow("subprogram and pause")
        << QStringList{"subprogram", "pause"} << QStringList{"subprogram", "pause"} << true
        << QStringList{"command", "hour", "minute", "proc", "second"};
}

void tst_PropertyPanel::dispatch()
{
    QFETCH(QStringList, inputs);
    QFETCH(QStringList, shown);
    QFETCH(bool, runShown);
    QFETCH(QStringList, fields);

    Command command =
        Command::fromMenuEntry(QJsonObject{{"Command", "mTest"},
                                           {"Picture", "empty"},
                                           {"Inputs", QJsonArray::fromStringList(inputs)}});
    command.load(QJsonObject{{"conditions", QJsonObject{{"type", "always"}}},
                             {"action", QJsonObject{{"command", "mTest"}, {"stale", 1}}}});
    m_panel->setCommand(&command);
    m_panel->changeCommandData(); // an edit rebuilds the action from the shown editors

    InputsWidget *inputsWidget = m_panel->inputsWidget();
    const QStringList all{"subprogram", "picture", "piano", "sound", "pause", "led",  "servo",
                          "servos",     "motor",   "timer", "brake", "side",  "speed"};
    for (const QString &name : all) {
        QVERIFY(inputsWidget->editorFor(name));
        QCOMPARE(!inputsWidget->editorFor(name)->isHidden(), shown.contains(name));
    }
    QCOMPARE(inputsWidget->isRunShown(), runShown);

    const QJsonObject action = actionOf(command);
    QCOMPARE(action.value("command").toString(), QString("mTest"));
    QStringList keys = action.keys();
    keys.sort();
    QCOMPARE(keys, fields);
    QVERIFY(m_panel->conditionWidget()->isHidden());
    QCOMPARE(command.json().value("conditions").toObject(), (QJsonObject{{"type", "always"}}));
}

void tst_PropertyPanel::loadAndWrite_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QJsonObject>("action");
    QTest::addColumn<QJsonObject>("expected");

    QTest::newRow("speed as text")
        << "m_fwd" << parse(R"({"speed": "75", "timer": 0, "time": 0, "brake": 0})")
        << parse(R"({"command": "m_fwd", "speed": "75", "timer": "0", "time": "0.0",
                     "brake": "0"})");
    QTest::newRow("speed as number")
        << "m_fwd" << parse(R"({"speed": 75, "timer": "1", "time": "2", "brake": "0"})")
        << parse(R"({"command": "m_fwd", "speed": "75", "timer": "1", "time": "2.0",
                     "brake": "0"})");
    QTest::newRow("timed drive rounds to tenths")
        << "m_fwd" << parse(R"({"speed": 10, "timer": 5, "time": 1.25, "brake": 2})")
        << parse(R"({"command": "m_fwd", "speed": "10", "timer": "1", "time": "1.3",
                     "brake": "1"})");
    QTest::newRow("brake text zero")
        << "m_stop" << parse(R"({"brake": "0"})") << parse(R"({"command": "m_stop",
                                                                 "brake": "0"})");
    QTest::newRow("brake two") << "m_stop" << parse(R"({"brake": 2})")
                               << parse(R"({"command": "m_stop", "brake": "1"})");
    QTest::newRow("pause") << "mPause" << parse(R"({"hour": "2", "minute": 5, "second": 1.25})")
                           << parse(R"({"command": "mPause", "hour": "2", "minute": "5",
                                        "second": "1.3"})");
    QTest::newRow("pause text second")
        << "mPause" << parse(R"({"hour": 0, "minute": 0, "second": "0.25"})")
        << parse(R"({"command": "mPause", "hour": "0", "minute": "0", "second": "0.3"})");
    QTest::newRow("led without assignment")
        << "mSetleds" << parse(R"({"pin": "D13", "state": 1})")
        << parse(R"({"command": "mSetleds", "pin": "D13", "state": "1"})");
    QTest::newRow("led assigned") << "mSetleds" << parse(R"({"pin": "A1", "state": "0"})")
                                  << parse(R"({"command": "mSetleds", "pin": "A1", "state": "0"})");
    QTest::newRow("motor by gadget name")
        << "mr1stop" << parse(R"({"motor": "M2", "brake": 1})")
        << parse(R"({"command": "mr1stop", "motor": "M2", "brake": "1"})");
    QTest::newRow("motor unknown")
        << "mr1stop" << parse(R"({"motor": "m2", "brake": 0})")
        << parse(R"({"command": "mr1stop", "motor": "m2", "brake": "0"})");
    QTest::newRow("motor missing")
        << "mr1stop" << parse(R"({"brake": 0})")
        << parse(R"({"command": "mr1stop", "motor": null, "brake": "0"})");
    QTest::newRow("side number one")
        << "mrall"
        << parse(R"({"motor": "M1", "side": 1, "speed": 40, "timer": 0, "time": 0, "brake": 0})")
        << parse(R"({"command": "mrall", "motor": "M1", "side": "1", "speed": "40",
                     "timer": "0", "time": "0.0", "brake": "0"})");
    QTest::newRow("side text one")
        << "mrall" << parse(R"({"motor": "M1", "side": "1"})")
        << parse(R"({"command": "mrall", "motor": "M1", "side": "1", "speed": "0",
                     "timer": "0", "time": "0.0", "brake": "0"})");
    QTest::newRow("side zero")
        << "mrall" << parse(R"({"motor": "M1", "side": "0"})")
        << parse(R"({"command": "mrall", "motor": "M1", "side": "0", "speed": "0",
                     "timer": "0", "time": "0.0", "brake": "0"})");
    QTest::newRow("servos")
        << "mServowork"
        << parse(R"({"servos": [{"pin": "D9", "angle": "45"}, {"pin": "D10", "angle": 7}],
                     "timer": 0, "time": 0})")
        << parse(R"({"command": "mServowork", "servos": [{"pin": "D9", "angle": "45"},
                     {"pin": "D10", "angle": 7}], "timer": "0", "time": "0.0"})");
    QTest::newRow("servos as default text")
        << "mServowork" << parse(R"({"servos": "[]", "timer": 0, "time": 0})")
        << parse(R"({"command": "mServowork", "servos": [], "timer": "0", "time": "0.0"})");
    QTest::newRow("sound text octave")
        << "mSound" << parse(R"({"note": "E", "octave": "4", "time": 1.3})")
        << parse(R"({"command": "mSound", "note": "E", "octave": "4", "time": "1.3"})");
    QTest::newRow("sound number octave")
        << "mSound" << parse(R"({"note": "G#", "octave": 4, "time": "1"})")
        << parse(R"({"command": "mSound", "note": "G#", "octave": "4", "time": "1.0"})");
    QTest::newRow("melody")
        << "mMusic"
        << parse(R"({"tempo": "120", "sounds": [{"note": "E", "octave": 4, "length": "8"},
                     {"note": "0", "octave": 0, "length": 16}]})")
        << parse(R"({"command": "mMusic", "tempo": 120, "sounds": [
                     {"note": "E", "octave": "4", "length": "8"},
                     {"note": "0", "length": "16"}]})");
    QTest::newRow("melody without sounds")
        << "mMusic" << parse(R"({"tempo": 90})")
        << parse(R"({"command": "mMusic", "tempo": 90, "sounds": []})");
    QTest::newRow("call") << "call" << parse(R"({"proc": 2})")
                          << parse(R"({"command": "call", "proc": 2})");
}

void tst_PropertyPanel::loadAndWrite()
{
    QFETCH(QString, name);
    QFETCH(QJsonObject, action);
    QFETCH(QJsonObject, expected);

    auto command = PanelFixture::rowCommand(name, action, QJsonObject{{"type", "always"}});
    QVERIFY(command);
    // An edit in any editor writes the whole command as the editors show it.
    m_panel->setCommand(command.get());
    m_panel->changeCommandData();
    QCOMPARE(actionOf(*command), expected);
    // Writing again changes nothing: the editors read back what they wrote.
    m_panel->setCommand(command.get());
    m_panel->changeCommandData();
    QCOMPARE(actionOf(*command), expected);
}

void tst_PropertyPanel::selectionLeavesTheCommand()
{
    const QJsonObject loaded = parse(R"({"conditions": {"type": "always", "note": "x"},
                  "action": {"command": "m_fwd", "speed": "60", "timer": 1, "time": "2.5",
                             "brake": 0, "pict": [1, 1], "comment": "from a file"}})");
    auto command = PanelFixture::rowCommand("m_fwd", loaded);
    CountingObserver observer;
    command->attach(&observer);
    m_panel->setCommand(command.get());
    QCOMPARE(observer.count, 0);
    QCOMPARE(command->json(), loaded);

    // The user's first change writes the command as its editors show it.
    m_panel->changeCommandData();
    QCOMPARE(observer.count, 1);
    QCOMPARE(command->json(), parse(R"({"conditions": {"type": "always"},
                       "action": {"command": "m_fwd", "speed": "60", "timer": "1",
                                  "time": "2.5", "brake": "0"}})"));
    command->detach(&observer);
}

void tst_PropertyPanel::subprogramChoice_data()
{
    QTest::addColumn<QJsonValue>("proc");
    QTest::addColumn<int>("index");
    QTest::addColumn<QJsonValue>("written");

    QTest::newRow("first") << QJsonValue(1) << 1 << QJsonValue(1);
    QTest::newRow("beyond the subprograms")
        << QJsonValue(3) << 0 << QJsonValue(SubProgramWidget::notSetText());
    QTest::newRow("zero") << QJsonValue(0) << 0 << QJsonValue(SubProgramWidget::notSetText());
    QTest::newRow("not set text") << QJsonValue(SubProgramWidget::notSetText()) << 0
                                  << QJsonValue(SubProgramWidget::notSetText());
    QTest::newRow("negative") << QJsonValue(-1) << 0 << QJsonValue(SubProgramWidget::notSetText());
}

void tst_PropertyPanel::subprogramChoice()
{
    QFETCH(QJsonValue, proc);
    QFETCH(int, index);
    QFETCH(QJsonValue, written);

    auto command = PanelFixture::rowCommand("call", QJsonObject{{"proc", proc}},
                                            QJsonObject{{"type", "always"}});
    m_panel->setCommand(command.get());
    QCOMPARE(actionOf(*command).value("proc"), proc); // shown, not yet written
    m_panel->changeCommandData();
    SubProgramWidget *editor = m_panel->inputsWidget()->subProgramWidget();
    QCOMPARE(editor->comboBox()->count(), 3);
    // Shown in the user's words; the document keeps its fixed text (written, above).
    QCOMPARE(editor->comboBox()->itemText(0), QString("Not set"));
    QCOMPARE(editor->comboBox()->itemText(2), QString("Subprogram 2"));
    QCOMPARE(editor->comboBox()->currentIndex(), index);
    QCOMPARE(actionOf(*command).value("proc"), written);
    QVERIFY(!m_panel->inputsWidget()->isRunShown());
}

void tst_PropertyPanel::runButtonFollowsManualFlag_data()
{
    QTest::addColumn<bool>("before");
    QTest::addColumn<QJsonObject>("report");
    QTest::addColumn<bool>("after");

    QTest::newRow("no flag keeps enabled") << true << QJsonObject{{"start", 1}} << true;
    QTest::newRow("no flag keeps disabled") << false << QJsonObject{{"start", 1}} << false;
    QTest::newRow("zero disables") << true << QJsonObject{{"manual", 0}} << false;
    QTest::newRow("one enables") << false << QJsonObject{{"manual", 1}} << true;
    QTest::newRow("two disables") << true << QJsonObject{{"manual", 2}} << false;
}

void tst_PropertyPanel::runButtonFollowsManualFlag()
{
    QFETCH(bool, before);
    QFETCH(QJsonObject, report);
    QFETCH(bool, after);

    m_panel->updateStatusManual(QJsonObject{{"manual", before ? 1 : 0}});
    QCOMPARE(m_panel->inputsWidget()->isRunEnabled(), before);
    m_panel->updateStatusManual(report);
    QCOMPARE(m_panel->inputsWidget()->isRunEnabled(), after);
    m_panel->updateStatusManual(QJsonObject{{"manual", 1}});
}

void tst_PropertyPanel::runButtonIsForwarded()
{
    auto command = PanelFixture::rowCommand("m_stop", QJsonObject{{"brake", 0}},
                                            QJsonObject{{"type", "always"}});
    m_panel->setCommand(command.get());
    QSignalSpy spy(m_panel, &RightMenuWidget::runClicked);
    QTest::mouseClick(m_panel->inputsWidget()->runButton(), Qt::LeftButton);
    QCOMPARE(spy.count(), 1);
}

void tst_PropertyPanel::editsReachTheCommand()
{
    auto command = PanelFixture::rowCommand(
        "m_fwd", parse(R"({"speed": 50, "timer": 0, "time": 1, "brake": 0})"),
        QJsonObject{{"type", "always"}});
    m_panel->setCommand(command.get());
    CountingObserver observer;
    command->attach(&observer);

    InputsWidget *inputs = m_panel->inputsWidget();
    type(inputs->speedWidget()->slider(), "80");
    QCOMPARE(actionOf(*command).value("speed").toString(), QString("80"));
    QTest::mouseClick(inputs->brakeWidget()->toggle(), Qt::LeftButton);
    QCOMPARE(actionOf(*command).value("brake").toString(), QString("1"));
    QTest::mouseClick(inputs->timerWidget()->toggle(), Qt::LeftButton);
    QCOMPARE(actionOf(*command).value("timer").toString(), QString("1"));
    type(inputs->timerWidget()->slider(), "12.5");
    QCOMPARE(actionOf(*command).value("time").toString(), QString("12.5"));
    QCOMPARE(observer.count, 4);
    command->detach(&observer);
}

void tst_PropertyPanel::loadingDoesNotWrite()
{
    auto first = PanelFixture::rowCommand("mrall", parse(R"({"motor": "M1", "side": 1})"),
                                          QJsonObject{{"type", "always"}});
    auto second = PanelFixture::rowCommand("mrall", parse(R"({"motor": "M2", "side": 0})"),
                                           QJsonObject{{"type", "always"}});
    m_panel->setCommand(first.get());
    const QJsonObject firstJson = first->json();
    CountingObserver observer;
    first->attach(&observer);
    // Loading the second command moves the combo box and the toggles; none of that may reach
    // the first command.
    const QJsonObject secondJson = second->json();
    m_panel->setCommand(second.get());
    QCOMPARE(observer.count, 0);
    QCOMPARE(first->json(), firstJson);
    QCOMPARE(second->json(), secondJson);
    m_panel->changeCommandData();
    QCOMPARE(actionOf(*second).value("motor").toString(), QString("M2"));
    QCOMPARE(actionOf(*second).value("side").toString(), QString("0"));
    first->detach(&observer);
}

void tst_PropertyPanel::servoRowsKeptAcrossReloads()
{
    auto command = PanelFixture::rowCommand(
        "mServowork", parse(R"({"servos": [{"pin": "D3", "angle": 30}], "timer": 0, "time": 0})"),
        QJsonObject{{"type", "always"}});
    m_panel->setCommand(command.get());
    ServosWidget *servos = m_panel->inputsWidget()->servosWidget();
    const QList<ServoWidget *> rows = servos->rows();
    QCOMPARE(rows.size(), 2);
    QCOMPARE(rows.at(0)->pinLabel(), QString("D3"));
    QCOMPARE(rows.at(1)->pinLabel(), QString("D9"));
    QVERIFY(rows.at(0)->isSelected());
    QVERIFY(!rows.at(1)->isSelected());

    auto other = PanelFixture::rowCommand(
        "mServowork", parse(R"({"servos": [{"pin": "D9", "angle": 120}], "timer": 0, "time": 0})"),
        QJsonObject{{"type", "always"}});
    m_panel->setCommand(other.get());
    QCOMPARE(servos->rows(), rows);
    QVERIFY(!rows.at(0)->isSelected());
    QVERIFY(rows.at(1)->isSelected());
    QCOMPARE(rows.at(1)->slider()->valueText(), QString("120"));

    // Unselecting the servo removes it from the list.
    QTest::mouseClick(rows.at(1)->toggle(), Qt::LeftButton);
    QCOMPARE(actionOf(*other).value("servos").toArray(), QJsonArray{});
    QTest::mouseClick(rows.at(0)->toggle(), Qt::LeftButton);
    type(rows.at(0)->slider(), "33");
    QCOMPARE(actionOf(*other).value("servos").toArray(),
             (QJsonArray{QJsonObject{{"pin", "D3"}, {"angle", "33"}}}));
}

void tst_PropertyPanel::servoRowsFollowThePinSetUp()
{
    auto command =
        PanelFixture::rowCommand("mServowork", parse(R"({"servos": [], "timer": 0, "time": 0})"),
                                 QJsonObject{{"type", "always"}});
    m_panel->setCommand(command.get());
    QCOMPARE(m_panel->inputsWidget()->servosWidget()->rows().size(), 2);

    QJsonObject configuration = PanelFixture::configuration();
    QJsonArray pins = configuration.value("pins").toArray();
    pins.append(QJsonObject{{"pinLbl", "D10"}, {"gadgetId", 20}});
    configuration.insert("pins", pins);
    AppContext::instance().readConfiguration(configuration);
    m_panel->reload();
    const QList<ServoWidget *> rows = m_panel->inputsWidget()->servosWidget()->rows();
    QCOMPARE(rows.size(), 3);
    QCOMPARE(rows.at(2)->pinLabel(), QString("D10"));
}

void tst_PropertyPanel::singleServoRow()
{
    Command command = Command::fromMenuEntry(QJsonObject{{"Command", "mServowork"},
                                                         {"Picture", "empty"},
                                                         {"OutputGroup", QJsonArray{"Servo"}},
                                                         {"Inputs", QJsonArray{"servo"}}});
    AppContext::instance().setCommandMap({{"mServowork", &command}});
    AppContext::instance().readConfiguration(PanelFixture::configuration());

    command.load(parse(R"({"conditions": {"type": "always"},
                           "action": {"command": "mServowork", "servo": "D9", "angle": 150}})"));
    m_panel->setCommand(&command);
    ServoWidget *row = m_panel->inputsWidget()->servoWidget();
    QVERIFY(!row->isHidden());
    QVERIFY(row->toggle()->isHidden());
    m_panel->changeCommandData();
    QCOMPARE(actionOf(command),
             parse(R"({"command": "mServowork", "servo": "D9", "angle": "150"})"));

    // A command without a servo takes the first servo of the pin set-up.
    command.load(parse(R"({"conditions": {"type": "always"},
                           "action": {"command": "mServowork", "servo": "", "angle": 0}})"));
    m_panel->setCommand(&command);
    m_panel->changeCommandData();
    QCOMPARE(actionOf(command), parse(R"({"command": "mServowork", "servo": "D3", "angle": "0"})"));

    // A servo the set-up no longer has is kept, not moved to another pin.
    command.load(parse(R"({"conditions": {"type": "always"},
                           "action": {"command": "mServowork", "servo": "D11", "angle": 20}})"));
    m_panel->setCommand(&command);
    m_panel->changeCommandData();
    QCOMPARE(actionOf(command),
             parse(R"({"command": "mServowork", "servo": "D11", "angle": "20"})"));

    m_panel->hideEditors();
    AppContext::instance().setCommandMap(LanguageCatalog::instance().current()->commandMap());
}

void tst_PropertyPanel::pictureFromShorterArray()
{
    QJsonArray full;
    for (int i = 0; i < 64; ++i)
        full.append("1");
    auto lit = PanelFixture::rowCommand("mMatrix", QJsonObject{{"pict", full}},
                                        QJsonObject{{"type", "always"}});
    m_panel->setCommand(lit.get());
    PictureWidget *picture = m_panel->inputsWidget()->pictureWidget();
    QVERIFY(picture->cell(63)->isChecked());

    auto shortPicture = PanelFixture::rowCommand(
        "mMatrix", parse(R"({"pict": [1, "0", "1", 0, 2, "x", 1, 1, 1, 1]})"),
        QJsonObject{{"type", "always"}});
    m_panel->setCommand(shortPicture.get());
    const QString expected = "1010101111" + QString(54, '0');
    QString shown;
    for (int i = 0; i < 64; ++i)
        shown += picture->cell(i)->isChecked() ? '1' : '0';
    QCOMPARE(shown, expected);

    auto textPicture = PanelFixture::rowCommand(
        "mMatrix", QJsonObject{{"pict", "[0,0,0,0,0,0,0,0]"}}, QJsonObject{{"type", "always"}});
    m_panel->setCommand(textPicture.get());
    m_panel->changeCommandData();
    const QJsonArray written = actionOf(*textPicture).value("pict").toArray();
    QCOMPARE(written.size(), 64);
    for (const QJsonValue &cell : written)
        QCOMPARE(cell.toString(), QString("0"));

    // A click sets the cell in the command: row 1, column 2 is cell 10.
    QTest::mouseClick(picture->cell(10), Qt::LeftButton);
    QCOMPARE(actionOf(*textPicture).value("pict").toArray().at(10).toString(), QString("1"));
}

void tst_PropertyPanel::melodyEditing()
{
    auto command = PanelFixture::rowCommand("mMusic", parse(R"({"tempo": "90", "sounds": "[]"})"),
                                            QJsonObject{{"type", "always"}});
    m_panel->setCommand(command.get());
    MusicWidget *music = m_panel->inputsWidget()->musicWidget();
    QCOMPARE(music->noteList()->count(), 0);

    type(music->octaveSlider(), "2");
    QTest::mouseClick(music->lengthButton(3), Qt::LeftButton); // pianobeat73: length 2
    QTest::mouseClick(music->keyboard()->key("D#"), Qt::LeftButton);
    QCOMPARE(music->noteList()->count(), 1);
    QCOMPARE(music->noteList()->item(0)->text(), QString("D# 2 2"));
    // Playing mode keeps no key marked.
    QVERIFY(!music->keyboard()->key("D#")->isKeySelected());

    QTest::mouseClick(music->lengthButton(5), Qt::LeftButton); // pianobeat75: length 12
    QTest::mouseClick(music->pauseButton(), Qt::LeftButton);
    QTest::mouseClick(music->keyboard()->key("A"), Qt::LeftButton);
    QCOMPARE(music->noteList()->item(1)->text(), QString("0 12"));
    QCOMPARE(music->noteList()->item(2)->text(), QString("A 2 12"));
    type(music->tempoSlider(), "150");

    QCOMPARE(actionOf(*command), parse(R"({"command": "mMusic", "tempo": 150, "sounds": [
                         {"note": "D#", "octave": "2", "length": "2"},
                         {"note": "0", "length": "12"},
                         {"note": "A", "octave": "2", "length": "12"}]})"));

    // Without a current row the last note goes; otherwise the current one.
    music->noteList()->setCurrentRow(-1);
    QTest::mouseClick(music->deleteButton(), Qt::LeftButton);
    QCOMPARE(music->noteList()->count(), 2);
    QCOMPARE(music->noteList()->item(1)->text(), QString("0 12"));
    music->noteList()->setCurrentRow(0);
    QTest::mouseClick(music->deleteButton(), Qt::LeftButton);
    QCOMPARE(actionOf(*command).value("sounds").toArray(),
             (QJsonArray{QJsonObject{{"note", "0"}, {"length", "12"}}}));
    music->noteList()->setCurrentRow(-1);
    QTest::mouseClick(music->deleteButton(), Qt::LeftButton);
    QTest::mouseClick(music->deleteButton(), Qt::LeftButton);
    QCOMPARE(actionOf(*command).value("sounds").toArray(), QJsonArray{});
}

void tst_PropertyPanel::soundKeyboardSelection()
{
    auto command = PanelFixture::rowCommand("mSound", parse(R"({"note": "C", "octave": 3,
                                                                  "time": 1})"),
                                            QJsonObject{{"type", "always"}});
    m_panel->setCommand(command.get());
    PianoKeybord *keyboard = m_panel->inputsWidget()->soundWidget()->keyboard();
    QVERIFY(keyboard->key("C")->isKeySelected());
    QVERIFY(!keyboard->key("C")->isBlack());
    QVERIFY(keyboard->key("C#")->property("isBlack").toBool());

    QTest::mouseClick(keyboard->key("F#"), Qt::LeftButton);
    QVERIFY(!keyboard->key("C")->isKeySelected());
    QVERIFY(keyboard->key("F#")->isKeySelected());
    QCOMPARE(actionOf(*command).value("note").toString(), QString("F#"));

    // A code that names no key is kept but changes no key's look.
    auto odd = PanelFixture::rowCommand("mSound", parse(R"({"note": "H", "octave": 3, "time": 1})"),
                                        QJsonObject{{"type", "always"}});
    m_panel->setCommand(odd.get());
    QVERIFY(keyboard->key("F#")->isKeySelected());
    QCOMPARE(actionOf(*odd).value("note").toString(), QString("H"));
}

void tst_PropertyPanel::hideEditorsLetsGoOfTheCommand()
{
    auto command = PanelFixture::rowCommand("m_stop", QJsonObject{{"brake", 1}},
                                            QJsonObject{{"type", "always"}});
    m_panel->setCommand(command.get());
    QCOMPARE(m_panel->command(), command.get());
    m_panel->hideEditors();
    QVERIFY(!m_panel->command());
    QVERIFY(m_panel->inputsWidget()->brakeWidget()->isHidden());
    // The command may be gone now; a reload must not touch it.
    command.reset();
    m_panel->reload();
    QVERIFY(m_panel->inputsWidget()->brakeWidget()->isHidden());
}

void tst_PropertyPanel::editorsFitThePanel_data()
{
    QTest::addColumn<QString>("language");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QJsonObject>("command");

    QList<std::tuple<QString, QString, QJsonObject>> states;

    states.append(
        {"timed drive with a condition", "m_fwd", parse(R"({"conditions": {"type": "and", "data": [
                        {"pin": "D7", "equation": "equals", "level": "1"},
                        {"pin": "A0", "equation": "inside", "level": "40", "level2": "90"}]},
                     "action": {"command": "m_fwd", "speed": 70, "timer": 1, "time": 2.5,
                                "brake": 1}})")});
    states.append({"servos", "mServowork", parse(R"({"conditions": {"type": "single", "data": [
                                            {"equation": "counter", "level": "3"}]},
                                         "action": {"command": "mServowork", "servos": [
                                            {"pin": "D9", "angle": 45}], "timer": 0,
                                            "time": 0}})")});
    states.append({"melody", "mMusic", parse(R"({"conditions": {"type": "always"},
                                         "action": {"command": "mMusic", "tempo": 120,
                                            "sounds": [{"note": "E", "octave": 4, "length": 8},
                                                       {"note": "0", "length": 4},
                                                       {"note": "G#", "octave": 3,
                                                        "length": 16}]}})")});
    states.append({"picture", "mMatrix", parse(R"({"conditions": {"type": "always"},
                                          "action": {"command": "mMatrix", "pict": [
                                            0,0,1,1,1,1,0,0, 0,1,0,0,0,0,1,0,
                                            1,0,1,0,0,1,0,1, 1,0,0,0,0,0,0,1,
                                            1,0,1,0,0,1,0,1, 1,0,0,1,1,0,0,1,
                                            0,1,0,0,0,0,1,0, 0,0,1,1,1,1,0,0]}})")});
    // Russian texts are longer; both languages must fit.
    for (const QString &language : LanguageCatalog::instance().languageNames()) {
        for (const auto &[tag, name, command] : states)
            QTest::addRow("%s %s", qPrintable(language), qPrintable(tag))
                << language << name << command;
    }
}

void tst_PropertyPanel::editorsFitThePanel()
{
    QFETCH(QString, language);
    QFETCH(QString, name);
    QFETCH(QJsonObject, command);

    if (LanguageCatalog::instance().currentLanguage() != language) {
        m_panel->hideEditors();
        QVERIFY(LanguageCatalog::instance().select(language));
        HardwareDescription *description = LanguageCatalog::instance().current();
        AppContext::instance().setCommandMap(description->commandMap());
        AppContext::instance().setGadgetMap(description->gadgetMap());
        AppContext::instance().setPinMap(description->pinMap());
        AppContext::instance().readConfiguration(PanelFixture::configuration());
        m_panel->renewTexts();
    }

    // The panel's place in a 1366 x 768 main window.
    m_panel->resize(400, 650);
    auto row = PanelFixture::rowCommand(name, command);
    m_panel->setCommand(row.get());
    QCoreApplication::processEvents();
    QWidget *content = m_panel->widget();
    content->adjustSize();
    QCoreApplication::processEvents();
    QVERIFY(content->width() <= 360);

    // Nothing the editors show may stick out of the column or overlap a sibling.
    const QRect column(QPoint(0, 0), content->size());
    for (QWidget *child : content->findChildren<QWidget *>()) {
        if (!child->isVisible() || child->width() <= 1 || child->height() <= 1)
            continue;
        const QRect box(child->mapTo(content, QPoint(0, 0)), child->size());
        QVERIFY2(column.contains(box), qPrintable(child->metaObject()->className()));
    }
    for (QWidget *editor : m_panel->inputsWidget()->findChildren<RightMenuInputsWidget *>(
             QString(), Qt::FindDirectChildrenOnly)) {
        if (!editor->isVisible())
            continue;
        for (QWidget *other : m_panel->inputsWidget()->findChildren<RightMenuInputsWidget *>(
                 QString(), Qt::FindDirectChildrenOnly)) {
            if (other != editor && other->isVisible())
                QVERIFY(!editor->geometry().intersects(other->geometry()));
        }
    }

    // TAVIRO_PANEL_SHOTS names a folder for pictures of these states (screenshot script).
    const QString folder = qEnvironmentVariable("TAVIRO_PANEL_SHOTS");
    if (!folder.isEmpty()) {
        const QString file = QString(QTest::currentDataTag()).replace(' ', '_');
        // The panel is transparent; the main window's gradient lies behind its white texts.
        const auto onBackground = [](QWidget *widget) {
            QImage image(widget->size(), QImage::Format_ARGB32);
            QPainter painter(&image);
            QLinearGradient gradient(0, 0, 0, image.height());
            gradient.setColorAt(0, QColor(5, 46, 60));
            gradient.setColorAt(0.5, QColor(17, 80, 103));
            gradient.setColorAt(1, QColor(25, 104, 134));
            painter.fillRect(image.rect(), gradient);
            painter.drawPixmap(0, 0, widget->grab());
            return image;
        };
        QVERIFY(onBackground(m_panel).save(folder + "/panel_" + file + ".png"));
        QVERIFY(onBackground(content).save(folder + "/panel_" + file + "_full.png"));
    }
    m_panel->resize(420, 900);
}

QTEST_MAIN(tst_PropertyPanel)
#include "tst_propertypanel.moc"
