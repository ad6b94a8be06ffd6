#include "deframer.h"
#include "examplecatalog.h"
#include "hardwaredescription.h"
#include "internalworker.h"
#include "linktransport.h"
#include "memoryimage.h"
#include "packetframe.h"
#include "programvalues.h"
#include "robotsimulation.h"
#include "shippeddata.h"
#include "virtualcontroller.h"

#include <QDir>
#include <QJsonArray>
#include <QLoggingCategory>
#include <QSignalSpy>
#include <QTest>

#include <cmath>

namespace {

constexpr int kRunMs = 10000;
constexpr int kTickMs = RobotModel::kStepMs;

// The editor's link to a virtual controller in this process, without a socket. Answers arrive
// through the event loop, as they would from a socket, never inside the worker's own send.
class ControllerLink : public LinkTransport
{
public:
    explicit ControllerLink(VirtualController *controller, QObject *parent)
        : LinkTransport(parent)
        , m_controller(controller)
    {
        connect(
            controller, &VirtualController::bytesToSend, &m_deframer,
            [this](const QByteArray &bytes) { m_deframer.feed(bytes); }, Qt::QueuedConnection);
        connect(&m_deframer, &Deframer::packetReceived, this, &LinkTransport::receivePacket);
    }
    void findDevices() override {}
    void disconnectDevice() override {}
    void connectDevice(const QString &) override {}
    void sendPacket(int type, const QByteArray &payload) override
    {
        m_controller->receiveBytes(PacketFrame::build(type, payload));
    }

private:
    VirtualController *m_controller;
    Deframer m_deframer;
};

// The virtual controller, its robot and the editor's worker, all on simulated time.
struct Bench
{
    VirtualController controller;
    RobotSimulation simulation{&controller};
    internalWorker worker{
        nullptr, [this](QObject *parent) { return new ControllerLink(&controller, parent); }};

    void tick()
    {
        controller.advanceTime(kTickMs);
        for (int round = 0; round < 3; ++round)
            QCoreApplication::processEvents();
        simulation.advance(1);
    }
    bool tickUntil(const std::function<bool()> &done, int ms)
    {
        for (int t = 0; t < ms && !done(); t += kTickMs)
            tick();
        return done();
    }
};

QString noteOf(const SimulatedOutputs &outputs)
{
    return outputs.note >= 0 || !outputs.melody.isEmpty() ? QStringLiteral("note") : QString();
}

// What an example shows at a moment, in the words of the table's "shows" column.
QStringList shown(const SimulatedOutputs &outputs)
{
    QStringList seen;
    for (bool on : outputs.leds)
        if (on)
            seen << QStringLiteral("light");
    for (quint8 row : outputs.matrix)
        if (row)
            seen << QStringLiteral("picture");
    if (!noteOf(outputs).isEmpty())
        seen << QStringLiteral("note");
    if (!outputs.servos.isEmpty())
        seen << QStringLiteral("servo");
    return seen;
}

// The shipped track's stadium line (tools/make_worlds.py).
double offTrack(const QPointF &at)
{
    const double dx = std::abs(at.x() - 700) - 200;
    const double dy = at.y() - 500;
    return dx <= 0 ? std::abs(std::abs(dy) - 250) : std::abs(std::hypot(dx, dy) - 250);
}

} // namespace

// Every shipped example: its texts and tiles exist in every language, it compiles into the
// controller's memory, and it runs for ten seconds of simulated time on the virtual controller
// and its robot, driven by the editor's own worker, doing what its description says.
class tst_Examples : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void runs_data();
    void runs();

private:
    QList<ExampleProgram> m_examples;
};

void tst_Examples::initTestCase()
{
    QLoggingCategory::setFilterRules(QStringLiteral("taviro.*.debug=false"));
    m_examples = ExampleCatalog::list();
    QVERIFY(m_examples.size() >= 12);
}

void tst_Examples::runs_data()
{
    QTest::addColumn<QString>("file");
    // What must be seen during the run: lights, picture, note, servo; "drives" needs the robot
    // to cover some floor, "line" to keep to the track, "stops" to end on the stop line;
    // "button" presses the button on D2 after two seconds.
    QTest::addColumn<QStringList>("expected");
    const QList<std::pair<const char *, QStringList>> rows{
        {"01_light-show", {"light"}},
        {"02_traffic-light", {"light"}},
        {"03_animation", {"picture"}},
        {"04_melody", {"picture", "note"}},
        {"05_button-sound", {"button", "note", "picture"}},
        {"06_servo-wave", {"servo"}},
        {"07_square", {"drives", "picture"}},
        {"08_triangle", {"drives", "note"}},
        {"09_counted-square", {"drives", "picture"}},
        {"10_slalom", {"drives"}},
        {"11_stop-at-line", {"stops", "picture"}},
        {"12_line-follower", {"line", "picture"}},
        {"13_obstacle", {"drives", "light"}},
    };
    for (const auto &[file, expected] : rows)
        QTest::newRow(file) << QString::fromLatin1(file) << expected;
}

void tst_Examples::runs()
{
    QFETCH(QString, file);
    QFETCH(QStringList, expected);
    const auto example = std::find_if(m_examples.cbegin(), m_examples.cend(), [&](auto &e) {
        return QFileInfo(e.path).completeBaseName() == file;
    });
    QVERIFY2(example != m_examples.cend(), qPrintable(file + " is not shipped"));
    const std::optional<QJsonObject> document = ExampleCatalog::program(*example);
    QVERIFY(document);

    // Named in every language, and made only of tiles the command menu offers (the editor
    // drops any other command when it loads a program).
    const QDir languages(QCoreApplication::applicationDirPath() + "/Languages");
    for (const QString &folder : languages.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        if (!QFile::exists(languages.filePath(folder + "/base.json")))
            continue;
        HardwareDescription description(languages.filePath(folder + "/base.json"));
        for (const QString &key : {example->titleKey, example->descriptionKey})
            QVERIFY2(description.dictionary().contains(key), qPrintable(folder + ": " + key));
        for (const QJsonValue &program : document->value("ProgData").toArray()) {
            for (const QJsonValue &command : program.toArray()) {
                const QString name = command["action"]["command"].toString();
                QVERIFY2(description.commandMap().contains(name), qPrintable(name));
            }
        }
    }

    ImageBuilder builder;
    const ImageBuilder::Result image = builder.buildImage(*document);
    QVERIFY(image.success);
    QVERIFY(image.image.size() <= kMemorySize);

    QString error;
    const std::optional<RobotWorld> world = RobotWorld::load(
        ShippedData::folderHolding("worlds") + "/worlds/" + example->world + "/world.json", &error);
    QVERIFY2(world, qPrintable(error));

    Bench bench;
    bench.controller.setManualTime(true);
    bench.controller.attach();
    bench.simulation.setWorld(*world);
    QSignalSpy ended(&bench.worker, &internalWorker::sigRunEnded);
    bench.worker.mwSelectDevice(QStringLiteral("in-process"));
    bench.worker.mwStart();
    bench.worker.mwChangeProg(*document);
    QVERIFY(bench.tickUntil(
        [&] { return bench.worker.state() == LinkProtocol::WorkerState::Connected; }, 1000));
    bench.worker.mwCommand("restart");
    QVERIFY(bench.tickUntil(
        [&] { return bench.worker.state() == LinkProtocol::WorkerState::Ready; }, 1000));
    bench.worker.mwCommand("start");
    QCOMPARE(bench.worker.state(), LinkProtocol::WorkerState::Running);

    QSet<QString> seen;
    double path = 0;
    double worstOffTrack = 0;
    const double margin = world->body().radius;
    QPointF previous = bench.simulation.model().pose().position();
    for (int t = 0; t < kRunMs; t += kTickMs) {
        if (expected.contains("button") && (t == 2000 || t == 2500))
            bench.simulation.setPressed(ProgramValues::parsePinLabel("D2"), t == 2000);
        bench.tick();
        const RobotModel &robot = bench.simulation.model();
        const QPointF at = robot.pose().position();
        path += QLineF(previous, at).length();
        previous = at;
        worstOffTrack = qMax(worstOffTrack, offTrack(at));
        for (const QString &what : shown(bench.controller.outputs()))
            seen.insert(what);
        // No fault: the link keeps its robot, the run is not given up, the robot never runs
        // into a wall or against the edge of its floor.
        QVERIFY2(bench.worker.state() != LinkProtocol::WorkerState::Disconnected,
                 qPrintable(QString("link lost at %1 ms").arg(t)));
        QVERIFY2(!robot.touchesWall(), qPrintable(QString("wall at %1 ms").arg(t)));
        QVERIFY2(at.x() > margin && at.y() > margin && at.x() < world->widthMm() - margin &&
                     at.y() < world->heightMm() - margin,
                 qPrintable(QString("off the floor at %1 ms").arg(t)));
        if (expected.contains("button") && t == 1990)
            QVERIFY2(noteOf(bench.controller.outputs()).isEmpty(), "a note before the press");
    }
    for (const QSignalSpy::value_type &arguments : ended)
        QVERIFY2(arguments.at(0).toBool(), "the run was given up");

    qInfo("%s: %.0f mm driven, %s", qPrintable(file), path,
          qPrintable(QStringList(seen.cbegin(), seen.cend()).join(' ')));
    for (const QString &what : expected) {
        if (what == "drives")
            QVERIFY2(path > 600, qPrintable(QString::number(path)));
        else if (what == "line")
            QVERIFY2(path > 600 && worstOffTrack < 60, qPrintable(QString::number(worstOffTrack)));
        else if (what == "stops")
            QVERIFY(bench.simulation.model().wheelSpeeds().left == 0 &&
                    bench.simulation.model().reading(ProgramValues::parsePinLabel("A0")) < 100);
        else if (what != "button")
            QVERIFY2(seen.contains(what), qPrintable(what));
    }
}

QTEST_GUILESS_MAIN(tst_Examples)
#include "tst_examples.moc"
