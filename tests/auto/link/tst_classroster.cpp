#include "classroster.h"
#include "mbluetoothconnect.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTest>

namespace {

QString device(const QString &name, const QString &address, const QString &bluetooth = {})
{
    return mBluetoothConnect::deviceText(name, address, bluetooth);
}

QByteArray classFile(const QList<QStringList> &robots)
{
    QJsonArray entries;
    for (const QStringList &robot : robots)
        entries.append(QJsonObject{{"number", robot[0].toInt()},
                                   {"key", robot[1]},
                                   {"name", robot[2]},
                                   {"address", robot[3]}});
    return QJsonDocument(QJsonObject{{"robots", entries}}).toJson();
}

} // namespace

class tst_ClassRoster : public QObject
{
    Q_OBJECT
private slots:
    void meet_data();
    void meet();
};

void tst_ClassRoster::meet_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QStringList>("met");
    // After meeting each robot of "met" in turn: its number and the name it is kept under.
    QTest::addColumn<QList<int>>("numbers");
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<bool>("damaged");

    const QString a = device("Robot", "00:11:22:33:44:01");
    const QString b = device("Robot", "00:11:22:33:44:02");
    QTest::newRow("new robots numbered in turn")
        << QByteArray() << QStringList{a, b, a} << QList<int>{1, 2, 1}
        << QStringList{"Robot", "Robot", "Robot"} << false;
    QTest::newRow("known robot keeps its number, a new one takes the gap")
        << classFile({{"1", "00:11:22:33:44:01", "Ann", "00:11:22:33:44:01"},
                      {"3", "00:11:22:33:44:03", "Cy", "00:11:22:33:44:03"}})
        << QStringList{device("Ann", "00:11:22:33:44:03"), b, device("D", "00:11:22:33:44:04")}
        << QList<int>{3, 2, 4} << QStringList{"Ann", "Robot", "D"} << false;
    QTest::newRow("renamed robot: the search's name wins, a bare address keeps it")
        << classFile({{"5", "00:11:22:33:44:01", "Robot", "00:11:22:33:44:01"}})
        << QStringList{device("Robot 5", "00:11:22:33:44:01"), "00:11:22:33:44:01"}
        << QList<int>{5, 5} << QStringList{"Robot 5", "Robot 5"} << false;
    QTest::newRow("address in another case is the same robot")
        << QByteArray() << QStringList{"00:11:22:33:44:0a", device("R", "00:11:22:33:44:0A")}
        << QList<int>{1, 1} << QStringList{"", "R"} << false;
    QTest::newRow("COM port by the Bluetooth address Windows reports")
        << classFile({{"4", "98:D3:31:FB:1A:2C", "Robo-17", "serial:COM7"}})
        << QStringList{device("Robo-17", "serial:COM9", "98:d3:31:fb:1a:2c"), "serial:COM7"}
        << QList<int>{4, 1} << QStringList{"Robo-17", ""} << false;
    QTest::newRow("serial port by its name, whatever the speed")
        << QByteArray() << QStringList{"serial:COM3@115200", "serial:COM3"} << QList<int>{1, 1}
        << QStringList{"", ""} << false;
    QTest::newRow("virtual robots by host and port")
        << QByteArray()
        << QStringList{"tcp://127.0.0.1:5000", "tcp://127.0.0.1:5001",
                       device("tcp://127.0.0.1:5000", "tcp://127.0.0.1:5000")}
        << QList<int>{1, 2, 1} << QStringList{"", "", ""} << false;
    QTest::newRow("damaged file kept aside, class rebuilt")
        << QByteArray("{\"robots\": [{\"number\": 1,") << QStringList{b} << QList<int>{1}
        << QStringList{"Robot"} << true;
    QTest::newRow("file without a list of robots")
        << QByteArray("[1, 2]") << QStringList{a} << QList<int>{1} << QStringList{"Robot"} << true;
    QTest::newRow("entries without key or with a taken number are left out")
        << classFile({{"1", "00:11:22:33:44:01", "Ann", "00:11:22:33:44:01"},
                      {"1", "00:11:22:33:44:02", "Bo", ""},
                      {"0", "00:11:22:33:44:03", "Cy", ""}})
        << QStringList{b, a} << QList<int>{2, 1} << QStringList{"Robot", "Robot"} << false;
}

void tst_ClassRoster::meet()
{
    QFETCH(QByteArray, file);
    QFETCH(QStringList, met);
    QFETCH(QList<int>, numbers);
    QFETCH(QStringList, names);
    QFETCH(bool, damaged);

    QTemporaryDir folder;
    const QString path = ClassRoster::filePathIn(folder.path() + "/Lumakit");
    if (!file.isEmpty()) {
        QDir().mkpath(folder.path() + "/Lumakit");
        QFile out(path);
        QVERIFY(out.open(QIODevice::WriteOnly));
        out.write(file);
    }
    if (damaged)
        QTest::ignoreMessage(QtWarningMsg,
                             QRegularExpression("cannot be read .*; kept it as .*damaged-"));
    for (int i = 0; i < file.count("\"address\": \"\""); ++i)
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("Left out a robot"));

    ClassRoster roster(path);
    QCOMPARE(roster.load(), !damaged);
    if (damaged) {
        // Kept aside byte for byte.
        const QStringList aside =
            QDir(folder.path() + "/Lumakit").entryList({"class.json.damaged-*"}, QDir::Files);
        QCOMPARE(aside.size(), 1);
        QFile kept(folder.path() + "/Lumakit/" + aside.first());
        QVERIFY(kept.open(QIODevice::ReadOnly));
        QCOMPARE(kept.readAll(), file);
    }
    for (qsizetype i = 0; i < met.size(); ++i) {
        const ClassRoster::Robot robot = roster.meet(met[i]);
        QCOMPARE(robot.number, numbers[i]);
        QCOMPARE(robot.name, names[i]);
    }
    // What was saved is what a new start finds.
    ClassRoster again(path);
    QVERIFY(again.load());
    QCOMPARE(again.robots().size(), roster.robots().size());
    for (qsizetype i = 0; i < met.size(); ++i) {
        QCOMPARE(again.numberOf(met[i]), numbers[i]);
        QCOMPARE(again.robot(met[i])->name, roster.robot(met[i])->name);
    }
    QVERIFY(again.rename(met.last(), "Renamed"));
    QCOMPARE(ClassRoster(path).load() ? again.robot(met.last())->name : QString(), "Renamed");
}

QTEST_GUILESS_MAIN(tst_ClassRoster)
#include "tst_classroster.moc"
