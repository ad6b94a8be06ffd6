#include "appcontext.h"
#include "firstframeprobe.h"
#include "hardwaredescription.h"
#include "languagecatalog.h"
#include "sensorchart.h"
#include "sensorpanel.h"
#include "sensorrecord.h"

#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QJsonArray>
#include <QLoggingCategory>
#include <QTest>
#include <QTimer>

#include <cmath>
#include <ctime>

namespace {

constexpr int kIntervalMs = 50;
constexpr int kAnalogTraces = 8;
constexpr int kDigitalTraces = 8;

// CPU time of the whole process, user and system, in ms.
double processCpuMs()
{
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return now.tv_sec * 1000.0 + now.tv_nsec / 1e6;
}

// Reports as the link facade hands them over: analog inputs that swing like line sensors
// crossing a line, digital ones that toggle now and then.
QList<QJsonObject> reports(int count)
{
    QList<QJsonObject> list;
    for (int n = 0; n < count; ++n) {
        QJsonArray digital;
        for (int i = 0; i < 80; ++i)
            digital.append((n / (10 + i)) % 2);
        QJsonArray analog;
        for (int i = 0; i < 15; ++i)
            analog.append(int(127.5 + 127.5 * std::sin(n * 0.15 + i)));
        list.append({{"read", 1}, {"start", 1}, {"progpos", 3}, {"DI", digital}, {"AI", analog}});
    }
    return list;
}

} // namespace

// What the sensor chart costs while a controller reports: the CPU share with 16 traces at a
// 50 ms state interval, and the memory of an hour of packets.
class bench_SensorChart : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void oneSecondOfPackets_data();
    void oneSecondOfPackets();
    void liveShare_data();
    void liveShare();
    void hourOfPackets();

private:
    std::unique_ptr<SensorPanel> m_panel;
    QList<QJsonObject> m_reports;
};

void bench_SensorChart::initTestCase()
{
    QLoggingCategory::setFilterRules(QStringLiteral("taviro.*.debug=false"));
    QVERIFY(LanguageCatalog::instance().select(QStringLiteral("English")));
    AppContext &context = AppContext::instance();
    const QMap<int, GadgetInfo> gadgets = LanguageCatalog::instance().current()->gadgetMap();
    QList<PinAssignment> pins;
    for (int i = 0; i < kAnalogTraces; ++i)
        pins.append(
            {gadgets.value(11), QStringLiteral("A%1").arg(i), QStringLiteral("A%1").arg(i)});
    for (int i = 0; i < kDigitalTraces; ++i)
        pins.append(
            {gadgets.value(1), QStringLiteral("D%1").arg(i + 2), QStringLiteral("D%1").arg(i + 2)});
    context.setPinAssignments(pins);
    m_reports = reports(2400);
}

void bench_SensorChart::init()
{
    m_panel = std::make_unique<SensorPanel>();
    m_panel->refreshTraces();
    QCOMPARE(m_panel->traces().size(), kAnalogTraces + kDigitalTraces);
    // As tall as the 16 lanes need, so that every lane is drawn; as wide as the side panel.
    m_panel->resize(340, m_panel->chart()->minimumSizeHint().height() + 60);
    m_panel->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_panel.get()));
}

void bench_SensorChart::cleanup()
{
    m_panel.reset();
}

void bench_SensorChart::oneSecondOfPackets_data()
{
    QTest::addColumn<int>("spanMs");
    QTest::addColumn<bool>("onScreen");
    QTest::newRow("10 s shown") << 10000 << true;
    QTest::newRow("30 s shown") << 30000 << true;
    QTest::newRow("2 min shown") << 120000 << true;
    QTest::newRow("2 min drawn into a picture") << 120000 << false;
}

void bench_SensorChart::oneSecondOfPackets()
{
    // One second of a live chart: 20 packets into the record, and the frames the chart draws
    // for them (one per SensorChart::frameMs()), with the record full for the span.
    QFETCH(int, spanMs);
    QFETCH(bool, onScreen);
    qint64 now = 0;
    m_panel->setClock([&now] { return now; });
    m_panel->setSpanMs(spanMs);
    int next = 0;
    const auto packet = [&] {
        m_panel->takeReport(m_reports.at(next++ % m_reports.size()));
        now += kIntervalMs;
    };
    for (int i = 0; i < spanMs / kIntervalMs; ++i)
        packet();
    SensorChart *chart = m_panel->chart();
    const int framesPerSecond = 1000 / chart->frameMs();
    const int packetsPerSecond = 1000 / kIntervalMs;
    QImage picture(chart->size(), QImage::Format_ARGB32_Premultiplied);
    // The first frame draws every column once; what counts is the frames after it.
    if (onScreen)
        chart->repaint();
    else
        chart->render(&picture);
    // CPU time rather than the wall clock: the share of a core is what the chart takes from the
    // machine, whatever else runs on it.
    const double cpuBefore = processCpuMs();
    int rounds = 0;
    QBENCHMARK
    {
        for (int frame = 0; frame < framesPerSecond; ++frame) {
            for (int i = packetsPerSecond * frame / framesPerSecond;
                 i < packetsPerSecond * (frame + 1) / framesPerSecond; ++i)
                packet();
            if (onScreen)
                chart->repaint();
            else
                chart->render(&picture);
        }
        ++rounds;
    }
    const double perSecondMs = (processCpuMs() - cpuBefore) / qMax(1, rounds);
    qInfo("%d traces, a packet every %d ms, %d s shown, %d frames/s, %d x %d chart %s: %.2f ms "
          "of CPU per second, %.2f %% of one core",
          int(m_panel->traces().size()), kIntervalMs, spanMs / 1000, framesPerSecond,
          chart->width(), chart->height(), onScreen ? "on screen" : "into a picture", perSecondMs,
          perSecondMs / 10.0);
}

void bench_SensorChart::liveShare_data()
{
    QTest::addColumn<int>("spanMs");
    QTest::addColumn<bool>("packets");
    QTest::newRow("idle, no packets: the test's own cost") << 30000 << false;
    QTest::newRow("10 s shown") << 10000 << true;
    QTest::newRow("30 s shown") << 30000 << true;
    QTest::newRow("2 min shown") << 120000 << true;
}

void bench_SensorChart::liveShare()
{
    // Ten seconds on the clock with packets every 50 ms and the chart drawing as it does in
    // the editor (under Xvfb with QT_QPA_PLATFORM=xcb to include the trip to the X server):
    // the process's CPU time over the wall time.
    QFETCH(int, spanMs);
    QFETCH(bool, packets);
    m_panel->setSpanMs(spanMs);
    // Two minutes of samples first, stamped 50 ms apart; then the clock runs on with the wall.
    qint64 now = 0;
    QElapsedTimer wall;
    bool live = false;
    m_panel->setClock([&] { return live ? now + wall.elapsed() : now; });
    int next = 0;
    for (int i = 0; i < SensorPanel::kLongestSpanMs / kIntervalMs; ++i, now += kIntervalMs)
        m_panel->takeReport(m_reports.at(next++ % m_reports.size()));
    QTimer timer;
    timer.setTimerType(Qt::PreciseTimer);
    connect(&timer, &QTimer::timeout, this,
            [&] { m_panel->takeReport(m_reports.at(next++ % m_reports.size())); });
    const int framesBefore = m_panel->chart()->framesDrawn();
    const int packetsBefore = next;
    if (packets)
        timer.start(kIntervalMs);
    wall.start();
    live = true;
    const double cpuBefore = processCpuMs();
    QTest::qWait(10000);
    const double cpu = processCpuMs() - cpuBefore;
    const double share = 100.0 * cpu / double(wall.elapsed());
    qInfo("live, %s platform, 16 traces, packet every %d ms, %d s shown: %d packets, %d frames, "
          "%.1f ms CPU in %lld ms: %.2f %% of one core",
          qPrintable(QGuiApplication::platformName()), kIntervalMs, spanMs / 1000,
          next - packetsBefore, m_panel->chart()->framesDrawn() - framesBefore, cpu, wall.elapsed(),
          share);
}

void bench_SensorChart::hourOfPackets()
{
    // An hour of packets at 50 ms, as fast as they go, with a frame every second: the record's
    // memory is fixed and the process's resident memory stays where it was.
    qint64 now = 0;
    m_panel->setClock([&now] { return now; });
    // The record is made with the first packet, at its full size.
    m_panel->takeReport(m_reports.first());
    QVERIFY(m_panel->record());
    const qint64 recordBytes = m_panel->record()->memoryBytes();
    const int perMinute = 60000 / kIntervalMs;
    QList<qint64> resident;
    for (int minute = 0; minute <= 60; ++minute) {
        for (int i = 0; i < perMinute; ++i) {
            m_panel->takeReport(m_reports.at((minute * perMinute + i) % m_reports.size()));
            now += kIntervalMs;
            if (i % (1000 / kIntervalMs) == 0)
                m_panel->chart()->repaint();
        }
        if (minute % 10 == 0) {
            resident.append(FirstFrameProbe::residentKiB());
            qInfo("after %2d min: %d samples kept, record %lld KiB, process resident %lld KiB",
                  minute, m_panel->record()->size(), m_panel->record()->memoryBytes() / 1024,
                  resident.last());
        }
    }
    QCOMPARE(m_panel->record()->memoryBytes(), recordBytes);
    qInfo("resident memory from 10 to 60 min: %+lld KiB", resident.last() - resident.at(1));
}

QTEST_MAIN(bench_SensorChart)
#include "bench_sensorchart.moc"
