#include "linkproblem.h"
#include "linkstatus.h"

#include <QTest>

// What the device page says, followed through the link's events: a device is chosen, the link
// reports statuses, the watchdog ticks without frames, the link names a problem.
class tst_LinkStatus : public QObject
{
    Q_OBJECT
private slots:
    void wordsFollowTheEvents_data();
    void wordsFollowTheEvents();
    void searchEndWords_data();
    void searchEndWords();
};

using Tone = LinkStatus::Tone;
Q_DECLARE_METATYPE(Tone)

void tst_LinkStatus::wordsFollowTheEvents_data()
{
    QTest::addColumn<QStringList>("events");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("argument");
    QTest::addColumn<Tone>("tone");
    const QString off = QString::number(LinkProblem::BluetoothOff);
    const QString away = QString::number(LinkProblem::Unreachable);
    const QString unpaired = QString::number(LinkProblem::NotPaired);

    QTest::newRow("nothing chosen, no link") << QStringList{"tick"} << "BluetoothNoPlugin"
                                             << "" << Tone::Bad;
    QTest::newRow("nothing chosen, first frame") << QStringList{"state 3"} << "BluetoothPlugin3"
                                                 << "" << Tone::Good;
    QTest::newRow("chosen") << QStringList{"choose Robby"} << "BluetoothConnecting"
                            << "Robby" << Tone::Waiting;
    QTest::newRow("chosen, still connecting")
        << QStringList{"choose Robby", "tick", "tick"} << "BluetoothConnecting"
        << "Robby" << Tone::Waiting;
    QTest::newRow("socket open") << QStringList{"choose Robby", "state 1"} << "BluetoothPlugin1"
                                 << "" << Tone::Waiting;
    QTest::newRow("connected") << QStringList{"choose Robby", "tick", "state 1", "state 3"}
                               << "BluetoothConnected"
                               << "Robby" << Tone::Good;
    QTest::newRow("link lost") << QStringList{"choose Robby", "state 3", "tick", "tick"}
                               << "BluetoothLinkLost"
                               << "Robby" << Tone::Bad;
    QTest::newRow("robot away, told on every tick")
        << QStringList{"choose Robby", "problem " + away, "tick"} << "BluetoothUnreachable"
        << "Robby" << Tone::Bad;
    QTest::newRow("a connection clears the problem")
        << QStringList{"choose Robby", "problem " + unpaired, "state 3"} << "BluetoothConnected"
        << "Robby" << Tone::Good;
    QTest::newRow("lost after a problem was mended")
        << QStringList{"choose Robby", "problem " + unpaired, "state 3", "tick"}
        << "BluetoothLinkLost"
        << "Robby" << Tone::Bad;
    QTest::newRow("bluetooth switched off while lost")
        << QStringList{"choose Robby", "state 3", "tick", "problem " + off} << "BluetoothOff"
        << "Robby" << Tone::Bad;
    QTest::newRow("another robot starts afresh")
        << QStringList{"choose Robby", "problem " + away, "state 3", "choose Other"}
        << "BluetoothConnecting"
        << "Other" << Tone::Waiting;
    QTest::newRow("flood") << QStringList{"choose Robby", "state -2"} << "BluetoothPlugin-2"
                           << "" << Tone::Bad;
    QTest::newRow("cable plugged out")
        << QStringList{"choose Cable", "state 3", "tick",
                       "problem " + QString::number(LinkProblem::PortMissing)}
        << "SerialPortMissing"
        << "Cable" << Tone::Bad;
    QTest::newRow("port busy, still on the next tick")
        << QStringList{"choose Cable", "problem " + QString::number(LinkProblem::PortBusy), "tick"}
        << "SerialPortBusy"
        << "Cable" << Tone::Bad;
}

void tst_LinkStatus::wordsFollowTheEvents()
{
    QFETCH(QStringList, events);
    QFETCH(QString, key);
    QFETCH(QString, argument);
    QFETCH(Tone, tone);
    LinkStatus status;
    // The group a serial port is open to travels with its problem.
    const QString group = QStringLiteral("dialout");
    LinkStatus::Words words;
    for (const QString &event : events) {
        const QString what = event.section(' ', 0, 0);
        const QString value = event.section(' ', 1);
        if (what == "choose") {
            status.chooseDevice(value);
            words = status.current();
        } else if (what == "state") {
            words = status.connectState(value.toInt());
        } else if (what == "tick") {
            words = status.watchdogTick();
        } else if (what == "problem") {
            words = status.linkProblem(value.toInt(), group);
        }
        QCOMPARE(status.current(), words);
    }
    QCOMPARE(words.key, key);
    QCOMPARE(words.argument, argument);
    QCOMPARE(words.tone, tone);
    const bool problemShown = words.key.startsWith("Serial") || words.key.endsWith("Unreachable") ||
                              words.key.endsWith("NotPaired") || words.key.endsWith("Off");
    QCOMPARE(words.detail, problemShown ? group : QString());
}

void tst_LinkStatus::searchEndWords_data()
{
    QTest::addColumn<int>("robots");
    QTest::addColumn<int>("problem");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("argument");
    QTest::newRow("two robots") << 2 << 0 << "BluetoothFoundCount"
                                << "2";
    QTest::newRow("none") << 0 << 0 << "BluetoothNoneFound"
                          << "";
    QTest::newRow("switched off") << 0 << int(LinkProblem::BluetoothOff) << "BluetoothOff"
                                  << "";
    QTest::newRow("no adapter") << 0 << int(LinkProblem::NoAdapter) << "BluetoothNoAdapter"
                                << "";
    QTest::newRow("no service") << 0 << int(LinkProblem::NoBluetoothService) << "BluetoothNoService"
                                << "";
}

void tst_LinkStatus::searchEndWords()
{
    QFETCH(int, robots);
    QFETCH(int, problem);
    QFETCH(QString, key);
    QFETCH(QString, argument);
    const LinkStatus::Words words = LinkStatus::searchEnded(robots, problem);
    QCOMPARE(words.key, key);
    QCOMPARE(words.argument, argument);
}

QTEST_APPLESS_MAIN(tst_LinkStatus)
#include "tst_linkstatus.moc"
