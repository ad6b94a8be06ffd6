#include "appcontext.h"
#include "classmodel.h"
#include "classroster.h"
#include "classscheduler.h"
#include "classwindow.h"
#include "editorhome.h"
#include "languagecatalog.h"
#include "mbluetoothconnect.h"
#include "memoryimage.h"
#include "mworker.h"
#include "programstore.h"
#include "virtualcontrollerserver.h"

#include <QDir>
#include <QJsonArray>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

#include <memory>
#include <vector>

// A lesson with a class of virtual robots, through the class window: number them, find one,
// write one program to all while one robot's link is cut, and collect every program again. The
// first robot is the editor's: the class reaches it over the editor's own link.
class tst_ClassJourney : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void lesson();

private:
    static QJsonObject program();
    QStringList namesOfControllers() const;
    void press(const QString &key);
    bool waitForRound();

    QTemporaryDir m_home;
    std::vector<std::unique_ptr<VirtualControllerServer>> m_robots;
    std::unique_ptr<ClassWindow> m_window;
};

namespace {

constexpr int kRobots = 5;
constexpr int kCutRobot = 3; // the fourth
constexpr int kShownRobot = 2;
constexpr int kRoundMs = 40000;

} // namespace

QJsonObject tst_ClassJourney::program()
{
    QJsonArray main;
    for (int i = 0; i < 30; ++i)
        main.append(QJsonObject{{"conditions", QJsonObject{{"type", "always"}}},
                                {"action", QJsonObject{{"command", i % 2 ? "m_fwd" : "m_backward"},
                                                       {"speed", 20 + i}}}});
    return {{"ProgData", QJsonArray{main}}, {"configuration", EditorHome::everyGadget()}};
}

void tst_ClassJourney::initTestCase()
{
    QVERIFY(EditorHome::prepare(m_home));
    QVERIFY(LanguageCatalog::instance().select(QStringLiteral("English")));
    for (int i = 0; i < kRobots; ++i) {
        m_robots.push_back(std::make_unique<VirtualControllerServer>());
        QVERIFY(m_robots.back()->listen(QHostAddress::LocalHost, 0) != 0);
    }
}

QStringList tst_ClassJourney::namesOfControllers() const
{
    QStringList names;
    for (const auto &robot : m_robots)
        names.append(robot->controller().deviceName());
    return names;
}

void tst_ClassJourney::press(const QString &key)
{
    QPushButton *button = m_window->button(key);
    QVERIFY2(button && button->isEnabled(), qPrintable(key));
    QTest::mouseClick(button, Qt::LeftButton);
}

bool tst_ClassJourney::waitForRound()
{
    QSignalSpy done(m_window.get(), &ClassWindow::roundFinished);
    return done.wait(kRoundMs);
}

void tst_ClassJourney::lesson()
{
    const auto tcp = [](const auto &robot) {
        return QStringLiteral("tcp://127.0.0.1:%1").arg(robot->port());
    };
    const QJsonObject document = program();
    mWorker editor;
    editor.mwChangeProg(document);
    editor.mwSelectDevice(mBluetoothConnect::deviceText(
        QString::fromLatin1(mBluetoothConnect::kVirtualControllerName), tcp(m_robots.front())));
    editor.mwStart();
    QTRY_VERIFY_WITH_TIMEOUT(editor.worker()->state() != LinkProtocol::WorkerState::Disconnected,
                             10000);
    // A second link to the editor's robot would take it from the editor.
    QSignalSpy secondLinks(m_robots.front().get(), &VirtualControllerServer::clientConnected);

    ClassRoster roster(ClassRoster::filePathIn(AppContext::instance().store().dataFolder()));
    ClassScheduler scheduler;
    scheduler.setEditorWorker(editor.worker(), [&] { return document; });
    m_window = std::make_unique<ClassWindow>(&roster, &scheduler, [&] { return document; });
    for (const auto &robot : m_robots)
        m_window->addDevice(mBluetoothConnect::deviceText(QString(), tcp(robot)));
    m_window->setEditorWorker(editor.worker());
    m_window->show();
    ClassModel *model = m_window->model();
    QCOMPARE(model->rowCount(), kRobots);
    QCOMPARE(model->robots().front().editorsRobot, true);

    // Number them: "Robot 1" ... in class order, each robot told its own name.
    press(QStringLiteral("ClassSelectAll"));
    QCOMPARE(m_window->baseNameEdit()->text(), QStringLiteral("Robot"));
    press(QStringLiteral("ClassNumber"));
    QVERIFY(waitForRound());
    QStringList numbered;
    for (int i = 1; i <= kRobots; ++i)
        numbered.append(QStringLiteral("Robot %1").arg(i));
    QCOMPARE(namesOfControllers(), numbered);
    QCOMPARE(m_window->summaryLabel()->text(), QStringLiteral("Renamed 5 of 5."));
    QCOMPARE(roster.robots().at(kRobots - 1).name, QStringLiteral("Robot 5"));

    // Show me on one robot: its number on its picture, then the picture cleared.
    const QJsonArray cells = RobotJob::numberPicture(kShownRobot + 1);
    std::array<quint8, 8> number{};
    for (int cell = 0; cell < 64; ++cell)
        number[cell / 8] |= quint8(cells.at(cell).toInt() << (7 - cell % 8));
    VirtualController &shown = m_robots.at(kShownRobot)->controller();
    bool numberSeen = false;
    connect(&shown, &VirtualController::outputsChanged, this,
            [&] { numberSeen = numberSeen || shown.outputs().matrix == number; });
    m_window->table()->setCurrentIndex(model->index(kShownRobot, ClassModel::NameColumn));
    QTest::keyClick(m_window->table(), Qt::Key_Return);
    QTRY_COMPARE_WITH_TIMEOUT(model->robots().at(kShownRobot).state, RobotRow::State::Shown, 10000);
    QVERIFY(numberSeen);
    QCOMPARE(shown.outputs().matrix, (std::array<quint8, 8>{}));

    // Write to all; the fourth robot's link is cut in the middle and comes back.
    m_robots.at(kCutRobot)->controller().setMsPerByte(0.5);
    const QString cutAddress = tcp(m_robots.at(kCutRobot));
    bool cut = false;
    connect(&scheduler, &ClassScheduler::robotProgress, this,
            [&](const QString &address, int percent) {
                if (address == cutAddress && !cut && percent > 0 && percent < 100) {
                    cut = true;
                    m_robots.at(kCutRobot)->disconnectClient();
                }
            });
    // The line under the list counts the robots done as they finish.
    QStringList counts;
    connect(&scheduler, &ClassScheduler::robotFinished, this,
            [&] { counts.append(m_window->summaryLabel()->text()); });
    press(QStringLiteral("ClassWrite"));
    QVERIFY(waitForRound());
    QVERIFY(cut);
    QCOMPARE(counts.value(0), QStringLiteral("Writing: 1 of 5 done…"));
    QCOMPARE(m_window->summaryLabel()->text(), QStringLiteral("Written 5 of 5."));
    const QByteArray image = editor.worker()->memoryImage();
    for (const auto &robot : m_robots)
        QCOMPARE(robot->controller().eeprom().left(image.size()), image);

    // Read all back into the class folder of the day, a file per robot beside its name: what
    // each memory holds is the program written.
    const std::optional<QJsonObject> written = decodeImage(image);
    QVERIFY(written);
    press(QStringLiteral("ClassRead"));
    QVERIFY(waitForRound());
    QVERIFY(m_window->summaryLabel()->text().startsWith(QStringLiteral("Read 5 of 5 into ")));
    for (int i = 0; i < kRobots; ++i) {
        const RobotRow &row = model->robots().at(i);
        QCOMPARE(row.state, RobotRow::State::Read);
        QCOMPARE(QFileInfo(row.readFile).dir().path(), m_window->classFolder());
        const std::optional<QJsonObject> read = ProgramStore::readProgramDocument(row.readFile);
        QVERIFY(read);
        QCOMPARE(read->value("ProgData"), written->value("ProgData"));
        QCOMPARE(read->value("robot").toObject().value("name").toString(), numbered.at(i));
    }
    // The editor kept its robot throughout.
    QCOMPARE(secondLinks.size(), 0);
    QVERIFY(editor.worker()->state() != LinkProtocol::WorkerState::Disconnected);
    QCOMPARE(mBluetoothConnect::deviceParts(editor.worker()->selectedDevice()).address,
             model->robots().front().address);

    // Opening a collected program is the editor's to do (it asks about unsaved work first).
    QSignalSpy open(m_window.get(), &ClassWindow::openRequested);
    m_window->table()->setCurrentIndex(model->index(1, ClassModel::NameColumn));
    press(QStringLiteral("ClassOpen"));
    QCOMPARE(open.size(), 1);
    QCOMPARE(open.at(0).at(0).toString(), model->robots().at(1).readFile);
    m_window.reset();
}

QTEST_MAIN(tst_ClassJourney)
#include "tst_classjourney.moc"
