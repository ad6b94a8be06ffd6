#include "programvalues.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QTest>

using namespace ProgramValues;

class tst_ProgramValues : public QObject
{
    Q_OBJECT

private slots:
    void readInt_data();
    void readInt();
    void readDecimal_data();
    void readDecimal();
    void readText_data();
    void readText();
    void parsePinLabel_data();
    void parsePinLabel();
    void pinLabel_data();
    void pinLabel();
    void labelsOfEveryCodeParseBack();
};

void tst_ProgramValues::readInt_data()
{
    QTest::addColumn<QJsonValue>("value");
    QTest::addColumn<int>("expected");

    QTest::newRow("number") << QJsonValue(50) << 50;
    QTest::newRow("number text") << QJsonValue(QStringLiteral("50")) << 50;
    QTest::newRow("negative text") << QJsonValue(QStringLiteral("-7")) << -7;
    QTest::newRow("integral double") << QJsonValue(3.0) << 3;
    QTest::newRow("fraction") << QJsonValue(50.5) << 0;
    QTest::newRow("decimal text") << QJsonValue(QStringLiteral("1.5")) << 0;
    QTest::newRow("word") << QJsonValue(QStringLiteral("fast")) << 0;
    QTest::newRow("empty text") << QJsonValue(QString()) << 0;
    QTest::newRow("true") << QJsonValue(true) << 0;
    QTest::newRow("false") << QJsonValue(false) << 0;
    QTest::newRow("null") << QJsonValue() << 0;
    QTest::newRow("missing") << QJsonValue(QJsonValue::Undefined) << 0;
    QTest::newRow("array") << QJsonValue(QJsonArray{1}) << 0;
    QTest::newRow("object") << QJsonValue(QJsonObject{{"a", 1}}) << 0;
    QTest::newRow("beyond 32 bits") << QJsonValue(1e12) << 0;
    QTest::newRow("text beyond 32 bits") << QJsonValue(QStringLiteral("99999999999")) << 0;
    QTest::newRow("largest") << QJsonValue(2147483647.0) << 2147483647;
}

void tst_ProgramValues::readInt()
{
    QFETCH(QJsonValue, value);
    QFETCH(int, expected);
    QCOMPARE(ProgramValues::readInt(value), expected);
}

void tst_ProgramValues::readDecimal_data()
{
    QTest::addColumn<QJsonValue>("value");
    QTest::addColumn<double>("expected");

    QTest::newRow("number") << QJsonValue(1.5) << 1.5;
    QTest::newRow("integer") << QJsonValue(2) << 2.0;
    QTest::newRow("text") << QJsonValue(QStringLiteral("1.5")) << 1.5;
    QTest::newRow("integer text") << QJsonValue(QStringLiteral("3")) << 3.0;
    QTest::newRow("decimal comma") << QJsonValue(QStringLiteral("1,5")) << 1.5;
    QTest::newRow("two commas") << QJsonValue(QStringLiteral("1,5,0")) << 0.0;
    QTest::newRow("word") << QJsonValue(QStringLiteral("soon")) << 0.0;
    QTest::newRow("nan text") << QJsonValue(QStringLiteral("nan")) << 0.0;
    QTest::newRow("inf text") << QJsonValue(QStringLiteral("inf")) << 0.0;
    QTest::newRow("bool") << QJsonValue(true) << 0.0;
    QTest::newRow("null") << QJsonValue() << 0.0;
    QTest::newRow("array") << QJsonValue(QJsonArray{1.5}) << 0.0;
}

void tst_ProgramValues::readDecimal()
{
    QFETCH(QJsonValue, value);
    QFETCH(double, expected);
    QCOMPARE(ProgramValues::readDecimal(value), expected);
}

void tst_ProgramValues::readText_data()
{
    QTest::addColumn<QJsonValue>("value");
    QTest::addColumn<QString>("expected");

    QTest::newRow("text") << QJsonValue(QStringLiteral("m_fwd")) << QStringLiteral("m_fwd");
    QTest::newRow("number") << QJsonValue(5) << QString();
    QTest::newRow("bool") << QJsonValue(true) << QString();
    QTest::newRow("null") << QJsonValue() << QString();
    QTest::newRow("object") << QJsonValue(QJsonObject()) << QString();
}

void tst_ProgramValues::readText()
{
    QFETCH(QJsonValue, value);
    QFETCH(QString, expected);
    QCOMPARE(ProgramValues::readText(value), expected);
}

void tst_ProgramValues::parsePinLabel_data()
{
    QTest::addColumn<QString>("label");
    QTest::addColumn<int>("code");

    QTest::newRow("A3") << "A3" << 131;
    QTest::newRow("a3") << "a3" << 131;
    QTest::newRow("D12") << "D12" << 12;
    QTest::newRow("d7") << "d7" << 7;
    QTest::newRow("X5") << "X5" << 5;
    QTest::newRow("lone D") << "D" << 255;
    QTest::newRow("empty") << "" << 255;
    QTest::newRow("comment after space") << "A1 left eye" << 129;
    QTest::newRow("leading space") << " A1" << 0;
    QTest::newRow("no number") << "Dx" << 0;
    QTest::newRow("HZ") << "HZ" << 255;
    QTest::newRow("hz") << "hz" << 255;
    QTest::newRow("Hz with comment") << "Hz none" << 255;
    QTest::newRow("H7 is digital") << "H7" << 7;
    QTest::newRow("wraps to a byte") << "D300" << 44;
    QTest::newRow("analog 127") << "A127" << 255;
    QTest::newRow("motor gadget name") << "M1" << 1;
    QTest::newRow("largest analog number wraps") << "A2147483647" << 127;
    QTest::newRow("smallest digital number wraps") << "D-2147483648" << 0;
    QTest::newRow("negative analog") << "A-1" << 127;
}

void tst_ProgramValues::parsePinLabel()
{
    QFETCH(QString, label);
    QFETCH(int, code);
    QCOMPARE(int(ProgramValues::parsePinLabel(label)), code);
}

void tst_ProgramValues::pinLabel_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("label");

    QTest::newRow("0") << 0 << "D0";
    QTest::newRow("127") << 127 << "D127";
    QTest::newRow("128") << 128 << "A0";
    QTest::newRow("199") << 199 << "A71";
    QTest::newRow("200") << 200 << "HZ";
    QTest::newRow("255") << 255 << "HZ";
}

void tst_ProgramValues::pinLabel()
{
    QFETCH(int, code);
    QFETCH(QString, label);
    QCOMPARE(ProgramValues::pinLabel(code), label);
}

void tst_ProgramValues::labelsOfEveryCodeParseBack()
{
    for (int code = 0; code < 200; ++code)
        QCOMPARE(int(ProgramValues::parsePinLabel(ProgramValues::pinLabel(code))), code);
    for (int code = 200; code < 256; ++code)
        QCOMPARE(int(ProgramValues::parsePinLabel(ProgramValues::pinLabel(code))), 255);
}

QTEST_GUILESS_MAIN(tst_ProgramValues)
#include "tst_programvalues.moc"
