#include "appcontext.h"
#include "configtestdata.h"
#include "hardwaredescription.h"
#include "imagestore.h"

#include <QFontDatabase>
#include <QGuiApplication>
#include <QLoggingCategory>
#include <QTemporaryDir>
#include <QTest>

#include <stdexcept>

using namespace ConfigTestData;

class TestHardwareDescription : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void dictionary();
    void dimensions();
    void pins();
    void gadgets();
    void gadgetsForPin();
    void commandMenu();
    void topMenu();
    void publishes();
    void structuralErrors_data();
    void structuralErrors();
    void unreadableFile();
    void icons();
    void missingFontKeepsDefault();

private:
    std::unique_ptr<HardwareDescription> loadKit();
    QTemporaryDir m_dir;
};

void TestHardwareDescription::initTestCase()
{
    // The messages checked here are debug lines, which a default run leaves out.
    QLoggingCategory::setFilterRules(QStringLiteral("taviro.*.debug=true"));
    QVERIFY(m_dir.isValid());
    QVERIFY(writeJson(m_dir.filePath("kit/base.json"), kitDescription()));
}

std::unique_ptr<HardwareDescription> TestHardwareDescription::loadKit()
{
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("Cannot load font"));
    return std::make_unique<HardwareDescription>(m_dir.filePath("kit/base.json"));
}

void TestHardwareDescription::dictionary()
{
    const auto description = loadKit();
    QCOMPARE(description->language(), QStringLiteral("Kit"));
    QCOMPARE(description->text("ButtonRun"), QStringLiteral("Run"));
    QCOMPARE(description->text("Empty"), QString());
    QCOMPARE(description->text("NotText"), QString());
    QTest::ignoreMessage(QtDebugMsg, "No string for buttonrun");
    QCOMPARE(description->text("buttonrun"), QStringLiteral("No key"));
}

void TestHardwareDescription::dimensions()
{
    const auto description = loadKit();
    const QMap<QString, int> &dimensions = description->dimensions();
    QCOMPARE(dimensions.value("Width"), 33);
    QCOMPARE(dimensions.value("Half", -1), 0);
    QCOMPARE(dimensions.value("Text", -1), 0);
}

void TestHardwareDescription::pins()
{
    const auto description = loadKit();
    const QList<PinInfo> &pins = description->pins();
    QCOMPARE(pins.size(), 3);
    QVERIFY(pins[0].visible);
    QVERIFY(!pins[1].visible); // a JSON true is not 1
    QVERIFY(!pins[2].visible);
    QCOMPARE(pins[0].defaultValue, 3);
    QCOMPARE(pins[1].relX, 0.5f);
    QCOMPARE(pins[1].relY, 0.5f);
    QCOMPARE(pins[1].scaledPosition(301, 99), QPoint(150, 49));
    QCOMPARE(description->pinByLabel("D14").name, QStringLiteral("A0"));
    QCOMPARE(description->pinByLabel("A0"), description->pinByLabel("D14"));
    QVERIFY(!description->pinByLabel("D3").isValid());
}

void TestHardwareDescription::gadgets()
{
    const auto description = loadKit();
    const QMap<int, GadgetInfo> &gadgets = description->gadgetMap();
    QCOMPARE(gadgets.size(), 7);
    QCOMPARE(gadgets[1].kind, int(GadgetInfo::Input));
    QCOMPARE(gadgets[1].types, QStringList({"Digital"}));
    QCOMPARE(gadgets[1].picture, QStringLiteral("button.svg"));
    QCOMPARE(gadgets[40].kind, int(GadgetInfo::Output));
    QCOMPARE(gadgets[40].calibr, 100);
    QCOMPARE(gadgets[40].calibrName, QStringLiteral("Power"));
    QCOMPARE(gadgets[41].calibr, 0); // an output's number reads as 0
    QCOMPARE(gadgets[20].calibr, 5);
    QCOMPARE(gadgets[60].kind, int(GadgetInfo::Group));
    QCOMPARE(gadgets[60].calibr, 5);
    QCOMPARE(description->outputs().size(), 4);
    QCOMPARE(description->groups().size(), 1);
    QCOMPARE(description->inputs().size(), 2);
}

void TestHardwareDescription::gadgetsForPin()
{
    const auto description = loadKit();
    auto ids = [&](const QString &label) {
        QList<int> list;
        for (const GadgetInfo &gadget : description->gadgetsForPin(description->pinByLabel(label)))
            list.append(gadget.id);
        return list;
    };
    QCOMPARE(ids("D2"), QList<int>({1, 20, 30, 60}));
    QCOMPARE(ids("D5"), QList<int>({40, 41, 20, 60}));
    QCOMPARE(ids("A0"), QList<int>({1, 11, 30, 60})); // "D14" and "A0" are one pin
    QCOMPARE(ids("nowhere"), QList<int>());
}

void TestHardwareDescription::commandMenu()
{
    const auto description = loadKit();
    const QList<Command *> commands = description->commands();
    QCOMPARE(commands.size(), 4);
    QCOMPARE(commands[0]->name(), QStringLiteral("mrall"));
    QCOMPARE(commands[2]->offIcon(), QStringLiteral("servo_off.svg"));
    // The map keeps the later entry of a name; the list keeps both.
    QCOMPARE(description->commandMap().size(), 3);
    QCOMPARE(description->commandMap().value("mrall"), commands[3]);
    QCOMPARE(commands[3]->toolTip(), QStringLiteral("second"));
}

void TestHardwareDescription::topMenu()
{
    const auto description = loadKit();
    const QList<TopMenuButton> &buttons = description->topMenuButtons();
    QCOMPARE(buttons.size(), 2);
    QCOMPARE(buttons[0].command, QStringLiteral("write"));
    QCOMPARE(buttons[0].toolTip, QStringLiteral("Write"));
    QCOMPARE(buttons[0].onIcon, QStringLiteral("top_write_on.svg"));
    QCOMPARE(buttons[0].disabledIcon, QStringLiteral("top_write_disable.svg"));
    QCOMPARE(buttons[1].onIcon, QStringLiteral("a.svg"));
    QCOMPARE(buttons[1].offIcon, QStringLiteral("b.svg"));
    QCOMPARE(buttons[1].disabledIcon, QStringLiteral("c.svg"));
}

void TestHardwareDescription::publishes()
{
    AppContext &context = AppContext::instance();
    {
        const auto description = loadKit();
        QCOMPARE(context.description(), description.get());
        QCOMPARE(context.text("ButtonRun"), QStringLiteral("Run"));
        QCOMPARE(context.dimension("Width", 1), 33);
        QCOMPARE(context.pinByLabel("D14").name, QStringLiteral("A0"));
        QCOMPARE(context.gadgetMap().size(), 7);
        QCOMPARE(context.commandMap(), description->commandMap());
        QCOMPARE(context.imageStore().folderPath(), description->folderPath());
    }
    // Nothing of a destroyed description stays reachable.
    QCOMPARE(context.description(), nullptr);
    QCOMPARE(context.text("ButtonRun"), QStringLiteral("No dict"));
    QCOMPARE(context.dimension("Width", 1), 1);
    QVERIFY(context.commandMap().isEmpty());
}

void TestHardwareDescription::structuralErrors_data()
{
    QTest::addColumn<QByteArray>("json");
    QTest::addColumn<QString>("error");
    QTest::newRow("no language") << QByteArray(R"({"CommandMenu": {"Buttons": []}})")
                                 << "does not contain configuration name";
    QTest::newRow("not json") << QByteArray("{ nope") << "does not contain configuration name";
    QTest::newRow("no command menu")
        << QByteArray(R"({"Language": "x", "MainMenu": {"Buttons": []}})")
        << "Config not contains CommandMenu";
    QTest::newRow("no command buttons")
        << QByteArray(R"({"Language": "x", "CommandMenu": {}, "MainMenu": {"Buttons": []}})")
        << "Config not containts CommandMenu:Buttons";
    QTest::newRow("no main menu") << QByteArray(
                                         R"({"Language": "x", "CommandMenu": {"Buttons": []}})")
                                  << "Config not contains MainMenu";
    QTest::newRow("no main buttons")
        << QByteArray(R"({"Language": "x", "CommandMenu": {"Buttons": []}, "MainMenu": {}})")
        << "Config not containts MainMenu:Buttons";
}

void TestHardwareDescription::structuralErrors()
{
    QFETCH(QByteArray, json);
    QFETCH(QString, error);
    const QString path =
        m_dir.filePath(QStringLiteral("broken/%1/base.json").arg(QTest::currentDataTag()));
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(json);
    file.close();

    const bool languageError = error.startsWith("does not");
    const QString message = languageError ? path + " " + error : error;
    QTest::ignoreMessage(languageError ? QtDebugMsg : QtCriticalMsg, message.toUtf8());
    try {
        HardwareDescription description(path);
        QFAIL("no error raised");
    } catch (const std::runtime_error &raised) {
        QCOMPARE(QString::fromUtf8(raised.what()), message);
    }
    // A failed load leaves nothing dangling in the context.
    QCOMPARE(AppContext::instance().description(), nullptr);
    QCOMPARE(AppContext::instance().text("ButtonRun"), QStringLiteral("No dict"));
}

void TestHardwareDescription::unreadableFile()
{
    const QString path = m_dir.filePath("missing/base.json");
    QTest::ignoreMessage(QtCriticalMsg, QStringLiteral("Cannot open file %1").arg(path).toUtf8());
    HardwareDescription description(path);
    QVERIFY(description.commands().isEmpty());
    QVERIFY(description.pins().isEmpty());
    QVERIFY(description.language().isEmpty());
}

void TestHardwareDescription::icons()
{
    const auto description = loadKit();
    QFile image(m_dir.filePath("kit/images/dot.svg"));
    QVERIFY(QDir().mkpath(m_dir.filePath("kit/images")));
    QVERIFY(image.open(QIODevice::WriteOnly));
    image.write(
        R"(<svg xmlns="http://www.w3.org/2000/svg" width="10" height="10"><circle cx="5" cy="5" r="4"/></svg>)");
    image.close();

    AppContext &context = AppContext::instance();
    QVERIFY(!context.icon("dot.svg").isNull());
    for (const char *name : {"empty", "empty_on.svg", "empty_off.svg", "empty_disable.svg"}) {
        const QIcon icon = context.icon(name);
        QVERIFY(!icon.isNull());
        const QImage pixels = icon.pixmap(10, 10).toImage();
        QCOMPARE(pixels.size(), QSize(10, 10));
        QCOMPARE(qAlpha(pixels.pixel(5, 5)), 0);
    }
    const QString missing = m_dir.filePath("kit/images/none.svg");
    QTest::ignoreMessage(QtDebugMsg, ("Not found picture file: " + missing).toUtf8());
    QVERIFY(context.icon("none.svg").isNull());

    // Before a language is chosen there are no images to look for, and nothing to complain of.
    static QStringList messages;
    messages.clear();
    const QtMessageHandler previous = qInstallMessageHandler(
        [](QtMsgType, const QMessageLogContext &, const QString &text) { messages << text; });
    const ImageStore none{QString()};
    const bool isNull = none.icon(QStringLiteral("prop_scroll.svg")).isNull();
    qInstallMessageHandler(previous);
    QVERIFY(isNull);
    QCOMPARE(messages, QStringList());
}

void TestHardwareDescription::missingFontKeepsDefault()
{
    const QFont before = QGuiApplication::font();
    const auto description = loadKit();
    QCOMPARE(QGuiApplication::font(), before);
}

QTEST_MAIN(TestHardwareDescription)
#include "tst_hardwaredescription.moc"
