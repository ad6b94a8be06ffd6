#include "conditioncodec.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QTest>

using namespace ConditionCodec;

namespace {

QJsonObject parse(const char *json)
{
    return QJsonDocument::fromJson(json).object();
}

} // namespace

class tst_ConditionCodec : public QObject
{
    Q_OBJECT

private slots:
    void encodeConditions_data();
    void encodeConditions();
    void encodeCondition_data();
    void encodeCondition();
    void decodeConditions_data();
    void decodeConditions();
    void decodedConditionsEncodeToTheSameSlots_data();
    void decodedConditionsEncodeToTheSameSlots();
};

void tst_ConditionCodec::encodeConditions_data()
{
    QTest::addColumn<QJsonObject>("conditions");
    QTest::addColumn<QByteArray>("slotBytes");

    QTest::newRow("always") << parse(R"({"type": "always"})")
                            << QByteArray::fromHex("80000000 80000000");
    QTest::newRow("empty object") << QJsonObject() << QByteArray::fromHex("80000000 80000000");
    QTest::newRow("no type") << parse(R"({"data": [{"pin": "D3", "level": 1}]})")
                             << QByteArray::fromHex("80000000 80000000");
    QTest::newRow("single digital")
        << parse(R"({"type": "single", "data": [{"pin": "D3", "level": 1}]})")
        << QByteArray::fromHex("08030100 80000000");
    QTest::newRow("single inside")
        << parse(R"({"type": "single", "data": [{"pin": "A2", "equation": "inside",
                    "level": 40, "level2": 200}]})")
        << QByteArray::fromHex("058228C8 80000000");
    QTest::newRow("and") << parse(R"({"type": "and", "data": [{"pin": "D1", "level": 0},
                                    {"pin": "A0", "equation": "greater", "level": 100}]})")
                         << QByteArray::fromHex("07010000 83806400");
    QTest::newRow("or") << parse(R"({"type": "or", "data": [{"pin": "D1", "level": 0},
                                   {"pin": "A0", "equation": "greater", "level": 100}]})")
                        << QByteArray::fromHex("07010000 03806400");
    QTest::newRow("OR upper case") << parse(R"({"type": "OR", "data": [{"pin": "D1", "level": 0},
                                    {"pin": "A0", "equation": "greater", "level": 100}]})")
                                   << QByteArray::fromHex("07010000 03806400");
    QTest::newRow("And mixed case") << parse(R"({"type": "And", "data": [{"pin": "D1", "level": 0},
                    {"pin": "A0", "equation": "greater", "level": 100}]})")
                                    << QByteArray::fromHex("07010000 83806400");
    QTest::newRow("unknown type is or")
        << parse(
               R"({"type": "xor", "data": [{"pin": "D1", "level": 1}, {"pin": "D2", "level": 1}]})")
        << QByteArray::fromHex("08010100 08020100");
    QTest::newRow("counter") << parse(R"({"type": "single", "data": [{"equation": "counter",
                                        "level": "5"}]})")
                             << QByteArray::fromHex("09FF0500 80000000");
    QTest::newRow("single with empty data")
        << parse(R"({"type": "single", "data": []})") << QByteArray::fromHex("00FF0000 80000000");
    QTest::newRow("and with one condition")
        << parse(R"({"type": "and", "data": [{"pin": "D1", "level": 1}]})")
        << QByteArray::fromHex("08010100 80FF0000");
    QTest::newRow("type not text") << parse(R"({"type": 5, "data": [{"pin": "D1", "level": 1}]})")
                                   << QByteArray::fromHex("08010100 00FF0000");
    QTest::newRow("data not array") << parse(R"({"type": "single", "data": {"pin": "D1"}})")
                                    << QByteArray::fromHex("00FF0000 80000000");
    QTest::newRow("conditions not objects") << parse(R"({"type": "or", "data": ["D1", 7]})")
                                            << QByteArray::fromHex("00FF0000 00FF0000");
}

void tst_ConditionCodec::encodeConditions()
{
    QFETCH(QJsonObject, conditions);
    QFETCH(QByteArray, slotBytes);
    QCOMPARE(ConditionCodec::encodeConditions(conditions).toHex(' '), slotBytes.toHex(' '));
}

void tst_ConditionCodec::encodeCondition_data()
{
    QTest::addColumn<QJsonObject>("condition");
    QTest::addColumn<bool>("andFlag");
    QTest::addColumn<QByteArray>("slot");

    QTest::newRow("digital ignores equation")
        << parse(R"({"pin": "D4", "equation": "greater", "level": 1})") << false
        << QByteArray::fromHex("08040100");
    QTest::newRow("digital level 256 is low")
        << parse(R"({"pin": "D4", "level": 256})") << false << QByteArray::fromHex("07040000");
    QTest::newRow("digital level text")
        << parse(R"({"pin": "d4", "level": "1"})") << false << QByteArray::fromHex("08040100");
    QTest::newRow("digital with and flag")
        << parse(R"({"pin": "D4", "level": 0})") << true << QByteArray::fromHex("87040000");
    QTest::newRow("mixed case equation") << parse(R"({"pin": "A1", "equation": "Greater",
                                                    "level": 9})")
                                         << false << QByteArray::fromHex("03810900");
    QTest::newRow("equals") << parse(R"({"pin": "A1", "equation": "equals", "level": "7"})")
                            << false << QByteArray::fromHex("01810700");
    QTest::newRow("unequal") << parse(R"({"pin": "A1", "equation": "unequal", "level": 7})")
                             << false << QByteArray::fromHex("02810700");
    QTest::newRow("smaller") << parse(R"({"pin": "A1", "equation": "smaller", "level": 7})")
                             << false << QByteArray::fromHex("04810700");
    QTest::newRow("outside") << parse(R"({"pin": "A1", "equation": "outside", "level": "10",
                                        "level2": "20"})")
                             << false << QByteArray::fromHex("06810A14");
    QTest::newRow("analog always") << parse(R"({"pin": "A1", "equation": "always"})") << false
                                   << QByteArray::fromHex("00810000");
    QTest::newRow("analog unknown equation") << parse(R"({"pin": "A1", "equation": "near"})")
                                             << false << QByteArray::fromHex("00810000");
    QTest::newRow("level2 null") << parse(R"({"pin": "A1", "equation": "greater", "level": "5",
                                            "level2": null})")
                                 << false << QByteArray::fromHex("03810500");
    QTest::newRow("level1 used without level")
        << parse(R"({"pin": "D2", "level1": 1})") << false << QByteArray::fromHex("08020100");
    QTest::newRow("level wins over level1") << parse(R"({"pin": "D2", "level": 0, "level1": 1})")
                                            << false << QByteArray::fromHex("07020000");
    QTest::newRow("pin with comment") << parse(R"({"pin": "A3 light", "equation": "smaller",
                                                 "level": 3})")
                                      << false << QByteArray::fromHex("04830300");
    QTest::newRow("HZ counter") << parse(R"({"pin": "HZ", "equation": "counter", "level": "3"})")
                                << false << QByteArray::fromHex("09FF0300");
    QTest::newRow("levels keep the low byte")
        << parse(R"({"pin": "A0", "equation": "inside", "level": 300, "level2": -1})") << false
        << QByteArray::fromHex("05802CFF");
    QTest::newRow("pin not text") << parse(R"({"pin": 3, "equation": "equals", "level": 1})")
                                  << false << QByteArray::fromHex("01FF0100");
}

void tst_ConditionCodec::encodeCondition()
{
    QFETCH(QJsonObject, condition);
    QFETCH(bool, andFlag);
    QFETCH(QByteArray, slot);
    QCOMPARE(ConditionCodec::encodeCondition(condition, andFlag).toHex(' '), slot.toHex(' '));
}

void tst_ConditionCodec::decodeConditions_data()
{
    QTest::addColumn<QByteArray>("slotBytes");
    QTest::addColumn<QJsonObject>("conditions");

    QTest::newRow("and") << QByteArray::fromHex("07010000 83806400")
                         << parse(R"({"type": "and", "data": [
                                {"equation": "equals", "pin": "D1", "level": "0", "level2": "0"},
                                {"equation": "greater", "pin": "A0", "level": "100", "level2": "0"}]})");
    QTest::newRow("or") << QByteArray::fromHex("07010000 03806400")
                        << parse(R"({"type": "or", "data": [
                                {"equation": "equals", "pin": "D1", "level": "0", "level2": "0"},
                                {"equation": "greater", "pin": "A0", "level": "100", "level2": "0"}]})");
    QTest::newRow("always") << QByteArray::fromHex("80000000 80000000")
                            << parse(R"({"type": "always", "data": [
                                {"equation": "equals", "pin": "D0", "level": "0", "level2": "0"},
                                {"equation": "equals", "pin": "D0", "level": "0", "level2": "0"}]})");
    QTest::newRow("single counter")
        << QByteArray::fromHex("09FF0500 80000000") << parse(R"({"type": "single", "data": [
                                {"equation": "counter", "pin": "HZ", "level": "5", "level2": "0"},
                                {"equation": "equals", "pin": "D0", "level": "0", "level2": "0"}]})");
    QTest::newRow("inside and outside")
        << QByteArray::fromHex("058228C8 06810A14") << parse(R"({"type": "or", "data": [
                                {"equation": "inside", "pin": "A2", "level": "40", "level2": "200"},
                                {"equation": "outside", "pin": "A1", "level": "10", "level2": "20"}]})");
    QTest::newRow("kinds 1 7 8 read as equals")
        << QByteArray::fromHex("01810700 88040100") << parse(R"({"type": "and", "data": [
                                {"equation": "equals", "pin": "A1", "level": "7", "level2": "0"},
                                {"equation": "equals", "pin": "D4", "level": "1", "level2": "0"}]})");
    QTest::newRow("short input reads zeros")
        << QByteArray::fromHex("0803") << parse(R"({"type": "single", "data": [
                                {"equation": "equals", "pin": "D3", "level": "0", "level2": "0"},
                                {"equation": "equals", "pin": "D0", "level": "0", "level2": "0"}]})");
}

void tst_ConditionCodec::decodeConditions()
{
    QFETCH(QByteArray, slotBytes);
    QFETCH(QJsonObject, conditions);
    QCOMPARE(ConditionCodec::decodeConditions(slotBytes), conditions);
}

void tst_ConditionCodec::decodedConditionsEncodeToTheSameSlots_data()
{
    QTest::addColumn<QByteArray>("slotBytes");
    QTest::newRow("always") << QByteArray::fromHex("80000000 80000000");
    QTest::newRow("single digital") << QByteArray::fromHex("08030100 80000000");
    QTest::newRow("single low") << QByteArray::fromHex("07030000 80000000");
    QTest::newRow("inside") << QByteArray::fromHex("058228C8 80000000");
    QTest::newRow("and") << QByteArray::fromHex("07010000 83806400");
    QTest::newRow("or") << QByteArray::fromHex("07010000 03806400");
    QTest::newRow("counter") << QByteArray::fromHex("09FF0500 80000000");
    QTest::newRow("condition and counter") << QByteArray::fromHex("04850A00 89FF0300");
    QTest::newRow("unequal or smaller") << QByteArray::fromHex("02800100 04811000");
}

void tst_ConditionCodec::decodedConditionsEncodeToTheSameSlots()
{
    QFETCH(QByteArray, slotBytes);
    QCOMPARE(
        ConditionCodec::encodeConditions(ConditionCodec::decodeConditions(slotBytes)).toHex(' '),
        slotBytes.toHex(' '));
}

QTEST_GUILESS_MAIN(tst_ConditionCodec)
#include "tst_conditioncodec.moc"
