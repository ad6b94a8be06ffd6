#include "memoryimage.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QLoggingCategory>
#include <QTest>

namespace {

// A program document whose image fills the controller memory with a realistic mix of commands
// (conditions, timed drives, servos, melodies, pictures), split over a main program and five
// subprograms.
QJsonObject fullDocument()
{
    const QJsonArray commands = QJsonDocument::fromJson(R"([
        {"conditions": {"type": "and", "data": [{"pin": "D3", "level": "1"},
            {"pin": "A1", "equation": "inside", "level": "20", "level2": "200"}]},
         "action": {"command": "m_fwd", "speed": 60, "timer": 1, "time": 1.5, "brake": 1}},
        {"action": {"command": "mServowork", "timer": 1, "time": "0.8", "servos": [
            {"pin": "D9", "angle": 90}, {"pin": "D10", "angle": 30}]}},
        {"conditions": {"type": "single", "data": [{"equation": "counter", "level": "3"}]},
         "action": {"command": "mrall", "motor": "M1", "speed": 80, "side": 1, "timer": 1,
            "time": 0.25, "brake": 0}},
        {"action": {"command": "mMatrix", "pict": [1,0,0,0,0,0,0,1, 0,1,0,0,0,0,1,0,
            0,0,1,0,0,1,0,0, 0,0,0,1,1,0,0,0, 0,0,0,1,1,0,0,0, 0,0,1,0,0,1,0,0,
            0,1,0,0,0,0,1,0, 1,0,0,0,0,0,0,1]}},
        {"action": {"command": "mMusic", "tempo": 120, "sounds": [
            {"note": "C", "octave": 4, "length": 4}, {"note": "E", "octave": 4, "length": 4},
            {"note": "G", "octave": 4, "length": 8}]}},
        {"action": {"command": "mSetleds", "pin": "D13", "state": "1"}},
        {"action": {"command": "mPause", "hour": 0, "minute": 0, "second": "0.5"}},
        {"action": {"command": "mSound", "note": "A", "octave": 5, "time": "0.3"}}
    ])")
                                    .array();
    const QJsonObject configuration = QJsonDocument::fromJson(R"({"Motor1": 1, "Motor2": 2,
        "pins": [{"pinLbl": "D9", "gadgetId": 20}, {"pinLbl": "D10", "gadgetId": 30},
                 {"pinLbl": "D3", "gadgetId": 11}, {"pinLbl": "A1", "gadgetId": 50}],
        "servocalibr": [{"pin": "D9", "zero": 95}]})")
                                          .object();

    QJsonArray programs;
    for (int i = 0; i < 6; ++i)
        programs.append(QJsonArray());
    // Add commands round-robin until one more would overflow the memory.
    for (int n = 0;; ++n) {
        QJsonArray candidate = programs;
        QJsonArray program = candidate.at(n % 6).toArray();
        program.append(commands.at(n % commands.size()));
        candidate.replace(n % 6, program);
        const QJsonObject document{{"ProgData", candidate}, {"configuration", configuration}};
        ImageBuilder builder;
        if (builder.buildImage(document).image.size() > kMemorySize)
            return QJsonObject{{"ProgData", programs}, {"configuration", configuration}};
        programs = candidate;
    }
}

} // namespace

class bench_Codegen : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void buildImage_data();
    void buildImage();
    void decodeImage_data();
    void decodeImage();

private:
    void setLogging(bool on);

    QJsonObject m_document;
    QByteArray m_memory;
};

void bench_Codegen::setLogging(bool on)
{
    // "on" formats every log line as the program does, then drops it, so terminal speed does not
    // enter the figures.
    QLoggingCategory::setFilterRules(on ? QStringLiteral("taviro.codegen.debug=true")
                                        : QStringLiteral("taviro.codegen.debug=false"));
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {});
}

void bench_Codegen::initTestCase()
{
    QLoggingCategory::setFilterRules(QStringLiteral("taviro.codegen.debug=false"));
    m_document = fullDocument();
    ImageBuilder builder;
    const auto result = builder.buildImage(m_document);
    QVERIFY(result.success);
    QVERIFY(result.image.size() > kMemorySize - 64);
    m_memory = result.image + QByteArray(kMemorySize - result.image.size(), char(0xFF));
    int commands = 0;
    for (const QJsonValue &program : m_document.value("ProgData").toArray())
        commands += program.toArray().size();
    qInfo("image of %d commands: %lld bytes", commands, qlonglong(result.image.size()));
    setLogging(false);
}

void bench_Codegen::buildImage_data()
{
    QTest::addColumn<bool>("logging");
    QTest::newRow("log off") << false;
    QTest::newRow("log on") << true;
}

void bench_Codegen::buildImage()
{
    QFETCH(bool, logging);
    setLogging(logging);
    ImageBuilder builder;
    QBENCHMARK
    {
        const auto result = builder.buildImage(m_document);
        QVERIFY(result.success);
    }
}

void bench_Codegen::decodeImage_data()
{
    buildImage_data();
}

void bench_Codegen::decodeImage()
{
    QFETCH(bool, logging);
    setLogging(logging);
    QBENCHMARK
    {
        const auto document = ::decodeImage(m_memory);
        QVERIFY(document);
    }
}

QTEST_GUILESS_MAIN(bench_Codegen)
#include "bench_codegen.moc"
