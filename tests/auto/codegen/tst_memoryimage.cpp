#include "breakpoint.h"
#include "decompiler.h"
#include "memoryimage.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QLoggingCategory>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTest>

namespace {

QJsonObject parse(const char *json)
{
    const QJsonObject object = QJsonDocument::fromJson(json).object();
    Q_ASSERT(!object.isEmpty());
    return object;
}

QByteArray hex(const char *text)
{
    return QByteArray::fromHex(text);
}

const QByteArray kEmptyConfigurationFrame = hex("01 04 00000000");
const QByteArray kReturnFrame = hex("03 0A 09 80000000 80000000 07");
const QByteArray kEndFrameBytes = hex("7F 00");

// Frame of an unconditional command record with the given instructions.
QByteArray commandFrame(const char *instructionsHex)
{
    const QByteArray body = hex("80000000 80000000") + hex(instructionsHex);
    return hex("03") + char(quint8(body.size() + 1)) + char(quint8(body.size())) + body;
}

QJsonObject document(const QJsonArray &programs, const QJsonObject &configuration = {})
{
    return QJsonObject{{QStringLiteral("ProgData"), programs},
                       {QStringLiteral("configuration"), configuration}};
}

QJsonObject action(const char *json)
{
    return QJsonObject{{QStringLiteral("action"), parse(json)}};
}

// Documents that use every command kind, conditions of every kind and a configuration.
QList<QPair<const char *, QJsonObject>> variedDocuments()
{
    QList<QPair<const char *, QJsonObject>> documents;
    documents.append({"empty", document(QJsonArray{QJsonArray()})});
    documents.append({"no programs", document(QJsonArray())});
    documents.append({"drives and conditions", parse(R"({"ProgData": [[
        {"conditions": {"type": "always"}, "action": {"command": "m_fwd", "speed": 60,
            "timer": 1, "time": 2, "brake": 1}},
        {"conditions": {"type": "single", "data": [{"pin": "D3", "equation": "equals",
            "level": "1"}]}, "action": {"command": "m_backward", "speed": "40"}},
        {"conditions": {"type": "and", "data": [{"pin": "A2", "equation": "inside",
            "level": "40", "level2": "200"}, {"equation": "counter", "level": "5"}]},
            "action": {"command": "m_turnleft", "speed": 20, "timer": 1, "time": "0.3"}},
        {"conditions": {"type": "or", "data": [{"pin": "A1", "equation": "smaller",
            "level": "9", "level2": null}, {"pin": "D7", "level": "0"}]},
            "action": {"command": "m_stop", "brake": 0}},
        {"action": {"command": "m_bckright", "speed": 255, "timer": 1, "time": 12.7,
            "brake": 0}}
    ]], "configuration": {"Motor1": 1, "Motor2": 2}})")});
    documents.append({"motors leds matrix sound", parse(R"({"ProgData": [[
        {"action": {"command": "mrall", "motor": "M1", "speed": 100, "side": 1}},
        {"action": {"command": "mrall", "motor": "M2", "speed": 128, "side": 1, "timer": 1,
            "time": 1.5, "brake": 1}},
        {"action": {"command": "mrall", "motor": "A3", "speed": 7, "side": 0, "timer": 1,
            "time": "0.1", "brake": 0}},
        {"action": {"command": "mr1stop", "motor": "M2", "brake": 1}},
        {"action": {"command": "mrstop", "motor": "D4", "brake": 0}},
        {"action": {"command": "mSetleds", "pin": "D13", "state": 1}},
        {"action": {"command": "mSetleds", "pin": "A5", "state": "0"}},
        {"action": {"command": "mMatrix", "pict": [1,0,1,0,1,0,1,0, 0,1,0,1,0,1,0,1,
            1,1,1,1,0,0,0,0, 0,0,0,0,1,1,1,1, 1,0,0,0,0,0,0,1, 0,1,1,1,1,1,1,0,
            0,0,0,1,1,0,0,0, "1","1","1","1","1","1","1","1"]}},
        {"action": {"command": "mSound", "note": "F#", "octave": 5, "time": 0.7}},
        {"action": {"command": "mSound", "note": "0", "octave": 0, "time": 25.5}},
        {"action": {"command": "mMusic", "tempo": 90, "sounds": [
            {"note": "C", "octave": 4, "length": 4}, {"note": "D#", "octave": 4, "length": 2},
            {"note": "0", "octave": 0, "length": 1}, {"note": "B", "octave": 7, "length": 255}]}},
        {"action": {"command": "mMusic", "tempo": 200, "sounds": []}}
    ]]})")});
    documents.append({"servos pauses cycles calls", parse(R"({"ProgData": [
        [{"action": {"command": "mStartCycle"}},
         {"action": {"command": "mServowork", "timer": 1, "time": 1.5, "servos": [
            {"pin": "D9", "angle": 90}, {"pin": "D10", "angle": 45}]}},
         {"action": {"command": "mServowork", "time": "0.4", "servos": [
            {"pin": "A0", "angle": 180}]}},
         {"action": {"command": "call", "proc": 2}},
         {"action": {"command": "mPause", "hour": 1, "minute": 2, "second": "3.4"}},
         {"action": {"command": "mPause", "second": 0.25}},
         {"action": {"command": "mEndCycle"}}],
        [{"action": {"command": "mvirtualstartcycle", "counter": 3}},
         {"action": {"command": "m_right", "speed": 9}},
         {"action": {"command": "mvirtualendcycle", "counter": 3}}],
        [{"action": {"command": "call", "proc": 1}}],
        []
    ], "configuration": {"Motor1": 0, "Motor2": 3, "pins": [
        {"pinLbl": "D9", "gadgetId": 20}, {"pinLbl": "D10", "gadgetId": 21},
        {"pinLbl": "A0", "gadgetId": 40}, {"pinLbl": "D2", "gadgetId": 11}],
        "servocalibr": [{"pin": "D10", "zero": 77}]}})")});
    documents.append({"read-back form", parse(R"({"ProgData": [[
        {"conditions": {"type": "single", "data": [
            {"equation": "counter", "pin": "HZ", "level": "4", "level2": "0"},
            {"equation": "equals", "pin": "D0", "level": "0", "level2": "0"}]},
         "action": {"command": "mnop"}},
        {"action": {"command": "unknown"}},
        {"action": {"command": "mServowork", "servos": []}}
    ]], "configuration": {"Motor1": 5, "Motor2": 6, "pins": [
        {"pinLbl": "D3", "gadgetId": 20, "zero": 120}],
        "servocalibr": [{"pin": "D3", "zero": 120}]}})")});
    return documents;
}

} // namespace

class tst_MemoryImage : public QObject
{
    Q_OBJECT

private slots:
    // The messages checked here are debug lines, which a default run leaves out.
    void initTestCase() { QLoggingCategory::setFilterRules(QStringLiteral("taviro.*.debug=true")); }
    void minimalImage();
    void frameOrder();
    void failingCommand_data();
    void failingCommand();
    void cycleCountError();
    void programTooLong();
    void configurationTooLong();
    void emptyProgramList();
    void wrongTypes_data();
    void wrongTypes();
    void builderState();
    void configurationChanged();
    void decodeMinimal();
    void decode_data();
    void decode();
    void decodeMalformed_data();
    void decodeMalformed();
    void decodeStopsAtEndFrame();
    void roundTrip_data();
    void roundTrip();
    void timeBytesSurviveARoundTrip();
    void breakpointsLeaveTheImageAlone();
    void fuzzDecode_data();
    void fuzzDecode();
};

void tst_MemoryImage::breakpointsLeaveTheImageAlone()
{
    const QJsonArray plain{
        QJsonArray{parse(R"({"conditions": {"type": "always"},
                             "action": {"command": "m_fwd", "speed": 60}})"),
                   parse(R"({"conditions": {}, "action": {"command": "call", "proc": 1}})")},
        QJsonArray{parse(R"({"conditions": {}, "action": {"command": "mStartCycle"}})"),
                   parse(R"({"conditions": {}, "action": {"command": "mEndCycle"}})")}};
    QJsonArray marked;
    for (const QJsonValue &program : plain) {
        QJsonArray commands;
        for (const QJsonValue &command : program.toArray()) {
            QJsonObject object = command.toObject();
            object.insert(Breakpoint::key(), true);
            QVERIFY(Breakpoint::isSet(object));
            commands.append(object);
        }
        marked.append(commands);
    }
    ImageBuilder withMarks;
    ImageBuilder without;
    const ImageBuilder::Result markedImage = withMarks.buildImage(document(marked));
    const ImageBuilder::Result plainImage = without.buildImage(document(plain));
    QVERIFY(markedImage.success);
    QCOMPARE(markedImage.image, plainImage.image);
    // What comes back from the controller carries no marks.
    const std::optional<QJsonObject> decoded = decodeImage(markedImage.image);
    QVERIFY(decoded);
    QVERIFY(!QJsonDocument(*decoded).toJson().contains(Breakpoint::key().toUtf8()));
}

void tst_MemoryImage::minimalImage()
{
    ImageBuilder builder;
    const auto result = builder.buildImage(document(QJsonArray{QJsonArray()}));
    QVERIFY(result.success);
    QCOMPARE(result.image.toHex(' '),
             hex("01 04 00 00 00 00 03 0A 09 80 00 00 00 80 00 00 00 07 7F 00").toHex(' '));
    QCOMPARE(result.image.size(), 20);
}

void tst_MemoryImage::frameOrder()
{
    ImageBuilder builder;
    QTest::ignoreMessage(QtDebugMsg, "Subprogram count: 1");
    QTest::ignoreMessage(QtDebugMsg, "Main program len: 2");
    const auto result = builder.buildImage(document(QJsonArray{
        QJsonArray{action(R"({"command": "m_stop"})"), action(R"({"command": "call", "proc": 1})")},
        QJsonArray{action(R"({"command": "mSetleds", "pin": "D2", "state": 1})")}}));
    QVERIFY(result.success);
    const QByteArray expected = kEmptyConfigurationFrame + commandFrame("20") +
                                commandFrame("0501") + kReturnFrame + commandFrame("1002") +
                                kReturnFrame + kEndFrameBytes;
    QCOMPARE(result.image.toHex(' '), expected.toHex(' '));
}

void tst_MemoryImage::failingCommand_data()
{
    QTest::addColumn<QJsonObject>("document");
    QTest::addColumn<QByteArray>("expected");
    QTest::addColumn<QString>("message");

    const QJsonArray sub{action(R"({"command": "m_stop"})")};
    QTest::newRow("in the main program")
        << document(QJsonArray{QJsonArray{action(R"({"command": "m_fwd", "speed": 1})"),
                                          action(R"({"command": "call", "proc": 5})"),
                                          action(R"({"command": "m_stop"})")},
                               sub})
        << kEmptyConfigurationFrame + commandFrame("2301") + kReturnFrame + kEndFrameBytes
        << "Error command at 1 procedure 0";
    QTest::newRow("first command of a subprogram")
        << document(QJsonArray{QJsonArray{action(R"({"command": "m_stop"})")},
                               QJsonArray{action(R"({"command": "mServowork", "servos": [
                                   {"pin": "D4", "angle": 1}]})")},
                               sub})
        << kEmptyConfigurationFrame + commandFrame("20") + kReturnFrame + kReturnFrame +
               kEndFrameBytes
        << "Error command at 0 procedure 1";
}

void tst_MemoryImage::failingCommand()
{
    QFETCH(QJsonObject, document);
    QFETCH(QByteArray, expected);
    QFETCH(QString, message);

    ImageBuilder builder;
    QTest::ignoreMessage(QtDebugMsg, qPrintable(message));
    const auto result = builder.buildImage(document);
    QVERIFY(!result.success);
    QCOMPARE(result.image.toHex(' '), expected.toHex(' '));
}

void tst_MemoryImage::cycleCountError()
{
    ImageBuilder builder;
    QTest::ignoreMessage(QtDebugMsg, "Cycle count error");
    const auto result = builder.buildImage(document(QJsonArray{
        QJsonArray{action(R"({"command": "mEndCycle"})"), action(R"({"command": "mStartCycle"})")},
        QJsonArray{action(R"({"command": "m_stop"})")}}));
    QVERIFY(!result.success);
    const QByteArray expected = kEmptyConfigurationFrame + commandFrame("02") + commandFrame("01") +
                                kReturnFrame + kEndFrameBytes;
    QCOMPARE(result.image.toHex(' '), expected.toHex(' '));

    // A cycle left open at the end of a subprogram is just as wrong.
    const auto open = builder.buildImage(
        document(QJsonArray{QJsonArray(), QJsonArray{action(R"({"command": "mStartCycle"})")}}));
    QVERIFY(!open.success);
}

void tst_MemoryImage::programTooLong()
{
    // 6 header bytes, 2 end bytes and 12 bytes per return frame; each m_stop frame is 12 bytes.
    QJsonArray fits;
    while (6 + 12 * (fits.size() + 1) + 12 + 2 <= kMemorySize)
        fits.append(action(R"({"command": "m_stop"})"));
    ImageBuilder builder;
    auto result = builder.buildImage(document(QJsonArray{fits}));
    QVERIFY(result.success);
    QVERIFY(result.image.size() > kMemorySize - 12);
    QVERIFY(result.image.size() <= kMemorySize);

    fits.append(action(R"({"command": "m_stop"})"));
    QTest::ignoreMessage(QtDebugMsg, "Program too long");
    result = builder.buildImage(document(QJsonArray{fits}));
    QVERIFY(!result.success);
    QVERIFY(result.image.size() > kMemorySize);
    QVERIFY(result.image.endsWith(kReturnFrame + kEndFrameBytes));
}

void tst_MemoryImage::configurationTooLong()
{
    // 90 calibrated servos need 2 + 3 * 90 + 2 bytes; a frame holds 255.
    QJsonArray pins;
    for (int i = 0; i < 90; ++i)
        pins.append(QJsonObject{{QStringLiteral("pinLbl"), QStringLiteral("D%1").arg(i)},
                                {QStringLiteral("gadgetId"), 20}});
    ImageBuilder builder;
    QTest::ignoreMessage(QtDebugMsg, QRegularExpression("^Configuration too long"));
    const auto result = builder.buildImage(
        document(QJsonArray{QJsonArray()}, QJsonObject{{QStringLiteral("pins"), pins}}));
    QVERIFY(!result.success);
    // The image stays well formed: its frame length is the record's real length.
    QCOMPARE(quint8(result.image.at(1)), quint8(253));
    const std::optional<QJsonObject> decoded = decodeImage(result.image);
    QVERIFY(decoded.has_value());
    QCOMPARE(decoded->value("configuration").toObject().value("pins").toArray().size(), 83);
}

void tst_MemoryImage::emptyProgramList()
{
    ImageBuilder builder;
    QTest::ignoreMessage(QtDebugMsg, "Subprogram count: -1");
    QTest::ignoreMessage(QtDebugMsg, "Main program len: 0");
    const auto result = builder.buildImage(document(QJsonArray()));
    QVERIFY(result.success);
    QCOMPARE(result.image.toHex(' '), (kEmptyConfigurationFrame + kEndFrameBytes).toHex(' '));
}

void tst_MemoryImage::wrongTypes_data()
{
    QTest::addColumn<QJsonObject>("document");
    QTest::addColumn<QByteArray>("expected");

    QTest::newRow("empty document") << QJsonObject() << kEmptyConfigurationFrame + kEndFrameBytes;
    QTest::newRow("ProgData not an array")
        << parse(R"({"ProgData": {"a": 1}})") << kEmptyConfigurationFrame + kEndFrameBytes;
    QTest::newRow("program not an array keeps its place")
        << parse(R"({"ProgData": [[{"action": {"command": "call", "proc": 2}}], "x",
                                 [{"action": {"command": "m_stop"}}]]})")
        << kEmptyConfigurationFrame + commandFrame("0502") + kReturnFrame + kReturnFrame +
               commandFrame("20") + kReturnFrame + kEndFrameBytes;
    QTest::newRow("command not an object")
        << parse(R"({"ProgData": [[5, "m_stop", null]]})")
        << kEmptyConfigurationFrame + commandFrame("00") + commandFrame("00") + commandFrame("00") +
               kReturnFrame + kEndFrameBytes;
    QTest::newRow("configuration not an object")
        << parse(R"({"ProgData": [[]], "configuration": [1, 2]})")
        << kEmptyConfigurationFrame + kReturnFrame + kEndFrameBytes;
    QTest::newRow("every field of the wrong type")
        << parse(R"({"ProgData": [[{"conditions": "always", "action": {"command": "m_fwd",
            "speed": [1], "timer": {}, "time": true, "brake": null}},
            {"action": {"command": "mMusic", "tempo": false, "sounds": [{"note": 1,
            "octave": "x", "length": {}}]}},
            {"action": {"command": "mServowork", "servos": [{"pin": 3, "angle": "x"}],
            "timer": "1", "time": [2]}}]],
            "configuration": {"Motor1": "x", "Motor2": [], "pins": [{"pinLbl": 7,
            "gadgetId": "30"}], "servocalibr": "none"}})")
        << hex("01 06 0000 FF00 0000") + commandFrame("2300") + commandFrame("2A00 0000 FF00") +
               kReturnFrame + kEndFrameBytes;
}

void tst_MemoryImage::wrongTypes()
{
    QFETCH(QJsonObject, document);
    QFETCH(QByteArray, expected);

    ImageBuilder builder;
    const auto result = builder.buildImage(document);
    QCOMPARE(result.image.toHex(' '), expected.toHex(' '));
}

void tst_MemoryImage::builderState()
{
    const QJsonObject configuration = parse(R"({"Motor1": 1, "pins": [
        {"pinLbl": "D9", "gadgetId": 30}]})");
    const QJsonArray programs{QJsonArray(), QJsonArray()};
    ImageBuilder builder;
    builder.buildImage(document(programs, configuration));
    QCOMPARE(builder.configuration(), configuration);
    QCOMPARE(builder.configurationRecord().toHex(' '), hex("01 00 09 1E 00 00").toHex(' '));
    QCOMPARE(builder.compiler().programs(), programs);
    QCOMPARE(builder.compiler().servoPins(), QList<quint8>{9});

    // Single commands compiled afterwards see the same subprograms and servo pins.
    QVERIFY(builder.compiler().compileCommand(action(R"({"command": "call", "proc": 1})")));
    QCOMPARE(builder.compiler().lastCallTarget(), 1);
    QVERIFY(builder.compiler().compileCommand(
        action(R"({"command": "mServowork", "servos": [{"pin": "D9", "angle": 3}]})")));
    QVERIFY(!builder.compiler().compileCommand(action(R"({"command": "call", "proc": 2})")));
}

void tst_MemoryImage::configurationChanged()
{
    ImageBuilder builder;
    const QJsonObject first = document(QJsonArray{QJsonArray()}, parse(R"({"Motor1": 1})"));
    QVERIFY(builder.buildImage(first).configurationChanged);
    QVERIFY(!builder.buildImage(first).configurationChanged);
    QJsonObject programOnly = first;
    programOnly.insert(QStringLiteral("ProgData"),
                       QJsonArray{QJsonArray{action(R"({"command": "m_stop"})")}});
    QVERIFY(!builder.buildImage(programOnly).configurationChanged);
    QVERIFY(builder.buildImage(document(QJsonArray{QJsonArray()}, parse(R"({"Motor1": 2})")))
                .configurationChanged);
}

void tst_MemoryImage::decodeMinimal()
{
    const auto decoded = decodeImage(hex("01 04 00000000 03 0A 09 80000000 80000000 07 7F 00"));
    QVERIFY(decoded);
    QCOMPARE(*decoded, parse(R"({"ProgData": [[]], "configuration": {"Motor1": 0, "Motor2": 0,
                                "pins": [], "servocalibr": []}})"));
}

void tst_MemoryImage::decode_data()
{
    QTest::addColumn<QByteArray>("image");
    QTest::addColumn<QStringList>("commands");
    QTest::addColumn<bool>("hasConfiguration");

    QTest::newRow("main and subprogram")
        << kEmptyConfigurationFrame + commandFrame("20") + commandFrame("0501") + kReturnFrame +
               commandFrame("1002") + kReturnFrame + kEndFrameBytes
        << QStringList{"m_stop,call", "mSetleds"} << true;
    QTest::newRow("last program without return")
        << kEmptyConfigurationFrame + commandFrame("20") + kReturnFrame + commandFrame("21") +
               kEndFrameBytes
        << QStringList{"m_stop", "m_stop"} << true;
    QTest::newRow("empty programs kept")
        << kReturnFrame + kReturnFrame + kEndFrameBytes << QStringList{"", ""} << false;
    QTest::newRow("return inside splits")
        << commandFrame("01") + kReturnFrame + commandFrame("02") + kReturnFrame + kEndFrameBytes
        << QStringList{"mStartCycle", "mEndCycle"} << false;
    QTest::newRow("only the end frame") << kEndFrameBytes << QStringList() << false;
    QTest::newRow("end frame with data") << hex("7F 03 010203") << QStringList() << false;
    QTest::newRow("end frame cut short") << hex("7F 05 01") << QStringList() << false;
}

void tst_MemoryImage::decode()
{
    QFETCH(QByteArray, image);
    QFETCH(QStringList, commands);
    QFETCH(bool, hasConfiguration);

    const auto decoded = decodeImage(image);
    QVERIFY(decoded);
    QCOMPARE(decoded->contains(QLatin1String("configuration")), hasConfiguration);
    QStringList names;
    for (const QJsonValue &program : decoded->value(QLatin1String("ProgData")).toArray()) {
        QStringList programNames;
        for (const QJsonValue &command : program.toArray())
            programNames.append(command.toObject()
                                    .value(QLatin1String("action"))
                                    .toObject()
                                    .value(QLatin1String("command"))
                                    .toString());
        names.append(programNames.join(u','));
    }
    QCOMPARE(names, commands);
}

void tst_MemoryImage::decodeMalformed_data()
{
    QTest::addColumn<QByteArray>("image");
    QTest::addColumn<QStringList>("messages");

    QTest::newRow("empty") << QByteArray() << QStringList{"Unclosed EEPROM data"};
    QTest::newRow("one byte") << hex("7F") << QStringList{"Unclosed EEPROM data"};
    QTest::newRow("erased memory")
        << QByteArray(kMemorySize, char(0xFF)) << QStringList{"EEPROM Data corrupted"};
    QTest::newRow("unknown frame type") << kEmptyConfigurationFrame + hex("02 00") + kEndFrameBytes
                                        << QStringList{"EEPROM Data corrupted"};
    QTest::newRow("no end frame") << kEmptyConfigurationFrame + kReturnFrame
                                  << QStringList{"Unclosed EEPROM data"};
    QTest::newRow("header cut after a frame")
        << kEmptyConfigurationFrame + hex("7F") << QStringList{"Unclosed EEPROM data"};
    QTest::newRow("frame runs past the end")
        << kEmptyConfigurationFrame + hex("03 20 09 80000000")
        << QStringList{"Frame length too big", "Unclosed EEPROM data"};
    QTest::newRow("truncated minimal image")
        << hex("01 04 00000000 03 0A 09 80000000 80000000 07 7F")
        << QStringList{"Unclosed EEPROM data"};
}

void tst_MemoryImage::decodeMalformed()
{
    QFETCH(QByteArray, image);
    QFETCH(QStringList, messages);

    for (const QString &message : messages)
        QTest::ignoreMessage(QtDebugMsg, qPrintable(message));
    QVERIFY(!decodeImage(image));
}

void tst_MemoryImage::decodeStopsAtEndFrame()
{
    ImageBuilder builder;
    QByteArray image =
        builder.buildImage(document(QJsonArray{QJsonArray{action(R"({"command": "m_stop"})")}}))
            .image;
    const QByteArray built = image;
    image.append(QByteArray(kMemorySize - image.size(), char(0xFF)));
    const auto decoded = decodeImage(image);
    QVERIFY(decoded);
    QCOMPARE(decoded, decodeImage(built));
    QCOMPARE(decoded->value(QLatin1String("ProgData")).toArray().size(), 1);
}

void tst_MemoryImage::roundTrip_data()
{
    QTest::addColumn<QJsonObject>("document");
    for (const auto &[name, document] : variedDocuments())
        QTest::newRow(name) << document;
}

void tst_MemoryImage::roundTrip()
{
    QFETCH(QJsonObject, document);

    ImageBuilder builder;
    const auto built = builder.buildImage(document);
    QVERIFY(built.success);
    const auto decoded = decodeImage(built.image);
    QVERIFY(decoded);
    ImageBuilder again;
    const auto rebuilt = again.buildImage(*decoded);
    QVERIFY(rebuilt.success);
    QCOMPARE(rebuilt.image.toHex(' '), built.image.toHex(' '));
    QCOMPARE(decodeImage(rebuilt.image), decoded);
}

void tst_MemoryImage::timeBytesSurviveARoundTrip()
{
    // Times come back as text with one decimal and are multiplied in single precision again;
    // every tenth from 0 to 25.5 s must give back its own byte.
    QJsonArray sounds;
    QJsonArray servos;
    for (int tenths = 0; tenths < 256; ++tenths) {
        const QByteArray record =
            QByteArray::fromHex("0B 80000000 80000000 14 14") + char(quint8(tenths));
        const QJsonObject command = Decompiler::decompileCommand(record);
        CommandCompiler compiler;
        QVERIFY(compiler.compileCommand(command));
        QCOMPARE(compiler.lastRecord().toHex(' '), record.toHex(' '));

        const QByteArray servo =
            QByteArray::fromHex("0C 80000000 80000000 13 03 5A") + char(quint8(tenths));
        compiler.setServoPins({3});
        QVERIFY(compiler.compileCommand(Decompiler::decompileCommand(servo)));
        QCOMPARE(compiler.lastRecord().toHex(' '), servo.toHex(' '));
    }
}

void tst_MemoryImage::fuzzDecode_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<quint32>("seed");
    for (quint32 seed = 1; seed <= 3; ++seed) {
        QTest::addRow("random bytes %u", seed) << 0 << seed;
        QTest::addRow("flipped bytes %u", seed) << 1 << seed;
        QTest::addRow("truncated %u", seed) << 2 << seed;
        QTest::addRow("random frames %u", seed) << 3 << seed;
    }
}

void tst_MemoryImage::fuzzDecode()
{
    QFETCH(int, kind);
    QFETCH(quint32, seed);

    // The decoder traces every record; keep the output readable.
    const QtMessageHandler previous =
        qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {});
    auto restore = qScopeGuard([previous] { qInstallMessageHandler(previous); });

    constexpr int kRounds = 150;
    QRandomGenerator random(seed);
    QByteArray valid;
    for (const auto &[name, document] : variedDocuments()) {
        ImageBuilder builder;
        valid += builder.buildImage(document).image.chopped(2);
    }
    valid += kEndFrameBytes;

    int emitted = 0;
    for (int round = 0; round < kRounds; ++round) {
        QByteArray image;
        switch (kind) {
        case 0:
            image.resize(random.bounded(kMemorySize + 1));
            for (char &byte : image)
                byte = char(random.bounded(256));
            break;
        case 1:
            image = valid;
            for (int flips = random.bounded(1, 8); flips > 0; --flips)
                image[random.bounded(int(image.size()))] = char(random.bounded(256));
            break;
        case 2:
            image = valid.left(random.bounded(int(valid.size()) + 1));
            break;
        default:
            // Well-formed frame headers around random record bytes reach deep into the decompiler.
            while (image.size() < 2000) {
                const int length = random.bounded(40);
                image.append(char(kCommandFrame));
                image.append(char(length));
                for (int i = 0; i < length; ++i)
                    image.append(char(i == 9 ? random.bounded(0x30) : random.bounded(256)));
            }
            image += kEndFrameBytes;
            break;
        }
        const auto decoded = decodeImage(image);
        if (decoded) {
            ++emitted;
            // Whatever comes back must compile again without harm.
            ImageBuilder builder;
            const auto rebuilt = builder.buildImage(*decoded);
            QVERIFY(rebuilt.image.endsWith(kEndFrameBytes));
        }
    }
    if (kind == 3)
        QCOMPARE(emitted, kRounds);
}

QTEST_GUILESS_MAIN(tst_MemoryImage)
#include "tst_memoryimage.moc"
