#include "dictionarykeys.h"
#include "dimensionkeys.h"
#include "hardwaredescription.h"
#include "imagenames.h"
#include "languagecatalog.h"

#include <QDir>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLoggingCategory>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QStandardPaths>
#include <QSvgRenderer>
#include <QTemporaryDir>
#include <QTest>

// Lints every language folder the build lays out beside the executables, so that a missing
// text, image or gadget fails the build instead of showing "No key" to a child.
class TestShippedData : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void catalog();
    void loads_data() { folders(); }
    void loads();
    void dictionary_data() { folders(); }
    void dictionary();
    void dimensions_data() { folders(); }
    void dimensions();
    void images_data() { folders(); }
    void images();
    void commandMenu_data() { folders(); }
    void commandMenu();
    void gadgets_data() { folders(); }
    void gadgets();
    void topMenu_data() { folders(); }
    void topMenu();
    void sameKitEverywhere_data() { folders(); }
    void sameKitEverywhere();
    void font_data() { folders(); }
    void font();
    void defaultProgram_data() { folders(); }
    void defaultProgram();
    void iconsMatchGenerator();

private:
    void folders();
    std::unique_ptr<HardwareDescription> load(const QString &folder);
    QString m_bin = QStringLiteral(TAVIRO_BIN_DIR);
    QStringList m_folders;
};

void TestShippedData::initTestCase()
{
    // Fonts are checked on their own; here the font line of every load is expected noise.
    QLoggingCategory::setFilterRules(QStringLiteral("taviro.config.debug=false"));
    const QDir languages(m_bin + "/Languages");
    QVERIFY2(languages.exists(), qPrintable(languages.path()));
    m_folders =
        languages.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase);
    QVERIFY(m_folders.size() >= 2);
}

void TestShippedData::folders()
{
    QTest::addColumn<QString>("folder");
    for (const QString &folder : std::as_const(m_folders))
        QTest::newRow(qPrintable(folder)) << m_bin + "/Languages/" + folder;
}

std::unique_ptr<HardwareDescription> TestShippedData::load(const QString &folder)
{
    return std::make_unique<HardwareDescription>(folder + "/base.json");
}

void TestShippedData::catalog()
{
    LanguageCatalog catalog(m_bin);
    QCOMPARE(catalog.languageNames(), QStringList({"English", "Русский"}));
    QVERIFY(catalog.select("Русский"));
    QVERIFY(catalog.current()->folderPath().endsWith("/02_Russian"));
}

void TestShippedData::loads()
{
    QFETCH(QString, folder);
    std::unique_ptr<HardwareDescription> description;
    try {
        description = load(folder);
    } catch (const std::exception &error) {
        QFAIL(error.what());
    }
    QVERIFY(!description->language().isEmpty());
    QVERIFY(!description->commands().isEmpty());
    QVERIFY(!description->pins().isEmpty());
    QVERIFY(!description->topMenuButtons().isEmpty());
}

void TestShippedData::dictionary()
{
    QFETCH(QString, folder);
    const auto description = load(folder);
    const QJsonObject dictionary = description->json().value("Dictionary").toObject();
    for (const QString &key : DictionaryKeys::all()) {
        QVERIFY2(dictionary.value(key).isString(), qPrintable("missing text: " + key));
        QVERIFY2(!dictionary.value(key).toString().trimmed().isEmpty(),
                 qPrintable("empty text: " + key));
    }
    // Every language offers the same keys, so a typo in one of them shows up here.
    const auto first = load(m_bin + "/Languages/" + m_folders.first());
    QCOMPARE(description->dictionary().keys(), first->dictionary().keys());
}

void TestShippedData::dimensions()
{
    QFETCH(QString, folder);
    const auto description = load(folder);
    const QJsonObject dimensions = description->json().value("Dimensions").toObject();
    for (const auto &[key, defaultValue] : DimensionKeys::all()) {
        const QJsonValue value = dimensions.value(key);
        QVERIFY2(value.isDouble() && value.toDouble() == value.toInt(),
                 qPrintable("dimension: " + key));
    }
    QVERIFY(description->dimensions().value("PinsPictureWidth") > 0);
    QVERIFY(description->dimensions().value("PinsPictureHeight") > 0);
}

void TestShippedData::images()
{
    QFETCH(QString, folder);
    const auto description = load(folder);
    QStringList names = ImageNames::singleFiles();
    for (const QString &stem : ImageNames::stems())
        names += ImageNames::stateFiles(stem);
    for (const Command *command : description->commands())
        names << command->onIcon() << command->offIcon() << command->disabledIcon();
    for (const TopMenuButton &button : description->topMenuButtons())
        names << button.onIcon << button.offIcon << button.disabledIcon;
    for (const GadgetInfo &gadget : description->gadgetMap())
        names << gadget.picture;

    const ImageStore &store = description->imageStore();
    for (const QString &name : std::as_const(names)) {
        if (ImageStore::isPlaceholderName(name))
            continue;
        QVERIFY2(!name.isEmpty(), "an image name is empty");
        const QString path = store.filePath(name);
        QVERIFY2(QFile::exists(path), qPrintable("missing image: " + name));
        QVERIFY2(QSvgRenderer(path).isValid(), qPrintable("not valid SVG: " + name));
        // Drawn through the icon the widgets use, the picture is not blank.
        const QImage pixels = store.icon(name).pixmap(48, 48).toImage();
        bool drawn = false;
        for (int y = 0; y < pixels.height() && !drawn; ++y) {
            for (int x = 0; x < pixels.width() && !drawn; ++x)
                drawn = qAlpha(pixels.pixel(x, y)) > 0;
        }
        QVERIFY2(drawn, qPrintable("blank icon: " + name));
    }
    // Nothing unusable lies in the folder either.
    const QDir images(folder + "/images");
    for (const QString &file : images.entryList(QDir::Files))
        QVERIFY2(QSvgRenderer(images.filePath(file)).isValid(),
                 qPrintable("not valid SVG: " + file));
}

void TestShippedData::commandMenu()
{
    QFETCH(QString, folder);
    const auto description = load(folder);
    const QStringList required = {"m_fwd",      "m_backward",  "m_left",    "m_right",
                                  "m_turnleft", "m_turnright", "m_bckleft", "m_bckright",
                                  "m_stop",     "mrall",       "mr1stop",   "mServowork",
                                  "mSetleds",   "mMatrix",     "mSound",    "mMusic",
                                  "mPause",     "mStartCycle", "mEndCycle", "call"};
    const QStringList inputs = {"subprogram", "timer", "brake", "motor", "servo", "servos", "led",
                                "picture",    "sound", "piano", "side",  "speed", "pause"};
    QStringList names;
    for (const Command *command : description->commands())
        names.append(command->name());
    for (const QString &name : required)
        QVERIFY2(names.count(name) == 1, qPrintable("command menu tile: " + name));

    QSet<QString> gadgetTypes;
    for (const GadgetInfo &gadget : description->outputs() + description->groups()) {
        for (const QString &type : gadget.types)
            gadgetTypes.insert(type);
    }
    for (const Command *command : description->commands()) {
        if (command->name() == "empty")
            continue;
        QVERIFY2(!command->toolTip().isEmpty(), qPrintable("tool tip: " + command->name()));
        for (const QString &input : command->inputs())
            QVERIFY2(inputs.contains(input.toLower()), qPrintable(command->name() + ": " + input));
        for (const QString &group : command->outputGroups())
            QVERIFY2(gadgetTypes.contains(group), qPrintable(command->name() + " drives " + group));
        const QJsonArray conditions =
            description
                ->json()["CommandMenu"]["Buttons"][int(names.indexOf(command->name()))]
                        ["Conditions"]
                .toArray();
        for (const QJsonValue &condition : conditions) {
            QVERIFY(QStringList({"always", "single", "conditions", "counter", "conditioncounter"})
                        .contains(condition.toString()));
        }
    }
    // The initial JSON of the drive tiles must compile to a real motion.
    const Command *forward = description->commandMap().value("m_fwd");
    QVERIFY(forward->json()["action"]["speed"].toInt() > 0);
}

void TestShippedData::gadgets()
{
    QFETCH(QString, folder);
    const auto description = load(folder);
    const QMap<int, GadgetInfo> &gadgets = description->gadgetMap();
    QCOMPARE(gadgets.size(), description->inputs().size() + description->outputs().size() +
                                 description->groups().size());

    // Each flag bit of the command menu stands for a gadget that serves the commands it enables.
    const QList<QPair<int, QStringList>> served = {
        {40, {"m_fwd", "m_stop", "mrall", "mr1stop"}},
        {41, {"m_backward", "m_turnleft", "mrall", "mr1stop"}},
        {20, {"mServowork"}},
        {70, {"mSound", "mMusic"}},
        {60, {"mMatrix"}},
        {30, {"mSetleds"}},
        {50, {}},
    };
    for (const auto &[id, commands] : served) {
        QVERIFY2(gadgets.contains(id), qPrintable(QString("gadget %1").arg(id)));
        QVERIFY(gadgets[id].kind != GadgetInfo::Input);
        for (const QString &name : commands) {
            const Command *command = description->commandMap().value(name);
            QVERIFY(command);
            bool match = false;
            for (const QString &group : command->outputGroups())
                match = match || gadgets[id].types.contains(group);
            QVERIFY2(match, qPrintable(QString("%1 cannot drive gadget %2").arg(name).arg(id)));
        }
    }
    QCOMPARE(gadgets[60].kind, int(GadgetInfo::Group));
    QCOMPARE(gadgets[60].pins.size(), 3);
    QVERIFY(gadgets[50].types.contains("I2C"));

    const QRegularExpression motorName("^[A-Za-z][0-9]+$");
    for (const GadgetInfo &gadget : gadgets) {
        if (gadget.kind == GadgetInfo::Input) {
            QVERIFY2(gadget.id < 20 || gadget.id > 49, qPrintable(gadget.name));
            QVERIFY(gadget.types == QStringList{"Digital"} ||
                    gadget.types == QStringList{"Analog"});
        }
        if (gadget.types.contains("Motor"))
            QVERIFY2(motorName.match(gadget.name).hasMatch(), qPrintable(gadget.name));
        QVERIFY(!gadget.pins.isEmpty());
        for (const QString &label : gadget.pins)
            QVERIFY2(description->pinByLabel(label).isValid(),
                     qPrintable(gadget.name + " on " + label));
    }

    // The settings page finds a pin's gadget by its name: names on one pin must differ.
    for (const PinInfo &pin : description->pins()) {
        QSet<QString> names;
        for (const GadgetInfo &gadget : description->gadgetsForPin(pin))
            names.insert(gadget.name);
        QCOMPARE(names.size(), description->gadgetsForPin(pin).size());
        QVERIFY(pin.relX >= 0 && pin.relX < 1 && pin.relY >= 0 && pin.relY < 1);
    }
    for (int n = 2; n <= 13; ++n)
        QVERIFY(description->pinByLabel(QStringLiteral("D%1").arg(n)).isValid());
    for (int n = 0; n <= 5; ++n) {
        const PinInfo analog = description->pinByLabel(QStringLiteral("A%1").arg(n));
        QVERIFY(analog.isValid());
        QCOMPARE(description->pinByLabel(QStringLiteral("D%1").arg(14 + n)), analog);
    }
}

void TestShippedData::topMenu()
{
    QFETCH(QString, folder);
    const auto description = load(folder);
    QStringList commands;
    for (const TopMenuButton &button : description->topMenuButtons()) {
        commands.append(button.command);
        QVERIFY(!button.toolTip.isEmpty());
    }
    QStringList expected = {"write",    "read",     "restart", "start",    "stop",     "step",
                            "Settings", "Language", "Clear",   "ReadFile", "SaveFile", "Close"};
    expected << "undo"
             << "redo"
             << "Lessons"
             << "runonrobot"
             << "Class";
    std::sort(commands.begin(), commands.end());
    std::sort(expected.begin(), expected.end());
    QCOMPARE(commands, expected);
}

void TestShippedData::sameKitEverywhere()
{
    QFETCH(QString, folder);
    const auto description = load(folder);
    const QJsonObject json = description->json();
    const auto first = load(m_bin + "/Languages/" + m_folders.first());
    const QJsonObject reference = first->json();
    QCOMPARE(json.value("Dimensions"), reference.value("Dimensions"));
    QCOMPARE(json.value("Pins"), reference.value("Pins"));

    const QList<Command *> commands = description->commands();
    const QList<Command *> referenceCommands = first->commands();
    QCOMPARE(commands.size(), referenceCommands.size());
    for (int i = 0; i < commands.size(); ++i) {
        QCOMPARE(commands[i]->name(), referenceCommands[i]->name());
        QCOMPARE(commands[i]->offIcon(), referenceCommands[i]->offIcon());
        QCOMPARE(commands[i]->inputs(), referenceCommands[i]->inputs());
        QCOMPARE(commands[i]->outputGroups(), referenceCommands[i]->outputGroups());
        QCOMPARE(commands[i]->allowedConditions(), referenceCommands[i]->allowedConditions());
        QCOMPARE(commands[i]->json(), referenceCommands[i]->json());
    }
    QCOMPARE(description->gadgetMap().keys(), first->gadgetMap().keys());
    for (const GadgetInfo &gadget : description->gadgetMap()) {
        const GadgetInfo &other = first->gadgetMap()[gadget.id];
        QCOMPARE(gadget.types, other.types);
        QCOMPARE(gadget.pins, other.pins);
        QCOMPARE(gadget.kind, other.kind);
        QCOMPARE(gadget.picture, other.picture);
        QCOMPARE(gadget.calibr, other.calibr);
        if (gadget.types.contains("Motor"))
            QCOMPARE(gadget.name, other.name); // programs store motors by name
    }
    QCOMPARE(description->topMenuButtons().size(), first->topMenuButtons().size());
    for (int i = 0; i < description->topMenuButtons().size(); ++i)
        QCOMPARE(description->topMenuButtons()[i].command, first->topMenuButtons()[i].command);
}

void TestShippedData::font()
{
    QFETCH(QString, folder);
    const QString path = folder + "/" + HardwareDescription::fontFileName();
    QVERIFY2(QFile::exists(path), qPrintable(path));
    const int id = QFontDatabase::addApplicationFont(path);
    QVERIFY(id >= 0);
    QVERIFY(!QFontDatabase::applicationFontFamilies(id).isEmpty());
    QVERIFY(!QDir(folder).entryList({"FONT-*"}, QDir::Files).isEmpty());

    // Loading the description makes it the application font.
    const QString family = QFontDatabase::applicationFontFamilies(id).first();
    QFontDatabase::removeApplicationFont(id);
    const auto description = load(folder);
    QCOMPARE(QGuiApplication::font().family(), family);
}

void TestShippedData::defaultProgram()
{
    QFETCH(QString, folder);
    QFile file(m_bin + "/default.json");
    QVERIFY(file.open(QIODevice::ReadOnly));
    QJsonParseError error{};
    const QJsonObject document = QJsonDocument::fromJson(file.readAll(), &error).object();
    QCOMPARE(error.error, QJsonParseError::NoError);
    QCOMPARE(document.value("ProgData"), QJsonValue(QJsonArray{QJsonArray()}));

    const auto description = load(folder);
    const QJsonArray pins = document["configuration"]["pins"].toArray();
    for (const QJsonValue &pin : pins) {
        const QString label = pin["pinLbl"].toString();
        const int id = pin["gadgetId"].toInt(-1);
        QVERIFY2(description->pinByLabel(label).isValid(), qPrintable(label));
        QVERIFY(description->gadgetMap().contains(id));
        bool allowed = false;
        for (const GadgetInfo &gadget : description->gadgetsForPin(description->pinByLabel(label)))
            allowed = allowed || gadget.id == id;
        QVERIFY2(allowed, qPrintable(QString("gadget %1 on %2").arg(id).arg(label)));
    }
}

void TestShippedData::iconsMatchGenerator()
{
    // The shared image set is drawn by tools/make_icons.py; a hand edit would drift from it.
    const QString python = QStandardPaths::findExecutable("python3");
    if (python.isEmpty())
        QSKIP("python3 is not installed");
    QTemporaryDir out;
    QVERIFY(out.isValid());
    QProcess process;
    process.start(python, {QStringLiteral(TAVIRO_SOURCE_DIR) + "/tools/make_icons.py", out.path()});
    QVERIFY(process.waitForFinished(60000));
    QCOMPARE(process.exitCode(), 0);

    const QDir committed(QStringLiteral(TAVIRO_SOURCE_DIR) + "/Languages/common/images");
    const QDir generated(out.path());
    QCOMPARE(committed.entryList(QDir::Files), generated.entryList(QDir::Files));
    for (const QString &name : generated.entryList(QDir::Files)) {
        QFile a(committed.filePath(name));
        QFile b(generated.filePath(name));
        QVERIFY(a.open(QIODevice::ReadOnly) && b.open(QIODevice::ReadOnly));
        QVERIFY2(a.readAll() == b.readAll(),
                 qPrintable("regenerate with tools/make_icons.py: " + name));
    }
}

QTEST_MAIN(TestShippedData)
#include "tst_shippeddata.moc"
