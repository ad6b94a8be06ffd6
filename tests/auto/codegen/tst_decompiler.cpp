#include "commandcompiler.h"
#include "decompiler.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QLoggingCategory>
#include <QTest>

using Decompiler::decompileCommand;

namespace {

QJsonObject parse(const char *json)
{
    return QJsonDocument::fromJson(json).object();
}

const QByteArray kAlways = QByteArray::fromHex("80000000 80000000");

QByteArray record(const char *instructionsHex)
{
    const QByteArray body = kAlways + QByteArray::fromHex(instructionsHex);
    return char(quint8(body.size())) + body;
}

QJsonObject alwaysConditions()
{
    return parse(R"({"type": "always", "data": [
        {"equation": "equals", "pin": "D0", "level": "0", "level2": "0"},
        {"equation": "equals", "pin": "D0", "level": "0", "level2": "0"}]})");
}

} // namespace

class tst_Decompiler : public QObject
{
    Q_OBJECT

private slots:
    // The messages checked here are debug lines, which a default run leaves out.
    void initTestCase() { QLoggingCategory::setFilterRules(QStringLiteral("taviro.*.debug=true")); }
    void timedMotorRoundTrip();
    void actions_data();
    void actions();
    void returnRecordIsEmpty();
    void lengthMarks_data();
    void lengthMarks();
    void conditionsAreDecoded();
    void unclosedMelodyIsLogged();
    void matrixCells();
    void everyOpcodeOnShortRecords();
};

void tst_Decompiler::actions_data()
{
    QTest::addColumn<QByteArray>("record");
    QTest::addColumn<QJsonObject>("action");
    QTest::addColumn<bool>("lengthError");

    QTest::newRow("m_fwd timed with brake")
        << QByteArray::fromHex("10 80000000 80000000 233C 06D0070000 21")
        << parse(R"({"command": "m_fwd", "speed": 60, "timer": 1, "time": "2.0", "brake": 1})")
        << false;
    QTest::newRow("m_bckleft untimed")
        << record("2907") << parse(R"({"command": "m_bckleft", "speed": 7, "timer": 0,
                                      "brake": 0})")
        << false;
    QTest::newRow("m_left timed without brake")
        << record("2210 06DC050000 20")
        << parse(R"({"command": "m_left", "speed": 16, "timer": 1, "time": "1.5", "brake": 0})")
        << false;
    QTest::newRow("drive with stray byte")
        << record("2307 99") << parse(R"({"command": "m_fwd", "speed": 7,
                                                       "timer": 0, "brake": 0})")
        << true;
    QTest::newRow("m_stop") << record("20") << parse(R"({"command": "m_stop", "brake": 0})")
                            << false;
    QTest::newRow("m_stop brake") << record("21") << parse(R"({"command": "m_stop", "brake": 1})")
                                  << false;
    QTest::newRow("mrall ccw") << record("16019C")
                               << parse(R"({"command": "mrall", "motor": "D1", "side": 1,
                                           "speed": 100, "timer": 0, "brake": 0})")
                               << false;
    QTest::newRow("mrall 1234 ms")
        << record("168105 06D2040000 1781")
        << parse(R"({"command": "mrall", "motor": "A1", "side": 0, "speed": 5, "timer": 1,
                    "time": "1.2", "brake": 1})")
        << false;
    // 50 ms is half a tenth: it reads as the nearest tenth, rounded up.
    QTest::newRow("mrall coast") << record("160205 0632000000 1802")
                                 << parse(R"({"command": "mrall", "motor": "D2", "side": 0,
                                             "speed": 5, "timer": 1, "time": "0.1",
                                             "brake": 0})")
                                 << false;
    QTest::newRow("mrstop brake") << record("1702")
                                  << parse(R"({"command": "mrstop", "motor": "D2", "brake": 1})")
                                  << false;
    QTest::newRow("mrstop coast") << record("18C8")
                                  << parse(R"({"command": "mrstop", "motor": "HZ", "brake": 0})")
                                  << false;
    QTest::newRow("led on") << record("100D")
                            << parse(R"({"command": "mSetleds", "state": 1, "pin": "D13"})")
                            << false;
    QTest::newRow("led off") << record("1181")
                             << parse(R"({"command": "mSetleds", "state": 0, "pin": "A1"})")
                             << false;
    QTest::newRow("sound") << record("14940C")
                           << parse(R"({"command": "mSound", "note": "G#", "octave": 4,
                                       "time": "1.2"})")
                           << false;
    QTest::newRow("sound rest and unknown note")
        << record("1403FF") << parse(R"({"command": "mSound", "note": "0", "octave": 3,
                                       "time": "25.5"})")
        << false;
    QTest::newRow("sound note 13")
        << record("14D000") << parse(R"({"command": "mSound", "note": "n", "octave": 0,
                                               "time": "0.0"})")
        << false;
    QTest::newRow("pause 3723400 ms")
        << record("06 88D03800")
        << parse(R"({"command": "mPause", "hour": 1, "minute": 2, "second": "3.4"})") << false;
    QTest::newRow("pause longest")
        << record("06 FFFFFFFF")
        << parse(R"({"command": "mPause", "hour": 1193, "minute": 2, "second": "47.2"})") << false;
    QTest::newRow("call") << record("0503") << parse(R"({"command": "call", "proc": 3})") << false;
    QTest::newRow("start cycle") << record("01") << parse(R"({"command": "mStartCycle"})") << false;
    QTest::newRow("end cycle") << record("02") << parse(R"({"command": "mEndCycle"})") << false;
    QTest::newRow("counted start")
        << record("0305") << parse(R"({"command": "mvirtualstartcycle", "counter": 5})") << false;
    QTest::newRow("counted end") << record("04FF")
                                 << parse(R"({"command": "mvirtualendcycle", "counter": 255})")
                                 << false;
    QTest::newRow("unknown opcode") << record("08") << parse(R"({"command": "unknown"})") << false;
    QTest::newRow("unknown opcode with operands")
        << record("2B0102") << parse(R"({"command": "unknown"})") << true;

    // Servos.
    QTest::newRow("two servos untimed")
        << record("1303 5A 0F 1381 2D 14")
        << parse(R"({"command": "mServowork", "servos": [{"pin": "D3", "angle": 90},
                    {"pin": "A1", "angle": 45}], "time": "2.0"})")
        << false;
    QTest::newRow("servo timed")
        << record("1303 5A 0F 06DC050000")
        << parse(R"({"command": "mServowork", "servos": [{"pin": "D3", "angle": 90}],
                    "timer": 1, "time": "1.5"})")
        << false;
    QTest::newRow("servo followed by another opcode")
        << record("1303 5A 0F 21")
        << parse(R"({"command": "mServowork", "servos": [{"pin": "D3", "angle": 90}],
                    "time": "1.5"})")
        << false;
    QTest::newRow("servo followed by another instruction")
        << record("1303 5A 0F 2105")
        << parse(R"({"command": "mServowork", "servos": [{"pin": "D3", "angle": 90}],
                    "timer": 0, "time": "1.5"})")
        << true;
    QTest::newRow("empty servo list with timer")
        << record("00 06E8030000")
        << parse(R"({"command": "mServowork", "servos": [], "timer": 0, "time": "0.0"})") << true;
    QTest::newRow("nop") << record("00")
                         << parse(R"({"command": "mServowork", "servos": [], "time": "0.0"})")
                         << false;

    // Melodies.
    QTest::newRow("melody") << record("2A 78 1408 B310 FF00")
                            << parse(R"({"command": "mMusic", "tempo": 120, "sounds": [
                                    {"note": "C", "octave": 4, "length": 8},
                                    {"note": "A#", "octave": 3, "length": 16}]})")
                            << false;
    QTest::newRow("empty melody") << record("2A 5A FF00")
                                  << parse(R"({"command": "mMusic", "tempo": 90, "sounds": []})")
                                  << false;
    QTest::newRow("melody ends at length 0")
        << record("2A 5A 1400 FF00") << parse(R"({"command": "mMusic", "tempo": 90, "sounds": [
                    {"note": "C", "octave": 4, "length": 0}]})")
        << true;
}

void tst_Decompiler::actions()
{
    QFETCH(QByteArray, record);
    QFETCH(QJsonObject, action);
    QFETCH(bool, lengthError);

    const QJsonObject command = decompileCommand(record);
    QCOMPARE(command.value(QLatin1String("action")).toObject(), action);
    QCOMPARE(command.value(QLatin1String("conditions")).toObject(), alwaysConditions());
    QCOMPARE(command.contains(QLatin1String("message")), lengthError);
    if (lengthError)
        QCOMPARE(command.value(QLatin1String("message")).toString(),
                 QStringLiteral("length error"));
    QVERIFY(!command.contains(QLatin1String("Error")));
}

void tst_Decompiler::returnRecordIsEmpty()
{
    QVERIFY(decompileCommand(QByteArray::fromHex("09 80000000 80000000 07")).isEmpty());
    // A return under a condition still closes the program.
    QVERIFY(decompileCommand(QByteArray::fromHex("09 08010100 80000000 07")).isEmpty());
}

void tst_Decompiler::lengthMarks_data()
{
    QTest::addColumn<QByteArray>("record");
    QTest::addColumn<bool>("lengthByteError");
    QTest::addColumn<bool>("lengthError");

    QByteArray longRecord = QByteArray::fromHex("81 80000000 80000000");
    for (int i = 0; i < 29; ++i)
        longRecord.append(QByteArray::fromHex("13035A0F"));
    longRecord.append(QByteArray::fromHex("06DC050000"));
    QCOMPARE(longRecord.size(), 130);
    QTest::newRow("130 bytes, correct length byte") << longRecord << false << false;
    QTest::newRow("length byte too small")
        << QByteArray::fromHex("05 80000000 80000000 2064") << true << true;
    QTest::newRow("length byte too large")
        << QByteArray::fromHex("20 80000000 80000000 20") << true << false;
    QTest::newRow("empty record") << QByteArray() << true << true;
    QTest::newRow("length byte only") << QByteArray::fromHex("00") << false << true;
    QTest::newRow("truncated drive")
        << QByteArray::fromHex("09 80000000 80000000 23") << false << true;
}

void tst_Decompiler::lengthMarks()
{
    QFETCH(QByteArray, record);
    QFETCH(bool, lengthByteError);
    QFETCH(bool, lengthError);

    const QJsonObject command = decompileCommand(record);
    QCOMPARE(command.value(QLatin1String("Error")).toString(),
             lengthByteError ? QStringLiteral("Length") : QString());
    QCOMPARE(command.value(QLatin1String("message")).toString(),
             lengthError ? QStringLiteral("length error") : QString());
}

void tst_Decompiler::conditionsAreDecoded()
{
    const QJsonObject command = decompileCommand(QByteArray::fromHex("09 07010000 83806400 21"));
    QCOMPARE(command.value(QLatin1String("conditions")).toObject(),
             parse(R"({"type": "and", "data": [
                 {"equation": "equals", "pin": "D1", "level": "0", "level2": "0"},
                 {"equation": "greater", "pin": "A0", "level": "100", "level2": "0"}]})"));
}

void tst_Decompiler::unclosedMelodyIsLogged()
{
    QTest::ignoreMessage(QtDebugMsg, "CMD: 42");
    QTest::ignoreMessage(QtDebugMsg, "Unclosed music command");
    const QJsonObject command = decompileCommand(record("2A 5A 1404 1504"));
    const QJsonArray sounds =
        command.value(QLatin1String("action")).toObject().value(QLatin1String("sounds")).toArray();
    QCOMPARE(sounds.size(), 2);
    QVERIFY(!command.contains(QLatin1String("message")));
}

void tst_Decompiler::matrixCells()
{
    const QJsonObject action = decompileCommand(record("15 80 00 00 00 00 00 00 01"))
                                   .value(QLatin1String("action"))
                                   .toObject();
    const QJsonArray cells = action.value(QLatin1String("pict")).toArray();
    QCOMPARE(cells.size(), 64);
    for (int i = 0; i < 64; ++i) {
        const QString expected = (i == 0 || i == 63) ? QStringLiteral("1") : QStringLiteral("0");
        QCOMPARE(cells.at(i).toString(), expected);
    }
}

void tst_Decompiler::everyOpcodeOnShortRecords()
{
    // Records cut anywhere must decode without reading past their end.
    for (int opcode = 0; opcode < 256; ++opcode) {
        const QByteArray full = record("00").left(9) + char(opcode) +
                                QByteArray::fromHex("13 03 5A 06 06 06 06 06 06 21");
        for (int size = 0; size <= full.size(); ++size) {
            const QJsonObject command = decompileCommand(full.left(size));
            if (opcode != 7 || size < 10)
                QVERIFY(command.contains(QLatin1String("action")));
        }
    }
}

// A motor's time goes through single precision on its way into the byte code; reading it back
// and writing it again must give the same bytes for every time the editor can set.
void tst_Decompiler::timedMotorRoundTrip()
{
    CommandCompiler compiler;
    int mismatches = 0;
    QString first;
    for (int tenths = 1; tenths <= 6000; ++tenths) {
        const QString time = QStringLiteral("%1.%2").arg(tenths / 10).arg(tenths % 10);
        const QJsonObject command{{"conditions", QJsonObject{{"type", "always"}}},
                                  {"action", QJsonObject{{"command", "mrall"},
                                                         {"motor", "D7"},
                                                         {"speed", 40},
                                                         {"side", 0},
                                                         {"timer", 1},
                                                         {"time", time},
                                                         {"brake", 1}}}};
        QVERIFY(compiler.compileCommand(command));
        const QByteArray record = compiler.lastRecord();
        const QJsonObject readBack = decompileCommand(record);
        QVERIFY(compiler.compileCommand(readBack));
        if (compiler.lastRecord() != record || readBack["action"]["time"].toString() != time) {
            if (first.isEmpty())
                first = time + " read back as " + readBack["action"]["time"].toString();
            ++mismatches;
        }
    }
    QVERIFY2(mismatches == 0,
             qPrintable(QStringLiteral("%1 times change, first %2").arg(mismatches).arg(first)));
}

QTEST_GUILESS_MAIN(tst_Decompiler)
#include "tst_decompiler.moc"
