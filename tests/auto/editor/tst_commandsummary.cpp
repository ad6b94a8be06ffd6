#include "commandsummary.h"

#include <QJsonDocument>
#include <QtTest>

namespace {

QJsonObject parse(const char *json)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(QByteArray(json), &error);
    if (error.error != QJsonParseError::NoError)
        qFatal("bad test JSON: %s", qPrintable(error.errorString()));
    return document.object();
}

QJsonObject withAction(const char *action)
{
    return QJsonObject{{QStringLiteral("action"), parse(action)}};
}

QJsonObject withConditions(const char *conditions)
{
    return QJsonObject{{QStringLiteral("conditions"), parse(conditions)}};
}

} // namespace

class TestCommandSummary : public QObject
{
    Q_OBJECT

private slots:
    void actionSummary_data();
    void actionSummary();
    void conditionsSummary_data();
    void conditionsSummary();
    void conditionText_data();
    void conditionText();
    void textAndNumberLevelsAgree();
};

void TestCommandSummary::actionSummary_data()
{
    QTest::addColumn<QByteArray>("action");
    QTest::addColumn<QString>("expected");

    QTest::newRow("fwd timed with brake")
        << QByteArray(R"({"command":"m_fwd","speed":60,"timer":1,"time":2,"brake":1})")
        << "S:60 T:2 (0)";
    QTest::newRow("fwd plain")
        << QByteArray(R"({"command":"m_fwd","speed":60,"timer":0,"time":2,"brake":0})") << "S:60";
    QTest::newRow("speed as text, time as text")
        << QByteArray(R"({"command":"m_backward","speed":"45","timer":"1","time":"0.25"})")
        << "S:45 T:0.25";
    QTest::newRow("fractional speed reads as 0")
        << QByteArray(R"({"command":"m_left","speed":50.5})") << "S:0";
    QTest::newRow("every motion name")
        << QByteArray(R"({"command":"m_bckleft","speed":1,"brake":1})") << "S:1 (0)";
    QTest::newRow("motion name compared in lower case")
        << QByteArray(R"({"command":"M_TurnRight","speed":7})") << "S:7";
    QTest::newRow("mrall counter-clockwise")
        << QByteArray(R"({"command":"mrall","motor":"D5","speed":40,"side":1,"timer":0,"brake":0})")
        << "D5 S:40 CCW";
    QTest::newRow("mrall clockwise timed braked")
        << QByteArray(
               R"({"command":"mrall","motor":"Motor A","speed":"30","side":0,"timer":1,"time":1.5,"brake":1})")
        << "Motor A S:30 CW T:1.5 (0)";
    QTest::newRow("servos timed")
        << QByteArray(
               R"({"command":"mServowork","servos":[{"pin":"D5","angle":90},{"pin":"D6","angle":"45"}],"time":1.5,"timer":1})")
        << "D5=90 D6=45 T:1.5 WAIT";
    QTest::newRow("servos as default text")
        << QByteArray(R"({"command":"mServowork","servos":"[]","time":0,"timer":0})") << "T:0 ";
    QTest::newRow("sound") << QByteArray(
                                  R"({"command":"mSound","note":"C#","octave":"4","time":"1"})")
                           << "C# 4 T:1";
    QTest::newRow("music") << QByteArray(R"({"command":"mMusic","tempo":"90","sounds":[]})") << "";
    QTest::newRow("matrix") << QByteArray(R"({"command":"mMatrix","pict":[1,0,1]})") << "";
    QTest::newRow("cycle start") << QByteArray(R"({"command":"mStartCycle"})") << "";
    QTest::newRow("cycle end") << QByteArray(R"({"command":"mEndCycle"})") << "";
    QTest::newRow("mr1stop braked")
        << QByteArray(R"({"command":"mr1stop","motor":"D5","brake":1})") << "D5 (0)";
    QTest::newRow("mr1stop free") << QByteArray(R"({"command":"mr1stop","motor":"D5","brake":0})")
                                  << "D5";
    QTest::newRow("stop braked") << QByteArray(R"({"command":"m_stop","brake":"1"})") << " (0)";
    QTest::newRow("stop free") << QByteArray(R"({"command":"m_stop","brake":0})") << "";
    QTest::newRow("led on") << QByteArray(R"({"command":"mSetleds","pin":"D7","state":1})")
                            << "D7 ON";
    QTest::newRow("led off") << QByteArray(R"({"command":"mSetleds","pin":"D7","state":0})")
                             << "D7 OFF";
    QTest::newRow("led state true reads as off")
        << QByteArray(R"({"command":"mSetleds","pin":"D7","state":true})") << "D7 OFF";
    QTest::newRow("pause short") << QByteArray(
                                        R"({"command":"mPause","hour":0,"minute":1,"second":5.5})")
                                 << "00:01:05.5";
    QTest::newRow("pause long")
        << QByteArray(R"({"command":"mPause","hour":12,"minute":30,"second":12.5})")
        << "12:30:12.5";
    QTest::newRow("pause as text")
        << QByteArray(R"({"command":"mPause","hour":"1","minute":"5","second":"3"})")
        << "01:05:03.0";
    QTest::newRow("call") << QByteArray(R"({"command":"call","proc":"3"})") << "3";
    QTest::newRow("mrstop lists fields in reverse")
        << QByteArray(R"({"command":"mrstop","motor":"D5","brake":1})") << "motor:D5 brake:1 ";
    QTest::newRow("generic nested object and skipped values")
        << QByteArray(
               R"({"command":"unknown","b":{"z":"1","a":2},"flag":true,"list":[1,2],"n":null})")
        << "z:1 a:2 ";
    QTest::newRow("generic pict cells")
        << QByteArray(R"({"command":"other","pict":["1",0,"0"]})") << "pict:[1,,0,] ";
    QTest::newRow("generic sounds")
        << QByteArray(R"({"command":"other","sounds":[{"note":"C","time":"2"},"x"]})")
        << "sounds:[C 2x\n] ";
    QTest::newRow("generic value with underscore splits")
        << QByteArray(R"({"command":"other","k":"a_b"})") << "b k:a ";
    QTest::newRow("no action at all") << QByteArray("{}") << "";
}

void TestCommandSummary::actionSummary()
{
    QFETCH(QByteArray, action);
    QFETCH(QString, expected);
    QCOMPARE(::actionSummary(withAction(action.constData())), expected);
}

void TestCommandSummary::conditionsSummary_data()
{
    QTest::addColumn<QByteArray>("conditions");
    QTest::addColumn<QString>("expected");

    QTest::newRow("always") << QByteArray(R"({"type":"always"})") << "1";
    QTest::newRow("no type") << QByteArray(R"({"data":[]})") << "?";
    QTest::newRow("empty") << QByteArray("{}") << "?";
    QTest::newRow("type compared exactly") << QByteArray(R"({"type":"AND"})") << "?";
    QTest::newRow("single digital")
        << QByteArray(R"({"type":"single","data":[{"pin":"D3","equation":"equals","level":"1"}]})")
        << "D3=1";
    QTest::newRow("and")
        << QByteArray(
               R"({"type":"and","data":[{"pin":"D3","equation":"equals","level":"1"},{"pin":"A2","equation":"greater","level":"100","level2":null}]})")
        << "(D3=1) & (A2>100)";
    QTest::newRow("or with counter")
        << QByteArray(
               R"({"type":"or","data":[{"pin":"A1","equation":"smaller","level":"7"},{"equation":"counter","level":"5"}]})")
        << "(A1<7) v (N=5)";
    QTest::newRow("and missing second element")
        << QByteArray(R"({"type":"and","data":[{"pin":"D1","equation":"equals","level":0}]})")
        << "(D1=0) & ()";
    QTest::newRow("single without data") << QByteArray(R"({"type":"single"})") << "";
}

void TestCommandSummary::conditionsSummary()
{
    QFETCH(QByteArray, conditions);
    QFETCH(QString, expected);
    QCOMPARE(::conditionsSummary(withConditions(conditions.constData())), expected);
}

void TestCommandSummary::conditionText_data()
{
    QTest::addColumn<QByteArray>("condition");
    QTest::addColumn<QString>("expected");

    QTest::newRow("equals text level")
        << QByteArray(R"({"pin":"D3","equation":"equals","level":"1"})") << "D3=1";
    QTest::newRow("unequal") << QByteArray(R"({"pin":"A0","equation":"unequal","level":3})")
                             << "A0!=3";
    QTest::newRow("smaller") << QByteArray(R"({"pin":"A0","equation":"smaller","level":3})")
                             << "A0<3";
    QTest::newRow("greater") << QByteArray(R"({"pin":"A2","equation":"greater","level":"100"})")
                             << "A2>100";
    QTest::newRow("inside")
        << QByteArray(R"({"pin":"A2","equation":"inside","level":"40","level2":"200"})")
        << "40<A2<200";
    QTest::newRow("outside") << QByteArray(
                                    R"({"pin":"A2","equation":"outside","level":40,"level2":200})")
                             << "!(40<A2<200)";
    QTest::newRow("counter") << QByteArray(R"({"equation":"counter","level":"5"})") << "N=5";
    QTest::newRow("missing levels read 0")
        << QByteArray(R"({"pin":"A4","equation":"inside"})") << "0<A4<0";
    QTest::newRow("unparsable level reads 0")
        << QByteArray(R"({"pin":"A4","equation":"equals","level":"high"})") << "A4=0";
    QTest::newRow("unknown equation") << QByteArray(R"({"pin":"A4","equation":"between"})") << "";
    QTest::newRow("equation compared exactly")
        << QByteArray(R"({"pin":"A4","equation":"Equals","level":1})") << "";
    QTest::newRow("placeholders in a pin are not expanded")
        << QByteArray(R"({"pin":"%2","equation":"equals","level":1})") << "%2=1";
}

void TestCommandSummary::conditionText()
{
    QFETCH(QByteArray, condition);
    QFETCH(QString, expected);
    QCOMPARE(::conditionText(parse(condition.constData())), expected);
}

void TestCommandSummary::textAndNumberLevelsAgree()
{
    const QString fromText =
        ::conditionText(parse(R"({"pin":"A1","equation":"greater","level":"7"})"));
    const QString fromNumber =
        ::conditionText(parse(R"({"pin":"A1","equation":"greater","level":7})"));
    QCOMPARE(fromText, fromNumber);
    QCOMPARE(fromText, QStringLiteral("A1>7"));
}

QTEST_GUILESS_MAIN(TestCommandSummary)
#include "tst_commandsummary.moc"
