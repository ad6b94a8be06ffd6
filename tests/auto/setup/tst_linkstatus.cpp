#include "linkproblem.h"
#include "linkprotocol.h"
#include "linkstatus.h"

#include <QMetaEnum>
#include <QTest>

// What the device page's two lines say, followed through the link's events: a device is chosen,
// the link reports statuses, the watchdog ticks without frames, the link names a problem, a search
// lists robots and serial ports and ends; where robots come only as COM ports, what the search
// line says instead.
class tst_LinkStatus : public QObject
{
    Q_OBJECT
private slots:
    void wordsFollowTheEvents_data();
    void wordsFollowTheEvents();
};

using Tone = LinkStatus::Tone;
Q_DECLARE_METATYPE(Tone)

void tst_LinkStatus::wordsFollowTheEvents_data()
{
    QTest::addColumn<QStringList>("events");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("argument");
    QTest::addColumn<Tone>("tone");
    // The line under the list: its key and the count it names; nothing without a search.
    QTest::addColumn<QString>("search");
    const QString none;
    const QString off = QString::number(LinkProblem::BluetoothOff);
    const QString noService = QString::number(LinkProblem::NoBluetoothService);
    const QString away = QString::number(LinkProblem::Unreachable);
    const QString unpaired = QString::number(LinkProblem::NotPaired);
    const QString taken = QString::number(LinkProblem::ServiceTaken);

    QTest::newRow("nothing chosen, no link") << QStringList{"tick"} << "BluetoothNoPlugin"
                                             << "" << Tone::Bad << none;
    QTest::newRow("nothing chosen, first frame")
        << QStringList{"state FirstFrame"} << "BluetoothPlugin3"
        << "" << Tone::Good << none;
    QTest::newRow("chosen") << QStringList{"choose Robby"} << "BluetoothConnecting"
                            << "Robby" << Tone::Waiting << none;
    QTest::newRow("chosen, still connecting")
        << QStringList{"choose Robby", "tick", "tick"} << "BluetoothConnecting"
        << "Robby" << Tone::Waiting << none;
    QTest::newRow("socket open") << QStringList{"choose Robby", "state Opened"}
                                 << "BluetoothPlugin1"
                                 << "" << Tone::Waiting << none;
    QTest::newRow("connected") << QStringList{"choose Robby", "tick", "state Opened",
                                              "state FirstFrame"}
                               << "BluetoothConnected"
                               << "Robby" << Tone::Good << none;
    QTest::newRow("link lost") << QStringList{"choose Robby", "state FirstFrame", "tick", "tick"}
                               << "BluetoothLinkLost"
                               << "Robby" << Tone::Bad << none;
    QTest::newRow("robot away, told on every tick")
        << QStringList{"choose Robby", "problem " + away, "tick"} << "BluetoothUnreachable"
        << "Robby" << Tone::Bad << none;
    QTest::newRow("serial service held by another program")
        << QStringList{"choose Robby", "problem " + taken} << "BluetoothServiceTaken"
        << "Robby" << Tone::Bad << none;
    QTest::newRow("a connection clears the problem")
        << QStringList{"choose Robby", "problem " + unpaired, "state FirstFrame"}
        << "BluetoothConnected"
        << "Robby" << Tone::Good << none;
    QTest::newRow("lost after a problem was mended")
        << QStringList{"choose Robby", "problem " + unpaired, "state FirstFrame", "tick"}
        << "BluetoothLinkLost"
        << "Robby" << Tone::Bad << none;
    QTest::newRow("bluetooth switched off while lost")
        << QStringList{"choose Robby", "state FirstFrame", "tick", "problem " + off}
        << "BluetoothOff"
        << "Robby" << Tone::Bad << none;
    QTest::newRow("another robot starts afresh")
        << QStringList{"choose Robby", "problem " + away, "state FirstFrame", "choose Other"}
        << "BluetoothConnecting"
        << "Other" << Tone::Waiting << none;
    QTest::newRow("flood") << QStringList{"choose Robby", "state Flooded"} << "BluetoothPlugin-2"
                           << "" << Tone::Bad << none;
    QTest::newRow("cable plugged out")
        << QStringList{"choose Cable", "state FirstFrame", "tick",
                       "problem " + QString::number(LinkProblem::PortMissing)}
        << "SerialPortMissing"
        << "Cable" << Tone::Bad << none;
    QTest::newRow("port busy, still on the next tick")
        << QStringList{"choose Cable", "problem " + QString::number(LinkProblem::PortBusy), "tick"}
        << "SerialPortBusy"
        << "Cable" << Tone::Bad << none;
    QTest::newRow("searching") << QStringList{"search", "port"} << none << none << Tone::Hidden
                               << "BluetoothSearching";
    QTest::newRow("robots and ports counted")
        << QStringList{"search", "port", "robot", "port", "end 0"} << none << none << Tone::Hidden
        << "BluetoothFoundWithPorts 1";
    QTest::newRow("robots only") << QStringList{"search", "robot", "robot", "end 0"} << none << none
                                 << Tone::Hidden << "BluetoothFoundCount 2";
    QTest::newRow("no robot beside the ports")
        << QStringList{"search", "port", "port", "end 0"} << none << none << Tone::Hidden
        << "BluetoothNoneFoundPorts 2";
    QTest::newRow("nothing found")
        << QStringList{"search", "end 0"} << none << none << Tone::Hidden << "BluetoothNoneFound";
    QTest::newRow("bluetooth off, said under the list")
        << QStringList{"choose Robby", "search", "end " + off} << "BluetoothConnecting"
        << "Robby" << Tone::Waiting << "BluetoothOff";
    QTest::newRow("bluetooth off, said once")
        << QStringList{"choose Robby", "search", "end " + off, "problem " + off} << "BluetoothOff"
        << "Robby" << Tone::Bad << "BluetoothFoundCount 0";
    QTest::newRow("once the link worked, only the count")
        << QStringList{"choose Cable",     "search",           "port",
                       "end " + noService, "state FirstFrame", "tick"}
        << "BluetoothLinkLost"
        << "Cable" << Tone::Bad << "BluetoothFoundWithPorts 0";
    QTest::newRow("an unknown robot found by the search")
        << QStringList{"choose Robby", "problem " + QString::number(LinkProblem::UnknownDevice),
                       "search", "listed"}
        << "BluetoothConnecting"
        << "Robby" << Tone::Waiting << "BluetoothSearching";
    QTest::newRow("listed, still not paired")
        << QStringList{"choose Robby", "problem " + unpaired, "search", "listed"}
        << "BluetoothNotPaired"
        << "Robby" << Tone::Bad << "BluetoothSearching";
    // Where robots come only as COM ports (Windows), the line says how a robot gets one.
    QTest::newRow("COM ports only, before a search")
        << QStringList{"comports"} << none << none << Tone::Hidden << "ComPortsPairHint";
    QTest::newRow("COM ports only, searching")
        << QStringList{"comports", "search"} << none << none << Tone::Hidden << "ComPortsSearching";
    QTest::newRow("COM ports only, two listed")
        << QStringList{"comports", "search", "port", "port", "end 0"} << none << none
        << Tone::Hidden << "ComPortsFound 2";
    QTest::newRow("COM ports only, none") << QStringList{"comports", "search", "end 0"} << none
                                          << none << Tone::Hidden << "ComPortsNone";
}

void tst_LinkStatus::wordsFollowTheEvents()
{
    QFETCH(QStringList, events);
    QFETCH(QString, key);
    QFETCH(QString, argument);
    QFETCH(Tone, tone);
    QFETCH(QString, search);
    LinkStatus status(events.value(0) == "comports");
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
            const QMetaEnum statuses = QMetaEnum::fromType<LinkProtocol::ConnectionStatus>();
            words = status.connectState(statuses.keyToValue(value.toLatin1().constData()));
        } else if (what == "tick") {
            words = status.watchdogTick();
        } else if (what == "problem") {
            words = status.linkProblem(value.toInt(), group);
        } else if (what == "search") {
            status.searchRequested();
        } else if (what == "robot" || what == "port") {
            status.deviceListed(what == "port");
        } else if (what == "listed") {
            words = status.chosenDeviceListed();
        } else if (what == "end") {
            status.searchEnded(value.toInt());
        }
        QCOMPARE(status.current(), words);
    }
    QCOMPARE(words.key, key);
    QCOMPARE(words.argument, argument);
    QCOMPARE(words.tone, tone);
    const bool problemShown = words.key.startsWith("Serial") || words.key.endsWith("Unreachable") ||
                              words.key.endsWith("NotPaired") || words.key.endsWith("Off") ||
                              words.key.endsWith("Taken");
    QCOMPARE(words.detail, problemShown ? group : QString());
    const LinkStatus::Words searchWords = status.searchWords();
    QCOMPARE((searchWords.key + ' ' + searchWords.argument).trimmed(), search);
    // The two lines never say the same.
    QVERIFY(searchWords.key.isEmpty() || searchWords.key != words.key);
}

QTEST_APPLESS_MAIN(tst_LinkStatus)
#include "tst_linkstatus.moc"
