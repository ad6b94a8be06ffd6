#include "bluetoothconfigurationwidget.h"
#include "calibrationwidget.h"
#include "clickableroundlabel.h"
#include "configurationwidget.h"
#include "gadgetcomboboxmodel.h"
#include "hardwaredescription.h"
#include "pinconfigurationwidget.h"
#include "rightmenucombobox.h"
#include "setupfixture.h"

#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QMessageBox>
#include <QScreen>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTest>
#include <QTimer>

// The pins and calibration pages of the settings dialog against a small test board.
class tst_ConfigurationWidget : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();

    void tabsAndPins();
    void gadgetChoicesOfAPin();
    void labelChosenForAGadget_data();
    void labelChosenForAGadget();
    void groupSpreadsAndClears_data();
    void groupSpreadsAndClears();
    void servoRowDeletedAndRecreated();
    void motorRowFollowsGadget40();
    void motorOnTwoPinsKeepsItsRow();
    void saveWritesTheContext();
    void saveKeepsMotorUnsetWithoutRow();
    void exitWithoutSaveKeepsTheContext();
    void loadShowsSavedValues();
    void loadSkipsUnknownPins();
    void openingFollowsMaximizeType();
    void everyGadgetNameFits();

private:
    // Chooses a gadget the way the user does, through the combo box.
    static void choose(ConfigurationWidget &dialog, const QString &pin, int gadgetId);
    static QStringList pinsHolding(const ConfigurationWidget &dialog, int gadgetId);

    std::unique_ptr<SetupFixture> m_fixture;
};

void tst_ConfigurationWidget::initTestCase()
{
    m_fixture = std::make_unique<SetupFixture>();
}

void tst_ConfigurationWidget::cleanupTestCase()
{
    m_fixture.reset();
}

void tst_ConfigurationWidget::init()
{
    AppContext::instance().readConfiguration({});
    AppContext::instance().store().setDeviceText(QString());
}

void tst_ConfigurationWidget::choose(ConfigurationWidget &dialog, const QString &pin, int gadgetId)
{
    PinConfigurationWidget *widget = dialog.pinWidget(pin);
    QVERIFY2(widget, qPrintable(pin));
    const int row =
        static_cast<GadgetComboBoxModel *>(widget->comboBox()->model())->rowOfGadget(gadgetId);
    QVERIFY2(row >= 0, qPrintable(QStringLiteral("%1 on %2").arg(gadgetId).arg(pin)));
    widget->comboBox()->setCurrentIndex(row);
}

QStringList tst_ConfigurationWidget::pinsHolding(const ConfigurationWidget &dialog, int gadgetId)
{
    QStringList pins;
    for (const PinConfigurationWidget *widget : dialog.pinWidgets()) {
        if (widget->gadgetId() == gadgetId)
            pins.append(widget->pinName());
    }
    return pins;
}

void tst_ConfigurationWidget::tabsAndPins()
{
    ConfigurationWidget dialog;
    // The pin page is built when first needed, not with the dialog at start-up.
    QVERIFY(dialog.findChildren<PinConfigurationWidget *>().isEmpty());
    QCOMPARE(dialog.tabs()->count(), 3);
    QCOMPARE(dialog.tabs()->tabText(0), QStringLiteral("Pins"));
    QCOMPARE(dialog.tabs()->tabText(1), QStringLiteral("Calibration"));
    QCOMPARE(dialog.tabs()->tabText(2), QStringLiteral("Link"));
    QVERIFY(dialog.isWindow());
    QVERIFY(dialog.windowFlags().testFlag(Qt::FramelessWindowHint));
    QCOMPARE(dialog.windowModality(), Qt::ApplicationModal);
    QCOMPARE(dialog.minimumSize(), QSize(1366, 768));

    QCOMPARE(dialog.pinWidgets().size(), 11);
    QCOMPARE(dialog.pinWidgets().first()->pinName(), QStringLiteral("P2"));
    QCOMPARE(dialog.pinWidget("PA0")->labelWidget()->text(), QStringLiteral("A0,D14"));
    dialog.show();
    QVERIFY(dialog.pinWidget("P2")->isVisible());
    QVERIFY(!dialog.pinWidget("PX")->isVisible());
    QCOMPARE(dialog.groupPins("Matrix").size(), 3);
    QCOMPARE(dialog.groupPins("I2C bus").size(), 2);
    QVERIFY(dialog.motorRowNames().isEmpty());
    QVERIFY(dialog.servoRowNames().isEmpty());
}

void tst_ConfigurationWidget::gadgetChoicesOfAPin()
{
    ConfigurationWidget dialog;
    RightMenuComboBox *combo = dialog.pinWidget("P3")->comboBox();
    QStringList texts;
    QList<int> ids;
    for (int row = 0; row < combo->count(); ++row) {
        texts.append(combo->itemText(row));
        ids.append(combo->itemData(row, GadgetComboBoxModel::GadgetIdRole).toInt());
    }
    // None first, then inputs, outputs and groups in file order.
    QCOMPARE(texts, QStringList({"Nothing", "Button", "M2", "Servo", "LED"}));
    QCOMPARE(ids, QList<int>({-1, 1, 41, 20, 30}));
    QCOMPARE(combo->currentIndex(), 0);
    QCOMPARE(dialog.pinWidget("P3")->gadgetId(), -1);
    QCOMPARE(combo->maximumWidth(), 120);
    QCOMPARE(combo->minimumWidth(), 84);
}

void tst_ConfigurationWidget::labelChosenForAGadget_data()
{
    QTest::addColumn<QStringList>("labels");
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("type");
    QTest::addColumn<QString>("expected");

    const int none = -1;
    QTest::newRow("none: first label") << QStringList{"A0", "D14"} << none << ""
                                       << "A0";
    QTest::newRow("output: last D label")
        << QStringList{"A0", "D14"} << int(GadgetInfo::Output) << "Led"
        << "D14";
    QTest::newRow("group: last D label")
        << QStringList{"D3", "A3", "D17"} << int(GadgetInfo::Group) << "Matrix"
        << "D17";
    QTest::newRow("output without D label: first")
        << QStringList{"A6", "A7"} << int(GadgetInfo::Output) << "Led"
        << "A6";
    QTest::newRow("digital input: last D label")
        << QStringList{"A0", "D14"} << int(GadgetInfo::Input) << "Digital"
        << "D14";
    QTest::newRow("analog input: last A label")
        << QStringList{"A0", "D14"} << int(GadgetInfo::Input) << "Analog"
        << "A0";
    QTest::newRow("analog input without A label: first")
        << QStringList{"D2"} << int(GadgetInfo::Input) << "Analog"
        << "D2";
}

void tst_ConfigurationWidget::labelChosenForAGadget()
{
    QFETCH(QStringList, labels);
    QFETCH(int, kind);
    QFETCH(QString, type);
    QFETCH(QString, expected);

    PinInfo pin;
    pin.index = 0;
    pin.labels = labels;
    GadgetInfo gadget;
    if (kind >= 0) {
        gadget.id = 99;
        gadget.kind = kind;
        gadget.types = {type};
    }
    QCOMPARE(PinConfigurationWidget::labelFor(pin, gadget), expected);
}

void tst_ConfigurationWidget::groupSpreadsAndClears_data()
{
    // Steps of "pin=gadget id"; the expected pins holding the matrix (60) and the LED (30).
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QStringList>("matrixPins");
    QTest::addColumn<QStringList>("ledPins");

    const QStringList all{"P11", "P12", "P13"};
    QTest::newRow("matrix spreads") << QStringList{"P12=60"} << all << QStringList{};
    QTest::newRow("none on one pin clears all")
        << QStringList{"P12=60", "P13=-1"} << QStringList{} << QStringList{};
    QTest::newRow("LED replaces the matrix on one pin")
        << QStringList{"P11=60", "P12=30"} << QStringList{} << QStringList{"P12"};
    QTest::newRow("matrix over an LED") << QStringList{"P13=30", "P11=60"} << all << QStringList{};
    QTest::newRow("pins outside the group untouched")
        << QStringList{"P2=30", "P12=60", "P11=-1"} << QStringList{} << QStringList{"P2"};
    QTest::newRow("choosing the matrix again")
        << QStringList{"P11=60", "P13=-1", "P13=60"} << all << QStringList{};
}

void tst_ConfigurationWidget::groupSpreadsAndClears()
{
    QFETCH(QStringList, steps);
    QFETCH(QStringList, matrixPins);
    QFETCH(QStringList, ledPins);

    ConfigurationWidget dialog;
    for (const QString &step : steps) {
        const QStringList parts = step.split(QLatin1Char('='));
        choose(dialog, parts.at(0), parts.at(1).toInt());
    }
    QCOMPARE(pinsHolding(dialog, 60), matrixPins);
    QCOMPARE(pinsHolding(dialog, 30), ledPins);
    // The combo boxes show what the pins hold.
    for (const QString &pin : matrixPins)
        QCOMPARE(dialog.pinWidget(pin)->comboBox()->currentText(), QStringLiteral("Matrix"));
}

void tst_ConfigurationWidget::servoRowDeletedAndRecreated()
{
    ConfigurationWidget dialog;
    choose(dialog, "P9", 20);
    QCOMPARE(dialog.servoRowNames(), QStringList{"D9"});
    QCOMPARE(dialog.calibrationRow("D9")->value(), 100);
    QCOMPARE(dialog.calibrationRow("D9")->captionLabel()->text(), QStringLiteral("Servo zero D9"));

    dialog.calibrationRow("D9")->setLineInput(150);
    QCOMPARE(dialog.calibrationRow("D9")->value(), 150);

    choose(dialog, "P9", 30);
    QVERIFY(!dialog.calibrationRow("D9"));
    QVERIFY(dialog.servoRowNames().isEmpty());

    choose(dialog, "P9", 20);
    QCOMPARE(dialog.servoRowNames(), QStringList{"D9"});
    QCOMPARE(dialog.calibrationRow("D9")->value(), 100);

    // Values outside the range are clamped.
    dialog.calibrationRow("D9")->setLineInput(250);
    QCOMPARE(dialog.calibrationRow("D9")->value(), 200);
}

void tst_ConfigurationWidget::motorRowFollowsGadget40()
{
    ConfigurationWidget dialog;
    choose(dialog, "P9", 40);
    QCOMPARE(dialog.motorRowNames(), QStringList{"Motor1"});
    QVERIFY(dialog.servoRowNames().isEmpty());
    QCOMPARE(dialog.calibrationRow("Motor1")->captionLabel()->text(),
             QStringLiteral("Motor 1 power"));

    choose(dialog, "P3", 41);
    QCOMPARE(dialog.motorRowNames(), QStringList({"Motor1", "Motor2"}));

    choose(dialog, "P9", -1);
    QCOMPARE(dialog.motorRowNames(), QStringList{"Motor2"});

    QSignalSpy saved(&dialog, &ConfigurationWidget::saveConfigSignal);
    QVERIFY(QMetaObject::invokeMethod(&dialog, "save"));
    QCOMPARE(saved.count(), 1);
    AppContext &context = AppContext::instance();
    QCOMPARE(context.motor1(), AppContext::MotorNotSet);
    QCOMPARE(context.motor2(), 100);
    const QJsonObject configuration = context.writeConfiguration();
    QVERIFY(!configuration.contains("Motor1"));
    QCOMPARE(configuration.value("Motor2").toInt(), 100);
}

void tst_ConfigurationWidget::motorOnTwoPinsKeepsItsRow()
{
    ConfigurationWidget dialog;
    choose(dialog, "P5", 40);
    choose(dialog, "P9", 40);
    dialog.calibrationRow("Motor1")->setLineInput(120);
    // A second pin with the same motor starts the row afresh.
    QCOMPARE(dialog.calibrationRow("Motor1")->value(), 120);
    choose(dialog, "P5", 30);
    QCOMPARE(dialog.motorRowNames(), QStringList{"Motor1"});
    choose(dialog, "P9", -1);
    QVERIFY(dialog.motorRowNames().isEmpty());
}

void tst_ConfigurationWidget::saveWritesTheContext()
{
    ConfigurationWidget dialog;
    dialog.loadConfiguration();
    choose(dialog, "P2", 1);   // digital input
    choose(dialog, "PA0", 30); // LED on the analog pin's digital label
    choose(dialog, "P5", 40);
    choose(dialog, "P9", 20);
    choose(dialog, "P12", 60);
    choose(dialog, "PA4", 50);
    dialog.calibrationRow("Motor1")->setLineInput(80);
    dialog.calibrationRow("D9")->setLineInput(130);
    const QString device = R"({ "Name":"Robo", "Address":"00:11:22:33:44:55" })";
    dialog.bluetoothPage()->setDevice(device);
    dialog.show();

    QStringList order;
    connect(&dialog, &ConfigurationWidget::exitSignal, this, [&] { order << "exit"; });
    connect(&dialog, &ConfigurationWidget::saveConfigSignal, this, [&] { order << "save"; });
    QSignalSpy settings(&dialog, &ConfigurationWidget::settingsChanged);
    QTest::mouseClick(dialog.saveButton(), Qt::LeftButton);

    QCOMPARE(order, QStringList({"exit", "save"}));
    QCOMPARE(settings.count(), 1);
    AppContext &context = AppContext::instance();
    QCOMPARE(settings.at(0).at(0).toInt(), int(context.gadgetFlags()));
    QCOMPARE(context.gadgetFlags(), quint32(0x1 | 0x4 | 0x20 | 0x10 | 0x8000));
    QVERIFY(!dialog.isVisible());
    QCOMPARE(context.i2cFlag(), 1);

    QStringList saved;
    for (const PinAssignment &assignment : context.pinAssignments())
        saved << QStringLiteral("%1:%2:%3")
                     .arg(assignment.pinLabel, assignment.pinName)
                     .arg(assignment.gadget.id);
    QCOMPARE(saved, QStringList({"D2:P2:1", "D5:P5:40", "D9:P9:20", "D11:P11:60", "D12:P12:60",
                                 "D13:P13:60", "D14:PA0:30", "D18:PA4:50", "D19:PA5:50"}));
    QCOMPARE(context.motor1(), 80);
    QCOMPARE(context.motor2(), AppContext::MotorNotSet);
    QCOMPARE(context.servoCalibrations(), QList<ServoCalibration>({{"D9", 130}}));
    QCOMPARE(context.store().deviceText(), device);

    // Removing the I2C group clears the flag at the next save.
    choose(dialog, "PA5", -1);
    QVERIFY(QMetaObject::invokeMethod(&dialog, "save"));
    QCOMPARE(context.i2cFlag(), 0);
    QCOMPARE(context.gadgetFlags() & 0x8000, 0u);
}

void tst_ConfigurationWidget::saveKeepsMotorUnsetWithoutRow()
{
    AppContext::instance().readConfiguration(QJsonObject{
        {"pins", QJsonArray{QJsonObject{{"pinLbl", "D5"}, {"gadgetId", 40}}}}, {"Motor1", 90}});
    ConfigurationWidget dialog;
    dialog.loadConfiguration();
    QCOMPARE(dialog.calibrationRow("Motor1")->value(), 90);
    choose(dialog, "P5", -1);
    QVERIFY(QMetaObject::invokeMethod(&dialog, "save"));
    QCOMPARE(AppContext::instance().motor1(), AppContext::MotorNotSet);
    QVERIFY(AppContext::instance().pinAssignments().isEmpty());
}

void tst_ConfigurationWidget::exitWithoutSaveKeepsTheContext()
{
    AppContext &context = AppContext::instance();
    const QJsonObject configuration{
        {"pins", QJsonArray{QJsonObject{{"pinLbl", "D9"}, {"gadgetId", 20}},
                            QJsonObject{{"pinLbl", "D11"}, {"gadgetId", 60}},
                            QJsonObject{{"pinLbl", "D12"}, {"gadgetId", 60}},
                            QJsonObject{{"pinLbl", "D13"}, {"gadgetId", 60}}}},
        {"servocalibr", QJsonArray{QJsonObject{{"pin", "D9"}, {"zero", 110}}}}};
    context.readConfiguration(configuration);
    context.store().setDeviceText(R"({ "Name":"Robo", "Address":"00:11:22:33:44:55" })");
    const QJsonObject before = context.writeConfiguration();

    ConfigurationWidget dialog;
    dialog.loadConfiguration();
    dialog.show();
    choose(dialog, "P9", 30);
    choose(dialog, "P13", -1);
    choose(dialog, "P5", 40);
    QSignalSpy exits(&dialog, &ConfigurationWidget::exitSignal);
    QSignalSpy saves(&dialog, &ConfigurationWidget::saveConfigSignal);
    // Back asks before it drops the changes: Cancel stays, Discard goes.
    for (const QMessageBox::StandardButton answer : {QMessageBox::Cancel, QMessageBox::Discard}) {
        QTimer::singleShot(0, this, [answer] {
            if (auto *question = qobject_cast<QMessageBox *>(QApplication::activeModalWidget()))
                question->button(answer)->click();
        });
        QTest::mouseClick(dialog.exitButton(), Qt::LeftButton);
        QCOMPARE(dialog.isVisible(), answer == QMessageBox::Cancel);
    }

    QCOMPARE(exits.count(), 1);
    QCOMPARE(saves.count(), 0);
    QVERIFY(!dialog.isVisible());
    QCOMPARE(context.writeConfiguration(), before);
    QCOMPARE(context.store().deviceText(), R"({ "Name":"Robo", "Address":"00:11:22:33:44:55" })");

    // Opening again shows the saved state.
    dialog.loadConfiguration();
    QCOMPARE(pinsHolding(dialog, 20), QStringList{"P9"});
    QCOMPARE(pinsHolding(dialog, 60), QStringList({"P11", "P12", "P13"}));
    QCOMPARE(pinsHolding(dialog, 40), QStringList{});
    QVERIFY(dialog.motorRowNames().isEmpty());
    QCOMPARE(dialog.servoRowNames(), QStringList{"D9"});
    QCOMPARE(dialog.calibrationRow("D9")->value(), 110);
}

void tst_ConfigurationWidget::loadShowsSavedValues()
{
    AppContext::instance().readConfiguration(
        QJsonObject{{"pins", QJsonArray{QJsonObject{{"pinLbl", "D3"}, {"gadgetId", 20}},
                                        QJsonObject{{"pinLbl", "D9"}, {"gadgetId", 40}}}},
                    {"Motor1", 70},
                    {"Motor2", 140}, // no pin carries motor 2: the saved value still shows
                    {"servocalibr", QJsonArray{QJsonObject{{"pin", "D3"}, {"zero", 30}},
                                               QJsonObject{{"pin", "D20"}, {"zero", 170}}}}});
    ConfigurationWidget dialog;
    dialog.loadConfiguration();
    QCOMPARE(dialog.motorRowNames(), QStringList({"Motor1", "Motor2"}));
    QCOMPARE(dialog.calibrationRow("Motor1")->value(), 70);
    QCOMPARE(dialog.calibrationRow("Motor2")->value(), 140);
    QCOMPARE(dialog.servoRowNames(), QStringList({"D3", "D20"}));
    QCOMPARE(dialog.calibrationRow("D3")->value(), 30);
    QCOMPARE(dialog.calibrationRow("D20")->value(), 170);

    // Saving unchanged gives back what was loaded.
    const QJsonObject before = AppContext::instance().writeConfiguration();
    QVERIFY(QMetaObject::invokeMethod(&dialog, "save"));
    QCOMPARE(AppContext::instance().writeConfiguration(), before);

    // A second load starts from a clean slate.
    AppContext::instance().readConfiguration({});
    dialog.loadConfiguration();
    QVERIFY(dialog.motorRowNames().isEmpty());
    QVERIFY(dialog.servoRowNames().isEmpty());
    QCOMPARE(pinsHolding(dialog, -1).size(), 11);
}

void tst_ConfigurationWidget::loadSkipsUnknownPins()
{
    AppContext::instance().readConfiguration(QJsonObject{
        {"pins", QJsonArray{QJsonObject{{"pinLbl", "D77"}, {"gadgetId", 30}},
                            QJsonObject{{"pinLbl", "D2"}, {"gadgetId", 40}}, // not allowed there
                            QJsonObject{{"pinLbl", "D3"}, {"gadgetId", 30}}}}});
    ConfigurationWidget dialog;
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("cannot sit on pin"));
    dialog.loadConfiguration();
    QCOMPARE(pinsHolding(dialog, 30), QStringList{"P3"});
    QCOMPARE(pinsHolding(dialog, 40), QStringList{});
}

void tst_ConfigurationWidget::openingFollowsMaximizeType()
{
    // The test board has no "MaximizeType": full screen, with the saved configuration loaded.
    AppContext::instance().readConfiguration(
        QJsonObject{{"pins", QJsonArray{QJsonObject{{"pinLbl", "D9"}, {"gadgetId", 20}}}}});
    ConfigurationWidget dialog;
    dialog.openDialog();
    QVERIFY(dialog.isVisible());
    QVERIFY(dialog.windowState().testFlag(Qt::WindowFullScreen));
    QCOMPARE(pinsHolding(dialog, 20), QStringList{"P9"});
    // A screen smaller than the dialog is made for (the test screen is) still shows all of it.
    const QSize screen = dialog.screen()->availableGeometry().size();
    QVERIFY(screen.width() < 1366 || screen.height() < 768);
    QCOMPARE(dialog.minimumSize(), QSize(1366, 768).boundedTo(screen));

    QMap<QString, int> dimensions{{"MaximizeType", 2}};
    AppContext::instance().setDimensions(&dimensions);
    ConfigurationWidget maximized;
    maximized.openDialog();
    AppContext::instance().setDimensions(&m_fixture->description()->dimensions());
    QVERIFY(maximized.windowState().testFlag(Qt::WindowMaximized));
    QVERIFY(!maximized.windowState().testFlag(Qt::WindowFullScreen));
}

void tst_ConfigurationWidget::everyGadgetNameFits()
{
    for (const QString folder : {"01_English", "02_Russian"}) {
        const QString path =
            QCoreApplication::applicationDirPath() + "/Languages/" + folder + "/base.json";
        if (!QFile::exists(path))
            QSKIP("no shipped Languages folder beside the test program");
        HardwareDescription shipped(path);
        ConfigurationWidget dialog;
        const QList<PinConfigurationWidget *> pins = dialog.pinWidgets();
        dialog.ensurePolished();
        // A box asks for the width of its longest gadget name, with the picture and the arrow.
        for (const PinConfigurationWidget *pin : pins) {
            QVERIFY2(pin->comboBox()->sizeHint().width() <= pin->comboBox()->maximumWidth(),
                     qPrintable(folder + " " + pin->pinName()));
        }
        AppContext::instance().forgetDescription(&shipped);
    }
    m_fixture.reset();
    m_fixture = std::make_unique<SetupFixture>();
}

QTEST_MAIN(tst_ConfigurationWidget)
#include "tst_configurationwidget.moc"
