#include "command.h"
#include "conditionlevels.h"
#include "programstore.h"
#include "sensorcsv.h"
#include "sensorrecord.h"
#include "sensortrace.h"

#include <QJsonArray>
#include <QTemporaryDir>
#include <QTest>

namespace {

// A state report as the link facade hands it over: 80 digital and 15 analog values.
QJsonObject report(const QList<int> &analog, const QList<int> &digitalHigh = {})
{
    QJsonArray digital;
    for (int i = 0; i < 80; ++i)
        digital.append(digitalHigh.contains(i) ? 1 : 0);
    QJsonArray analogArray;
    for (int value : analog)
        analogArray.append(value);
    return {{"start", 1}, {"DI", digital}, {"AI", analogArray}};
}

SensorSample sample(qint64 timeMs, int analog0, bool digital14 = false)
{
    return *SensorSample::fromReport(report({analog0}, digital14 ? QList<int>{14} : QList<int>{}),
                                     timeMs);
}

PinAssignment assignment(const QString &label, const QString &gadget, int kind = 0)
{
    GadgetInfo info;
    info.id = 1;
    info.name = gadget;
    info.kind = kind;
    return {info, label,
            label.startsWith('D') && label.mid(1).toInt() >= 14
                ? QStringLiteral("A%1").arg(label.mid(1).toInt() - 14)
                : label};
}

QJsonObject commandWith(const QJsonArray &data, const QString &type = "single")
{
    return {{"conditions", QJsonObject{{"type", type}, {"data", data}}},
            {"action", QJsonObject{{"command", "m_fwd"}, {"speed", "50"}}}};
}

QJsonObject analog(const QString &pin, const QString &equation, const QJsonValue &level,
                   const QJsonValue &level2 = QJsonValue::Null)
{
    return {{"pin", pin}, {"equation", equation}, {"level", level}, {"level2", level2}};
}

} // namespace

Q_DECLARE_METATYPE(ConditionThreshold)

// From the state report to the chart's record and the CSV file, and from the selected row's
// conditions to the levels the chart lets the user drag.
class tst_SensorData : public QObject
{
    Q_OBJECT

private slots:
    void reportBecomesSample_data();
    void reportBecomesSample();
    void ringKeepsTheNewestInTimeOrder();
    void tracesOfTheSetUp();
    void csvText_data();
    void csvText();
    void csvIsWrittenAtomically();
    void thresholdsOfACommand_data();
    void thresholdsOfACommand();
    void withLevelChangesOneLevelOnly();
    void dragPositionToLevel_data();
    void dragPositionToLevel();
};

void tst_SensorData::reportBecomesSample_data()
{
    QTest::addColumn<QJsonObject>("report");
    QTest::addColumn<bool>("taken");
    QTest::addColumn<bool>("digital");
    QTest::addColumn<int>("input");
    QTest::addColumn<int>("value");

    const QJsonObject full = report({12, 200, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 77}, {0, 14, 79});
    QTest::newRow("analog 1") << full << true << false << 1 << 200;
    QTest::newRow("analog 14, the last reported") << full << true << false << 14 << 77;
    QTest::newRow("analog 15 is never reported") << full << true << false << 15 << -1;
    QTest::newRow("digital 14 (A0 as a button)") << full << true << true << 14 << 1;
    QTest::newRow("digital 79, the last") << full << true << true << 79 << 1;
    QTest::newRow("digital 13 low") << full << true << true << 13 << 0;
    QTest::newRow("digital 80 does not exist") << full << true << true << 80 << -1;
    QTest::newRow("analog above 255 is kept at 255") << report({300}) << true << false << 0 << 255;
    QTest::newRow("analog below 0 is kept at 0") << report({-5}) << true << false << 0 << 0;
    QTest::newRow("digital 2 counts as pressed")
        << QJsonObject{{"DI", QJsonArray{0, 2}}} << true << true << 1 << 1;
    QTest::newRow("a short analog array reads 0 beyond it")
        << report({9}) << true << false << 3 << 0;
    QTest::newRow("text values read 0")
        << QJsonObject{{"AI", QJsonArray{"12"}}} << true << false << 0 << 0;
    QTest::newRow("no inputs at all: no sample")
        << QJsonObject{{"start", 1}} << false << false << 0 << 0;
    QTest::newRow("an empty (unparsable) report: no sample")
        << QJsonObject() << false << false << 0 << 0;
}

void tst_SensorData::reportBecomesSample()
{
    QFETCH(QJsonObject, report);
    QFETCH(bool, taken);
    QFETCH(bool, digital);
    QFETCH(int, input);
    QFETCH(int, value);
    const std::optional<SensorSample> sample = SensorSample::fromReport(report, 1234);
    QCOMPARE(sample.has_value(), taken);
    if (!taken)
        return;
    QCOMPARE(sample->timeMs, qint64(1234));
    QCOMPARE(sample->value(digital, input), value);
}

void tst_SensorData::ringKeepsTheNewestInTimeOrder()
{
    SensorRecord record(4);
    const qint64 memory = record.memoryBytes();
    QVERIFY(record.isEmpty());
    QCOMPARE(record.firstAtOrAfter(0), 0);
    for (int i = 0; i < 10; ++i)
        record.append(sample(i * 50, i));
    QCOMPARE(record.size(), 4);
    QCOMPARE(record.capacity(), 4);
    QCOMPARE(record.memoryBytes(), memory);
    const QList<int> kept{record.at(0).value(false, 0), record.at(1).value(false, 0),
                          record.at(2).value(false, 0), record.at(3).value(false, 0)};
    QCOMPARE(kept, (QList<int>{6, 7, 8, 9}));
    QCOMPARE(record.last().timeMs, qint64(450));

    // Times 300, 350, 400, 450: the search finds the first at or after a time.
    QCOMPARE(record.firstAtOrAfter(0), 0);
    QCOMPARE(record.firstAtOrAfter(300), 0);
    QCOMPARE(record.firstAtOrAfter(301), 1);
    QCOMPARE(record.firstAtOrAfter(450), 3);
    QCOMPARE(record.firstAtOrAfter(451), 4);

    // A clock that steps back does not break the order.
    record.append(sample(100, 1));
    QCOMPARE(record.last().timeMs, qint64(450));
    QCOMPARE(record.firstAtOrAfter(451), 4);

    record.clear();
    QVERIFY(record.isEmpty());
    record.append(sample(5, 42));
    QCOMPARE(record.size(), 1);
    QCOMPARE(record.at(0).value(false, 0), 42);
}

void tst_SensorData::tracesOfTheSetUp()
{
    const QList<SensorTrace> traces = SensorTrace::fromAssignments({
        assignment("D5", "Motor", GadgetInfo::Output),
        assignment("A2", "Light sensor"),
        assignment("D14", "Button"),
        assignment("D7", "Touch sensor"),
        assignment("A0", "Line sensor"),
        assignment("D11", "LED group", GadgetInfo::Group),
    });
    QCOMPARE(traces.size(), 4);
    QStringList order;
    for (const SensorTrace &trace : traces)
        order << trace.caption("%1 · %2") + (trace.digital ? " D" : " A") +
                     QString::number(trace.input);
    // Analog first, then digital, each by input number; outputs and groups are not inputs.
    QCOMPARE(order, (QStringList{"A0 · Line sensor A0", "A2 · Light sensor A2",
                                 "D7 · Touch sensor D7", "A0 · Button D14"}));
}

void tst_SensorData::csvText_data()
{
    QTest::addColumn<QString>("timeHeader");
    QTest::addColumn<QStringList>("headers");
    QTest::addColumn<QByteArray>("header");

    QTest::newRow("plain") << "Time (ms)" << QStringList{"A0 · Line sensor", "A0 · Button", "k"}
                           << QByteArray("Time (ms),A0 · Line sensor,A0 · Button,k");
    QTest::newRow("commas and quotes are quoted")
        << "time, ms" << QStringList{"say \"hi\"", "plain", "a\nb"}
        << QByteArray("\"time, ms\",\"say \"\"hi\"\"\",plain,\"a\nb\"");
    QTest::newRow("Russian stays UTF-8")
        << "Время (мс)" << QStringList{"A0 · Датчик линии", "x", "y"}
        << QString("Время (мс),A0 · Датчик линии,x,y").toUtf8();
    QTest::newRow("a missing caption names the pin")
        << "t" << QStringList{"only one"} << QByteArray("t,only one,D14,A15");
}

void tst_SensorData::csvText()
{
    QFETCH(QString, timeHeader);
    QFETCH(QStringList, headers);
    QFETCH(QByteArray, header);
    SensorRecord record(8);
    record.append(sample(0, 10));
    record.append(sample(50, 255, true));
    record.append(sample(100, 0));
    const QList<SensorTrace> traces{{"A0", "A0", "Line sensor", false, 0},
                                    {"D14", "A0", "Button", true, 14},
                                    {"A15", "A15", "Knob", false, 15}};
    // One row per sample: its time and each trace's value; an input the controller does not
    // report stays empty.
    QCOMPARE(SensorCsv::text(record, traces, timeHeader, headers),
             header + "\r\n0,10,0,\r\n50,255,1,\r\n100,0,0,\r\n");
}

void tst_SensorData::csvIsWrittenAtomically()
{
    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    const QString path = folder.filePath("sensors.csv");
    QVERIFY(ProgramStore::saveBytes(path, "a,b\r\n1,2\r\n"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArray("a,b\r\n1,2\r\n"));
    file.close();

    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("Cannot open .*missing.*"));
    QVERIFY(!ProgramStore::saveBytes(folder.filePath("missing/sensors.csv"), "x"));
}

void tst_SensorData::thresholdsOfACommand_data()
{
    QTest::addColumn<QJsonObject>("command");
    QTest::addColumn<int>("kind");
    QTest::addColumn<QList<ConditionThreshold>>("expected");

    QTest::newRow("greater, level as text")
        << commandWith({analog("A0", "greater", "128")}) << int(Command::Single)
        << QList<ConditionThreshold>{{0, "A0", "greater", 128, 0}};
    QTest::newRow("inside, levels as numbers")
        << commandWith({analog("A2", "inside", 40, 90)}) << int(Command::Single)
        << QList<ConditionThreshold>{{0, "A2", "inside", 40, 90}};
    QTest::newRow("two analog conditions joined by and")
        << commandWith({analog("A0", "greater", "128"), analog("A1", "outside", "20", "200")},
                       "and")
        << int(Command::Conditions)
        << QList<ConditionThreshold>{{0, "A0", "greater", 128, 0}, {1, "A1", "outside", 20, 200}};
    QTest::newRow("a digital pin is no threshold")
        << commandWith({QJsonObject{{"pin", "D14"}, {"equation", "equals"}, {"level", "1"}},
                        analog("A1", "smaller", "30")},
                       "or")
        << int(Command::Conditions) << QList<ConditionThreshold>{{1, "A1", "smaller", 30, 0}};
    QTest::newRow("condition and counter: the counter is no threshold")
        << commandWith(
               {analog("A3", "unequal", "7"), QJsonObject{{"equation", "counter"}, {"level", "5"}}},
               "and")
        << int(Command::ConditionCounter) << QList<ConditionThreshold>{{0, "A3", "unequal", 7, 0}};
    QTest::newRow("a counter alone")
        << commandWith({QJsonObject{{"equation", "counter"}, {"level", "5"}}})
        << int(Command::Counter) << QList<ConditionThreshold>{};
    QTest::newRow("kind always ignores left-over data")
        << commandWith({analog("A0", "greater", "128")}) << int(Command::Always)
        << QList<ConditionThreshold>{};
    QTest::newRow("no equation, no pin")
        << commandWith({analog("A0", "", "10"), analog("", "greater", "10")}, "and")
        << int(Command::Conditions) << QList<ConditionThreshold>{};
    QTest::newRow("levels out of range are kept within 0-255")
        << commandWith({analog("A0", "inside", "-4", "999")}) << int(Command::Single)
        << QList<ConditionThreshold>{{0, "A0", "inside", 0, 255}};
}

void tst_SensorData::thresholdsOfACommand()
{
    QFETCH(QJsonObject, command);
    QFETCH(int, kind);
    QFETCH(QList<ConditionThreshold>, expected);
    QCOMPARE(ConditionLevels::thresholds(command, kind), expected);
}

void tst_SensorData::withLevelChangesOneLevelOnly()
{
    const QJsonObject before =
        commandWith({analog("A0", "greater", "128"), analog("A1", "inside", 40, 90)}, "and");
    const QJsonObject after = ConditionLevels::withLevel(before, 1, 1, 120);
    const QJsonArray data = after["conditions"]["data"].toArray();
    // Written as text, as the condition editor writes it; everything else as it was.
    QCOMPARE(data.at(1)["level2"], QJsonValue("120"));
    QCOMPARE(data.at(1)["level"], QJsonValue(40));
    QCOMPARE(data.at(0), before["conditions"]["data"][0]);
    QCOMPARE(after["action"], before["action"]);
    QCOMPARE(after["conditions"]["type"], QJsonValue("and"));

    const QJsonObject clamped = ConditionLevels::withLevel(before, 0, 0, 300);
    QCOMPARE(clamped["conditions"]["data"][0]["level"], QJsonValue("255"));
    QCOMPARE(ConditionLevels::withLevel(before, 2, 0, 10), before);
    QCOMPARE(ConditionLevels::withLevel(before, 0, 2, 10), before);
    QCOMPARE(ConditionLevels::withLevel(QJsonObject{{"action", 1}}, 0, 0, 10),
             QJsonObject({{"action", 1}}));
}

void tst_SensorData::dragPositionToLevel_data()
{
    QTest::addColumn<QRectF>("plot");
    QTest::addColumn<ConditionThreshold>("threshold");
    QTest::addColumn<int>("which");
    QTest::addColumn<double>("y");
    QTest::addColumn<int>("level");

    const QRectF tall(10, 100, 300, 255); // one pixel per level
    const QRectF short_(10, 20, 300, 51); // five levels per pixel
    const ConditionThreshold line{0, "A0", "greater", 128, 0};
    const ConditionThreshold band{0, "A0", "inside", 40, 90};
    QTest::newRow("top edge is 255") << tall << line << 0 << 100.0 << 255;
    QTest::newRow("bottom edge is 0") << tall << line << 0 << 355.0 << 0;
    QTest::newRow("above the plot stays 255") << tall << line << 0 << 40.0 << 255;
    QTest::newRow("below the plot stays 0") << tall << line << 0 << 900.0 << 0;
    QTest::newRow("one pixel is one level") << tall << line << 0 << 227.0 << 128;
    QTest::newRow("half a pixel rounds up") << tall << line << 0 << 226.5 << 129;
    QTest::newRow("short plot, middle") << short_ << line << 0 << 45.5 << 128;
    QTest::newRow("short plot, one pixel is five levels") << short_ << line << 0 << 45.0 << 130;
    QTest::newRow("band: lower level stops at the upper") << tall << band << 0 << 100.0 << 90;
    QTest::newRow("band: upper level stops at the lower") << tall << band << 1 << 355.0 << 40;
    QTest::newRow("band: lower level moves freely below") << tall << band << 0 << 335.0 << 20;
    QTest::newRow("band: upper level moves freely above") << tall << band << 1 << 105.0 << 250;
}

void tst_SensorData::dragPositionToLevel()
{
    QFETCH(QRectF, plot);
    QFETCH(ConditionThreshold, threshold);
    QFETCH(int, which);
    QFETCH(double, y);
    QFETCH(int, level);
    QCOMPARE(ConditionLevels::boundedLevel(threshold, which, ConditionLevels::levelAtY(y, plot)),
             level);
    // Where a level is drawn maps back to the same level whenever a pixel is a level or less.
    if (plot.height() >= 255) {
        for (int value : {0, 1, 127, 128, 254, 255})
            QCOMPARE(ConditionLevels::levelAtY(ConditionLevels::yForLevel(value, plot), plot),
                     value);
    }
}

QTEST_GUILESS_MAIN(tst_SensorData)
#include "tst_sensordata.moc"
