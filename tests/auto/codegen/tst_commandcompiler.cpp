#include "commandcompiler.h"

#include <QJsonDocument>
#include <QLoggingCategory>
#include <QTest>

namespace {

QJsonObject parse(const char *json)
{
    const QJsonObject object = QJsonDocument::fromJson(json).object();
    Q_ASSERT(!object.isEmpty());
    return object;
}

// An unconditional command with the given action.
QJsonObject command(const char *actionJson)
{
    QJsonObject object;
    object.insert(QStringLiteral("action"), parse(actionJson));
    return object;
}

const QByteArray kAlways = QByteArray::fromHex("80000000 80000000");

// A record of an unconditional command: length byte, the two always slots, the instructions.
QByteArray record(const char *instructionsHex)
{
    const QByteArray body = kAlways + QByteArray::fromHex(instructionsHex);
    return char(quint8(body.size())) + body;
}

QJsonArray programsWithSubprograms(int count)
{
    QJsonArray programs;
    for (int i = 0; i <= count; ++i)
        programs.append(QJsonArray());
    return programs;
}

} // namespace

class tst_CommandCompiler : public QObject
{
    Q_OBJECT

private slots:
    // The messages checked here are debug lines, which a default run leaves out.
    void initTestCase() { QLoggingCategory::setFilterRules(QStringLiteral("taviro.*.debug=true")); }
    void records_data();
    void records();
    void conditionalRecord();
    void returnRecord();
    void call_data();
    void call();
    void servoPins_data();
    void servoPins();
    void cycleDepth_data();
    void cycleDepth();
    void failedRecordStillReplacesTheLastOne();
    void commandTooLong_data();
    void commandTooLong();
    void missingParts_data();
    void missingParts();
};

void tst_CommandCompiler::records_data()
{
    QTest::addColumn<QJsonObject>("command");
    QTest::addColumn<QByteArray>("expected");

    // Drive commands.
    QTest::newRow("m_fwd timed with brake")
        << command(R"({"command": "m_fwd", "speed": 60, "timer": 1, "time": 2, "brake": 1})")
        << QByteArray::fromHex("10 80000000 80000000 233C 06D0070000 21");
    QTest::newRow("M_FWD upper case")
        << command(R"({"command": "M_FWD", "speed": 60, "timer": 1, "time": 2, "brake": 1})")
        << QByteArray::fromHex("10 80000000 80000000 233C 06D0070000 21");
    QTest::newRow("m_fwd 1.5 s text values")
        << command(R"({"command": "m_fwd", "speed": "60", "timer": "1", "time": "1.5"})")
        << record("233C 06DC050000 20");
    QTest::newRow("speed text equals number")
        << command(R"({"command": "m_backward", "speed": "50"})") << record("2832");
    QTest::newRow("speed word is 0")
        << command(R"({"command": "m_left", "speed": "fast"})") << record("2200");
    QTest::newRow("speed fraction is 0")
        << command(R"({"command": "m_right", "speed": 50.5})") << record("2400");
    QTest::newRow("speed keeps low byte")
        << command(R"({"command": "m_turnleft", "speed": 300})") << record("252C");
    QTest::newRow("m_turnright") << command(R"({"command": "m_turnright", "speed": 1})")
                                 << record("2601");
    QTest::newRow("m_bckright") << command(R"({"command": "m_bckright", "speed": 1})")
                                << record("2701");
    QTest::newRow("m_bckleft") << command(R"({"command": "m_bckleft", "speed": 1})")
                               << record("2901");
    QTest::newRow("drive 0.05 s rounds up")
        << command(R"({"command": "m_fwd", "speed": 10, "timer": 1, "time": 0.05})")
        << record("230A 0664000000 20");
    QTest::newRow("drive 0.04 s rounds down")
        << command(R"({"command": "m_fwd", "speed": 10, "timer": 1, "time": 0.04})")
        << record("230A 0600000000 20");
    QTest::newRow("drive negative time waits nothing")
        << command(R"({"command": "m_fwd", "speed": 10, "timer": 1, "time": -3})")
        << record("230A 0600000000 20");
    QTest::newRow("drive huge time saturates")
        << command(R"({"command": "m_fwd", "speed": 10, "timer": 1, "time": 1e30})")
        << record("230A 06FFFFFFFF 20");
    QTest::newRow("drive untimed ignores time")
        << command(R"({"command": "m_fwd", "speed": 10, "timer": 0, "time": 5, "brake": 1})")
        << record("230A");
    QTest::newRow("m_back is not a command")
        << command(R"({"command": "m_back", "speed": 10})") << record("00");
    QTest::newRow("m_stop") << command(R"({"command": "m_stop"})") << record("20");
    QTest::newRow("m_stop brake") << command(R"({"command": "m_stop", "brake": "1"})")
                                  << record("21");

    // Single motors.
    QTest::newRow("mrall ccw") << command(R"({"command": "mrall", "motor": "M1", "speed": 100,
                                             "side": 1})")
                               << record("16 01 9C");
    QTest::newRow("mrall cw") << command(R"({"command": "mrall", "motor": "D2", "speed": 100,
                                            "side": 0})")
                              << record("16 02 64");
    QTest::newRow("mrall ccw lowest speed")
        << command(R"({"command": "mrall", "motor": "D1", "speed": -2147483648, "side": 1})")
        << record("16 01 00");
    QTest::newRow("mrall ccw highest speed")
        << command(R"({"command": "mrall", "motor": "D1", "speed": "2147483647", "side": 1})")
        << record("16 01 01");
    QTest::newRow("mrall 0.05 s")
        << command(R"({"command": "mrall", "motor": "D2", "speed": 5, "timer": 1,
                      "time": 0.05, "brake": 1})")
        << record("160205 0632000000 1702");
    QTest::newRow("mrall 1.234 s")
        << command(R"({"command": "mrall", "motor": "A1", "speed": 5, "timer": 1,
                      "time": "1.234"})")
        << record("168105 06D2040000 1881");
    QTest::newRow("mr1stop brake") << command(R"({"command": "mr1stop", "motor": "M2",
                                                 "brake": 1})")
                                   << record("1702");
    QTest::newRow("mrstop coast") << command(R"({"command": "mrstop", "motor": "M2"})")
                                  << record("1802");

    // LEDs, matrix, sound.
    QTest::newRow("led on") << command(R"({"command": "mSetleds", "pin": "D13", "state": 1})")
                            << record("100D");
    QTest::newRow("led on text") << command(R"({"command": "msetleds", "pin": "D13",
                                               "state": "1"})")
                                 << record("100D");
    QTest::newRow("led state true is off")
        << command(R"({"command": "mSetleds", "pin": "A0", "state": true})") << record("1180");
    QTest::newRow("matrix corners")
        << command(R"({"command": "mMatrix", "pict": [1,0,0,0,0,0,0,1, 0,0,0,0,0,0,0,0,
                      0,0,0,0,0,0,0,0, 0,0,0,0,0,0,0,0, 0,0,0,0,0,0,0,0, 0,0,0,0,0,0,0,0,
                      0,0,0,0,0,0,0,0, "1",0,0,0,0,0,0,"1"]})")
        << record("15 81000000000000 81");
    QTest::newRow("matrix short pict")
        << command(R"({"command": "mMatrix", "pict": [1, 1, 2, "1"]})")
        << record("15 D0000000000000 00");
    QTest::newRow("matrix pict as text")
        << command(
               R"({"command": "mMatrix", "pict": "0000000000000000000000000000000000000000000000000000000000000000"})")
        << record("15 0000000000000000");
    QTest::newRow("sound") << command(R"({"command": "mSound", "note": "G#", "octave": 4,
                                         "time": 0.5})")
                           << record("14 94 05");
    QTest::newRow("sound lower case, octave text")
        << command(R"({"command": "mSound", "note": "b", "octave": "5", "time": "1.2"})")
        << record("14 C5 0C");
    QTest::newRow("sound rest") << command(R"({"command": "mSound", "note": "0", "octave": 4,
                                              "time": 1})")
                                << record("14 04 0A");
    QTest::newRow("sound octave masked")
        << command(R"({"command": "mSound", "note": "C", "octave": 17, "time": 0})")
        << record("14 11 00");
    QTest::newRow("sound time keeps low byte")
        << command(R"({"command": "mSound", "note": "C", "octave": 1, "time": 30})")
        << record("14 11 2C");

    // Melody.
    QTest::newRow("music empty") << command(R"({"command": "mMusic", "tempo": 90, "sounds": []})")
                                 << record("2A 5A FF00");
    QTest::newRow("music sounds as text")
        << command(R"({"command": "mMusic", "tempo": "90", "sounds": "[]"})")
        << record("2A 5A FF00");
    QTest::newRow("music two sounds") << command(R"({"command": "mMusic", "tempo": 120, "sounds": [
                      {"note": "C", "octave": 4, "length": 8},
                      {"note": "A#", "octave": "3", "length": "16"}]})")
                                      << record("2A 78 1408 B310 FF00");

    // Pause.
    QTest::newRow("pause 0.25 s") << command(R"({"command": "mPause", "second": 0.25})")
                                  << record("06 2C010000");
    QTest::newRow("pause 1 h 2 min 3.4 s")
        << command(R"({"command": "mPause", "hour": 1, "minute": "2", "second": "3.4"})")
        << record("06 88D03800");
    QTest::newRow("pause negative total is 0")
        << command(R"({"command": "mPause", "hour": -1, "minute": 0, "second": 0})")
        << record("06 00000000");

    // Servos.
    QTest::newRow("servos empty timed")
        << command(R"({"command": "mServowork", "servos": [], "timer": 1, "time": 1})")
        << record("00 06E8030000");
    QTest::newRow("servos as text untimed")
        << command(R"({"command": "mServowork", "servos": "[]", "time": 1})") << record("00");

    // Cycles, calls, the rest.
    QTest::newRow("start cycle") << command(R"({"command": "mStartCycle"})") << record("01");
    QTest::newRow("end cycle") << command(R"({"command": "mEndCycle"})") << record("02");
    QTest::newRow("counted start") << command(R"({"command": "mvirtualstartcycle",
                                                 "counter": 5})")
                                   << record("0305");
    QTest::newRow("counted end") << command(R"({"command": "mvirtualendcycle", "counter": "7"})")
                                 << record("0407");
    QTest::newRow("return") << command(R"({"command": "return"})") << record("07");
    QTest::newRow("mnop") << command(R"({"command": "mnop"})") << record("00");
    QTest::newRow("empty name") << command(R"({"command": ""})")
                                << QByteArray::fromHex("09 80000000 80000000 00");
    QTest::newRow("name not text") << command(R"({"command": 35, "speed": 4})") << record("00");
}

void tst_CommandCompiler::records()
{
    QFETCH(QJsonObject, command);
    QFETCH(QByteArray, expected);
    CommandCompiler compiler;
    QVERIFY(compiler.compileCommand(command));
    QCOMPARE(compiler.lastRecord().toHex(' '), expected.toHex(' '));
}

void tst_CommandCompiler::conditionalRecord()
{
    CommandCompiler compiler;
    QVERIFY(compiler.compileCommand(parse(R"({
        "conditions": {"type": "and", "data": [{"pin": "D1", "level": 0},
                                               {"pin": "A0", "equation": "greater", "level": 100}]},
        "action": {"command": "m_stop", "brake": 1}})")));
    QCOMPARE(compiler.lastRecord().toHex(' '),
             QByteArray::fromHex("09 07010000 83806400 21").toHex(' '));
}

void tst_CommandCompiler::returnRecord()
{
    QCOMPARE(CommandCompiler::returnRecord().toHex(' '),
             QByteArray::fromHex("09 80000000 80000000 07").toHex(' '));
    CommandCompiler compiler;
    QVERIFY(compiler.compileCommand(command(R"({"command": "Return"})")));
    QCOMPARE(compiler.lastRecord(), CommandCompiler::returnRecord());
}

void tst_CommandCompiler::call_data()
{
    QTest::addColumn<int>("subprograms");
    QTest::addColumn<QJsonValue>("proc");
    QTest::addColumn<bool>("success");
    QTest::addColumn<int>("target");
    QTest::addColumn<QByteArray>("expected");

    QTest::newRow("existing") << 2 << QJsonValue(2) << true << 2 << record("0502");
    QTest::newRow("first as text")
        << 2 << QJsonValue(QStringLiteral("1")) << true << 1 << record("0501");
    QTest::newRow("beyond the last") << 2 << QJsonValue(3) << false << 0 << record("0503");
    QTest::newRow("zero") << 2 << QJsonValue(0) << false << 0 << record("0500");
    QTest::newRow("negative") << 2 << QJsonValue(-1) << false << 0 << record("05FF");
    QTest::newRow("no subprograms") << 0 << QJsonValue(1) << false << 0 << record("0501");
    QTest::newRow("beyond one byte") << 300 << QJsonValue(257) << false << 0 << record("0501");
}

void tst_CommandCompiler::call()
{
    QFETCH(int, subprograms);
    QFETCH(QJsonValue, proc);
    QFETCH(bool, success);
    QFETCH(int, target);
    QFETCH(QByteArray, expected);

    CommandCompiler compiler;
    compiler.setPrograms(programsWithSubprograms(subprograms));
    QJsonObject action{{QStringLiteral("command"), QStringLiteral("call")},
                       {QStringLiteral("proc"), proc}};
    // A previous call target must not survive a failed call.
    QVERIFY(compiler.compileCommand(command(R"({"command": "mnop"})")));
    QCOMPARE(compiler.compileCommand(QJsonObject{{QStringLiteral("action"), action}}), success);
    QCOMPARE(compiler.lastCallTarget(), target);
    QCOMPARE(compiler.lastRecord().toHex(' '), expected.toHex(' '));
}

void tst_CommandCompiler::servoPins_data()
{
    QTest::addColumn<QList<quint8>>("servoPins");
    QTest::addColumn<QJsonObject>("command");
    QTest::addColumn<bool>("success");
    QTest::addColumn<QByteArray>("expected");

    const QList<quint8> pins{3, 129};
    QTest::newRow("two servos timed")
        << pins << command(R"({"command": "mServowork", "timer": 1, "time": "1.5", "servos": [
                      {"pin": "D3", "angle": 90}, {"pin": "A1", "angle": "45"}]})")
        << true << record("1303 5A 0F 1381 2D 0F 06DC050000");
    QTest::newRow("time 30 is 25.5 s")
        << pins << command(R"({"command": "mServowork", "timer": 1, "time": 30, "servos": [
                      {"pin": "D3", "angle": 10}]})")
        << true << record("1303 0A FF 06 9C630000");
    QTest::newRow("angle keeps low byte")
        << pins << command(R"({"command": "mServowork", "time": 0.3, "servos": [
                      {"pin": "d3", "angle": 400}]})")
        << true << record("1303 90 03");
    QTest::newRow("not a servo pin")
        << pins << command(R"({"command": "mServowork", "time": 1, "servos": [
                      {"pin": "D4", "angle": 10}, {"pin": "D3", "angle": 20}]})")
        << false << record("1304 0A 0A 1303 14 0A");
    QTest::newRow("no servo pins at all")
        << QList<quint8>()
        << command(R"({"command": "mServowork", "time": 1, "servos": [{"pin": "D3", "angle": 1}]})")
        << false << record("1303 01 0A");
    QTest::newRow("empty list needs no servo pins")
        << QList<quint8>()
        << command(R"({"command": "mServowork", "timer": 1, "time": 1, "servos": []})") << true
        << record("00 06E8030000");
    QTest::newRow("servo entry not an object")
        << QList<quint8>{255}
        << command(R"({"command": "mServowork", "time": 0, "servos": ["D3"]})") << true
        << record("13FF 00 00");
}

void tst_CommandCompiler::servoPins()
{
    QFETCH(QList<quint8>, servoPins);
    QFETCH(QJsonObject, command);
    QFETCH(bool, success);
    QFETCH(QByteArray, expected);

    CommandCompiler compiler;
    compiler.setServoPins(servoPins);
    QCOMPARE(compiler.compileCommand(command), success);
    QCOMPARE(compiler.lastRecord().toHex(' '), expected.toHex(' '));
}

void tst_CommandCompiler::cycleDepth_data()
{
    QTest::addColumn<QStringList>("commands");
    QTest::addColumn<int>("depth");

    QTest::newRow("balanced") << QStringList{"mStartCycle", "m_fwd", "mEndCycle"} << 0;
    QTest::newRow("nested") << QStringList{"mStartCycle", "mStartCycle", "mEndCycle"} << 1;
    QTest::newRow("end before start") << QStringList{"mEndCycle", "mStartCycle"} << -1;
    QTest::newRow("end before start and more")
        << QStringList{"mEndCycle", "mStartCycle", "mStartCycle", "mEndCycle"} << -2;
    QTest::newRow("counted cycles do not count")
        << QStringList{"mvirtualstartcycle", "mvirtualendcycle", "mvirtualendcycle"} << 0;
    QTest::newRow("upper case") << QStringList{"MSTARTCYCLE"} << 1;
}

void tst_CommandCompiler::cycleDepth()
{
    QFETCH(QStringList, commands);
    QFETCH(int, depth);

    CommandCompiler compiler;
    for (const QString &name : commands) {
        QVERIFY(compiler.compileCommand(QJsonObject{
            {QStringLiteral("action"), QJsonObject{{QStringLiteral("command"), name}}}}));
    }
    QCOMPARE(compiler.cycleDepth(), depth);
    compiler.resetCycleDepth();
    QCOMPARE(compiler.cycleDepth(), 0);
}

void tst_CommandCompiler::failedRecordStillReplacesTheLastOne()
{
    CommandCompiler compiler;
    compiler.setPrograms(programsWithSubprograms(1));
    QVERIFY(compiler.compileCommand(command(R"({"command": "call", "proc": 1})")));
    QCOMPARE(compiler.lastCallTarget(), 1);
    QVERIFY(!compiler.compileCommand(command(R"({"command": "call", "proc": 4})")));
    QCOMPARE(compiler.lastRecord().toHex(' '), record("0504").toHex(' '));
    QCOMPARE(compiler.lastCallTarget(), 0);
}

void tst_CommandCompiler::commandTooLong_data()
{
    QTest::addColumn<int>("sounds");
    QTest::addColumn<bool>("success");

    // 8 condition bytes + opcode + tempo + 2 per sound + terminator: L = 12 + 2 * sounds.
    QTest::newRow("L 254") << 121 << true;
    QTest::newRow("L 256") << 122 << false;
    QTest::newRow("L 412") << 200 << false;
}

void tst_CommandCompiler::commandTooLong()
{
    QFETCH(int, sounds);
    QFETCH(bool, success);

    QJsonArray melody;
    for (int i = 0; i < sounds; ++i)
        melody.append(QJsonObject{{QStringLiteral("note"), QStringLiteral("E")},
                                  {QStringLiteral("octave"), 4},
                                  {QStringLiteral("length"), 4}});
    const QJsonObject action{{QStringLiteral("command"), QStringLiteral("mMusic")},
                             {QStringLiteral("tempo"), 100},
                             {QStringLiteral("sounds"), melody}};
    CommandCompiler compiler;
    if (!success)
        QTest::ignoreMessage(QtDebugMsg, "Command too long");
    QCOMPARE(compiler.compileCommand(QJsonObject{{QStringLiteral("action"), action}}), success);
    // The record is complete in memory; only its length byte wraps.
    const QByteArray record = compiler.lastRecord();
    QCOMPARE(record.size(), 1 + 8 + 2 + 2 * sounds + 2);
    QCOMPARE(int(quint8(record.at(0))), (record.size() - 1) % 256);
    QCOMPARE(record.right(2).toHex(), QByteArray("ff00"));
}

void tst_CommandCompiler::missingParts_data()
{
    QTest::addColumn<QJsonObject>("command");
    QTest::newRow("empty object") << QJsonObject();
    QTest::newRow("action not an object") << parse(R"({"action": "m_fwd"})");
    QTest::newRow("conditions not an object")
        << parse(R"({"conditions": [1, 2], "action": {"command": "mnop"}})");
    QTest::newRow("action without command") << parse(R"({"action": {"speed": 5}})");
}

void tst_CommandCompiler::missingParts()
{
    QFETCH(QJsonObject, command);
    CommandCompiler compiler;
    QVERIFY(compiler.compileCommand(command));
    QCOMPARE(compiler.lastRecord().toHex(' '), record("00").toHex(' '));
}

QTEST_GUILESS_MAIN(tst_CommandCompiler)
#include "tst_commandcompiler.moc"
