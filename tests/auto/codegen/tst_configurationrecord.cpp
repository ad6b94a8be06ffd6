#include "configurationrecord.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QLoggingCategory>
#include <QRegularExpression>
#include <QTest>

namespace {

QJsonObject parse(const char *json)
{
    return QJsonDocument::fromJson(json).object();
}

} // namespace

class tst_ConfigurationRecord : public QObject
{
    Q_OBJECT

private slots:
    // The messages checked here are debug lines, which a default run leaves out.
    void initTestCase() { QLoggingCategory::setFilterRules(QStringLiteral("taviro.*.debug=true")); }
    void encode_data();
    void encode();
    void decode_data();
    void decode();
    void decodedConfigurationEncodesToTheSameRecord_data();
    void decodedConfigurationEncodesToTheSameRecord();
    void recordFitsItsFrame_data();
    void recordFitsItsFrame();
};

void tst_ConfigurationRecord::encode_data()
{
    QTest::addColumn<QJsonObject>("configuration");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QList<quint8>>("servoPins");

    QTest::newRow("empty") << QJsonObject() << QByteArray::fromHex("00000000") << QList<quint8>();
    QTest::newRow("motors") << parse(R"({"Motor1": 3, "Motor2": "4"})")
                            << QByteArray::fromHex("03040000") << QList<quint8>();
    QTest::newRow("motors keep the low byte") << parse(R"({"Motor1": 258, "Motor2": 1.5})")
                                              << QByteArray::fromHex("02000000") << QList<quint8>();
    QTest::newRow("plain gadgets")
        << parse(
               R"({"pins": [{"pinLbl": "D2", "gadgetId": 11}, {"pinLbl": "A0", "gadgetId": 50}]})")
        << QByteArray::fromHex("0000 020B 8032 0000") << QList<quint8>();
    QTest::newRow("servo classes 3 and 4")
        << parse(
               R"({"pins": [{"pinLbl": "D5", "gadgetId": 30}, {"pinLbl": "D6", "gadgetId": 49}]})")
        << QByteArray::fromHex("0000 051E 0631 0000") << QList<quint8>{5, 6};
    QTest::newRow("calibrated servo without calibration")
        << parse(R"({"pins": [{"pinLbl": "D9", "gadgetId": 20}]})")
        << QByteArray::fromHex("0000 091464 0000") << QList<quint8>{9};
    QTest::newRow("calibrated servo with its own zero")
        << parse(R"({"pins": [{"pinLbl": "D9", "gadgetId": 20, "zero": 80}]})")
        << QByteArray::fromHex("0000 091450 0000") << QList<quint8>{9};
    QTest::newRow("calibration wins over the pin's zero")
        << parse(R"({"pins": [{"pinLbl": "D9", "gadgetId": 25, "zero": 80}],
                    "servocalibr": [{"pin": "D8", "zero": 1}, {"pin": "D9", "zero": "95"},
                                    {"pin": "D9", "zero": 7}]})")
        << QByteArray::fromHex("0000 09195F 0000") << QList<quint8>{9};
    QTest::newRow("calibration pin compared exactly")
        << parse(R"({"pins": [{"pinLbl": "D9", "gadgetId": 20}],
                    "servocalibr": [{"pin": "d9", "zero": 1}, {"pin": "D9 ", "zero": 2}]})")
        << QByteArray::fromHex("0000 091464 0000") << QList<quint8>{9};
    QTest::newRow("gadget id as text reads 0")
        << parse(R"({"pins": [{"pinLbl": "D9", "gadgetId": "20"}]})")
        << QByteArray::fromHex("0000 0900 0000") << QList<quint8>();
    QTest::newRow("pin zero as text reads 0")
        << parse(R"({"pins": [{"pinLbl": "D9", "gadgetId": 20, "zero": "80"}]})")
        << QByteArray::fromHex("0000 091400 0000") << QList<quint8>{9};
    QTest::newRow("gadget id beyond a byte uses the stored byte")
        << parse(R"({"pins": [{"pinLbl": "D9", "gadgetId": 276}]})")
        << QByteArray::fromHex("0000 091464 0000") << QList<quint8>{9};
    QTest::newRow("pins not an array") << parse(R"({"pins": {"pinLbl": "D9", "gadgetId": 30}})")
                                       << QByteArray::fromHex("00000000") << QList<quint8>();
    QTest::newRow("pin entry not an object")
        << parse(R"({"pins": ["D9"]})") << QByteArray::fromHex("0000 FF00 0000") << QList<quint8>();
}

void tst_ConfigurationRecord::encode()
{
    QFETCH(QJsonObject, configuration);
    QFETCH(QByteArray, bytes);
    QFETCH(QList<quint8>, servoPins);

    const ConfigurationRecord record = encodeConfiguration(configuration);
    QCOMPARE(record.bytes.toHex(' '), bytes.toHex(' '));
    QCOMPARE(record.servoPins, servoPins);
}

void tst_ConfigurationRecord::decode_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QJsonObject>("configuration");

    QTest::newRow("empty") << QByteArray() << QJsonObject();
    QTest::newRow("one byte") << QByteArray::fromHex("05") << QJsonObject();
    QTest::newRow("motors only")
        << QByteArray::fromHex("0304")
        << parse(R"({"Motor1": 3, "Motor2": 4, "pins": [], "servocalibr": []})");
    QTest::newRow("no pins") << QByteArray::fromHex("03040000")
                             << parse(R"({"Motor1": 3, "Motor2": 4, "pins": [],
                                         "servocalibr": []})");
    QTest::newRow("pins and calibrated servos")
        << QByteArray::fromHex("0102 020B 091464 0A1950 C81E 0000")
        << parse(R"({"Motor1": 1, "Motor2": 2, "pins": [
                    {"pinLbl": "D2", "gadgetId": 11},
                    {"pinLbl": "D9", "gadgetId": 20, "zero": 100},
                    {"pinLbl": "D10", "gadgetId": 25, "zero": 80},
                    {"pinLbl": "HZ", "gadgetId": 30}],
                    "servocalibr": [{"pin": "D9", "zero": 100}, {"pin": "D10", "zero": 80}]})");
    QTest::newRow("missing terminator")
        << QByteArray::fromHex("0000 020B 8132")
        << parse(R"({"Motor1": 0, "Motor2": 0, "pins": [{"pinLbl": "D2", "gadgetId": 11}],
                    "servocalibr": []})");
}

void tst_ConfigurationRecord::decode()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QJsonObject, configuration);
    QCOMPARE(decodeConfiguration(bytes), configuration);
}

void tst_ConfigurationRecord::decodedConfigurationEncodesToTheSameRecord_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("empty") << QByteArray::fromHex("00000000");
    QTest::newRow("motors") << QByteArray::fromHex("07090000");
    QTest::newRow("mixed") << QByteArray::fromHex("0102 020B 091464 0A1950 FF1E 8328 0000");
    QTest::newRow("every calibrated class") << QByteArray::fromHex(
        "0000 011400 02155A 0316FF 04170A 051801 061902 071A03 081B04 091C05 0A1D06 0000");
}

void tst_ConfigurationRecord::decodedConfigurationEncodesToTheSameRecord()
{
    QFETCH(QByteArray, bytes);
    QCOMPARE(encodeConfiguration(decodeConfiguration(bytes)).bytes.toHex(' '), bytes.toHex(' '));
}

namespace {

QJsonObject configurationWithPins(int count, int gadgetId)
{
    QJsonArray pins;
    for (int i = 0; i < count; ++i)
        pins.append(QJsonObject{{QStringLiteral("pinLbl"), QStringLiteral("D%1").arg(i % 100)},
                                {QStringLiteral("gadgetId"), gadgetId}});
    return QJsonObject{{QStringLiteral("pins"), pins}};
}

} // namespace

void tst_ConfigurationRecord::recordFitsItsFrame_data()
{
    QTest::addColumn<QJsonObject>("configuration");
    QTest::addColumn<int>("size");
    QTest::addColumn<bool>("complete");

    // Motors, entries, terminator: 2 + 2 * 125 + 2 = 254 fits, one more entry does not.
    QTest::newRow("125 plain pins") << configurationWithPins(125, 11) << 254 << true;
    QTest::newRow("126 plain pins") << configurationWithPins(126, 11) << 254 << false;
    QTest::newRow("500 plain pins") << configurationWithPins(500, 11) << 254 << false;
    // 2 + 3 * 83 + 2 = 253; an 84th calibrated servo would make 256.
    QTest::newRow("83 calibrated servos") << configurationWithPins(83, 20) << 253 << true;
    QTest::newRow("84 calibrated servos") << configurationWithPins(84, 20) << 253 << false;

    // A full 255-byte record read back whose last calibrated entry overlaps the terminator:
    // written again, the entry would need the two terminator bytes after it.
    QByteArray overlapping = QByteArray::fromHex("0000");
    while (overlapping.size() + 3 <= 255)
        overlapping += QByteArray::fromHex("051400");
    QCOMPARE(overlapping.size(), 254);
    overlapping += QByteArray::fromHex("05");
    QTest::newRow("read-back record overlapping its terminator")
        << decodeConfiguration(overlapping) << 253 << false;
}

void tst_ConfigurationRecord::recordFitsItsFrame()
{
    QFETCH(QJsonObject, configuration);
    QFETCH(int, size);
    QFETCH(bool, complete);

    if (!complete)
        QTest::ignoreMessage(QtDebugMsg, QRegularExpression("^Configuration too long"));
    const ConfigurationRecord record = encodeConfiguration(configuration);
    QCOMPARE(record.bytes.size(), size);
    QVERIFY(record.bytes.endsWith(QByteArray(2, '\0')));
    QCOMPARE(record.complete, complete);
    // Whatever was kept decodes to whole entries again.
    QCOMPARE(encodeConfiguration(decodeConfiguration(record.bytes)).bytes, record.bytes);
}

QTEST_GUILESS_MAIN(tst_ConfigurationRecord)
#include "tst_configurationrecord.moc"
