#include "appcontext.h"
#include "transferpanel.h"
#include "transferprogress.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProgressBar>
#include <QTest>

// The words of the progress panel, from the shipped English dictionary.
class tst_TransferPanel : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void progressText_data();
    void progressText();
    void endText_data();
    void endText();
    void deviceName_data();
    void deviceName();
    void failureStaysUntilClicked();
    void longTextStaysOneLine();

private:
    QMap<QString, QString> m_dictionary;
};

void tst_TransferPanel::initTestCase()
{
    QFile file(QStringLiteral(TAVIRO_SOURCE_DIR "/Languages/01_English/base.json"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QJsonObject texts =
        QJsonDocument::fromJson(file.readAll()).object().value("Dictionary").toObject();
    for (auto it = texts.begin(); it != texts.end(); ++it)
        m_dictionary.insert(it.key(), it.value().toString());
    AppContext::instance().setDictionary(&m_dictionary);
}

void tst_TransferPanel::cleanupTestCase()
{
    AppContext::instance().setDictionary(nullptr);
}

void tst_TransferPanel::progressText_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("done");
    QTest::addColumn<int>("total");
    QTest::addColumn<int>("elapsedMs");
    QTest::addColumn<QString>("text");
    QTest::newRow("write starts") << int(LinkTransfer::Write) << 0 << 1216 << 0
                                  << "Writing to Robo: 0 of 1216 bytes";
    // 576 bytes to go at 640 bytes in 2 s: 1.8 s, said as about 2 s.
    QTest::newRow("write, time left") << int(LinkTransfer::Write) << 640 << 1216 << 2000
                                      << "Writing to Robo: 640 of 1216 bytes, about 2 s left";
    QTest::newRow("read, too early to tell")
        << int(LinkTransfer::Read) << 64 << 4096 << 100 << "Reading from Robo: 64 of 4096 bytes";
    QTest::newRow("read, once a second has passed")
        << int(LinkTransfer::Read) << 64 << 4096 << 1000
        << "Reading from Robo: 64 of 4096 bytes, about 63 s left";
    QTest::newRow("configuration")
        << int(LinkTransfer::Configuration) << 0 << 12 << 0 << "Getting Robo ready: 0 of 12 bytes";
}

void tst_TransferPanel::progressText()
{
    QFETCH(int, kind);
    QFETCH(int, done);
    QFETCH(int, total);
    QFETCH(int, elapsedMs);
    QFETCH(QString, text);
    QCOMPARE(TransferPanel::progressText(kind, done, total, elapsedMs, "Robo"), text);
}

void tst_TransferPanel::endText_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("outcome");
    QTest::addColumn<int>("elapsedMs");
    QTest::addColumn<QString>("text");
    using L = LinkTransfer::Outcome;
    QTest::newRow("written") << int(LinkTransfer::Write) << int(L::Done) << 4449
                             << "Written to Robo in 4.4 s";
    QTest::newRow("read") << int(LinkTransfer::Read) << int(L::Done) << 15050
                          << "Read from Robo in 15.1 s";
    QTest::newRow("configured") << int(LinkTransfer::Configuration) << int(L::Done) << 80
                                << "Robo is ready to run (set-up sent in 0.1 s)";
    QTest::newRow("link lost") << int(LinkTransfer::Write) << int(L::LinkLost) << 900
                               << "Not written to Robo: the link was lost";
    QTest::newRow("gave up") << int(LinkTransfer::Write) << int(L::GaveUp) << 900
                             << "Not written to Robo: the robot did not answer, given up after "
                                "10 resends";
    QTest::newRow("does not compile") << int(LinkTransfer::Write) << int(L::NotCompiled) << 0
                                      << "Not written to Robo: the program does not compile";
    QTest::newRow("empty memory") << int(LinkTransfer::Read) << int(L::NoProgram) << 9000
                                  << "Not read from Robo: the robot's memory holds no program";
    QTest::newRow("configuration interrupted")
        << int(LinkTransfer::Configuration) << int(L::Interrupted) << 10
        << "Robo was not made ready: it was interrupted";
}

void tst_TransferPanel::endText()
{
    QFETCH(int, kind);
    QFETCH(int, outcome);
    QFETCH(int, elapsedMs);
    QFETCH(QString, text);
    QCOMPARE(TransferPanel::endText(kind, outcome, elapsedMs, "Robo"), text);
}

void tst_TransferPanel::deviceName_data()
{
    QTest::addColumn<QString>("deviceText");
    QTest::addColumn<QString>("name");
    QTest::newRow("named") << R"({"Name":"Robo 7","Address":"00:11:22:33:44:55"})"
                           << "Robo 7";
    QTest::newRow("nameless") << R"({"Name":" ","Address":"tcp://127.0.0.1:5000"})"
                              << "tcp://127.0.0.1:5000";
    QTest::newRow("not a device text") << "Robo"
                                       << "";
}

void tst_TransferPanel::deviceName()
{
    QFETCH(QString, deviceText);
    QFETCH(QString, name);
    QCOMPARE(TransferPanel::deviceName(deviceText), name);
}

void tst_TransferPanel::failureStaysUntilClicked()
{
    TransferPanel panel;
    // A device name with placeholders in it is shown as it is.
    panel.setDeviceName([] { return QStringLiteral("Robo %1 %p"); });
    QVERIFY(panel.isHidden());
    panel.showProgress(LinkTransfer::Write, 64, 128, 0);
    QVERIFY(!panel.isHidden());
    QCOMPARE(panel.bar()->value(), 64);
    QCOMPARE(panel.text(), QStringLiteral("Writing to Robo %1 %p: 64 of 128 bytes"));
    panel.showEnd(LinkTransfer::Write, LinkTransfer::LinkLost, 300);
    QVERIFY(panel.failed());
    QCOMPARE(panel.bar()->value(), 64);
    QVERIFY(!panel.isHidden());
    QTest::mouseClick(&panel, Qt::LeftButton);
    QVERIFY(panel.isHidden());
    panel.showProgress(LinkTransfer::Write, 0, 128, 0);
    QVERIFY(!panel.failed());
    panel.showEnd(LinkTransfer::Write, LinkTransfer::Done, 300);
    QCOMPARE(panel.bar()->value(), panel.bar()->maximum());
    QVERIFY(!panel.failed());
}

void tst_TransferPanel::longTextStaysOneLine()
{
    TransferPanel panel;
    panel.setDeviceName([] { return QStringLiteral("Virtual controller"); });
    panel.resize(300, panel.sizeHint().height());
    panel.showEnd(LinkTransfer::Write, LinkTransfer::Done, 40);
    QVERIFY(QTest::qWaitForWindowExposed(&panel));
    const QSize shortHint = panel.sizeHint();
    panel.showEnd(LinkTransfer::Configuration, LinkTransfer::Done, 40);
    const QString whole = "The virtual controller is ready to run (set-up sent in 0.0 s)";
    QVERIFY(panel.text() == whole && panel.toolTip() == whole);
    // No wider and no higher than with a short text: one line, cut short with an ellipsis.
    QCOMPARE(panel.sizeHint(), shortHint);
    QVERIFY(panel.shownText().endsWith(QChar(0x2026)));
    QVERIFY(whole.startsWith(panel.shownText().chopped(1)));
}

QTEST_MAIN(tst_TransferPanel)
#include "tst_transferpanel.moc"
