#include "terminalprogress.h"
#include "transferprogress.h"

#include <QTemporaryFile>
#include <QTest>

#include <cstdio>

class tst_TerminalProgress : public QObject
{
    Q_OBJECT
private slots:
    void progressLine_data();
    void progressLine();
    void endLine_data();
    void endLine();
    void linesAreRewrittenInPlace();
};

void tst_TerminalProgress::progressLine_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("done");
    QTest::addColumn<int>("total");
    QTest::addColumn<int>("elapsedMs");
    QTest::addColumn<QString>("line");
    QTest::newRow("write starts") << int(LinkTransfer::Write) << 0 << 1216 << 0
                                  << "writing     [------------------------]    0/1216 bytes";
    QTest::newRow("half way, time left")
        << int(LinkTransfer::Write) << 608 << 1216 << 2200
        << "writing     [############------------]  608/1216 bytes, 3 s left";
    QTest::newRow("read done") << int(LinkTransfer::Read) << 4096 << 4096 << 15000
                               << "reading     [########################] 4096/4096 bytes";
    QTest::newRow("configuration") << int(LinkTransfer::Configuration) << 0 << 12 << 0
                                   << "configuring [------------------------]  0/12 bytes";
}

void tst_TerminalProgress::progressLine()
{
    QFETCH(int, kind);
    QFETCH(int, done);
    QFETCH(int, total);
    QFETCH(int, elapsedMs);
    QFETCH(QString, line);
    QCOMPARE(TerminalProgress::progressLine(kind, done, total, elapsedMs), line);
}

void tst_TerminalProgress::endLine_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("outcome");
    QTest::addColumn<QString>("line");
    using L = LinkTransfer::Outcome;
    QTest::newRow("written") << int(LinkTransfer::Write) << int(L::Done)
                             << "written to tcp://127.0.0.1:5000 in 4.4 s";
    QTest::newRow("configured") << int(LinkTransfer::Configuration) << int(L::Done)
                                << "configuration confirmed by tcp://127.0.0.1:5000 in 4.4 s";
    QTest::newRow("read, link lost") << int(LinkTransfer::Read) << int(L::LinkLost)
                                     << "not read from tcp://127.0.0.1:5000: the link was lost";
    QTest::newRow("write, gave up")
        << int(LinkTransfer::Write) << int(L::GaveUp)
        << "not written to tcp://127.0.0.1:5000: no answer, given up after 10 resends";
}

void tst_TerminalProgress::endLine()
{
    QFETCH(int, kind);
    QFETCH(int, outcome);
    QFETCH(QString, line);
    QCOMPARE(TerminalProgress::endLine(kind, outcome, 4400, "tcp://127.0.0.1:5000"), line);
}

void tst_TerminalProgress::linesAreRewrittenInPlace()
{
    FILE *out = std::tmpfile();
    QVERIFY(out);
    {
        TerminalProgress progress("robot", out);
        progress.show(LinkTransfer::Read, 1024, 4096, 1000);
        progress.show(LinkTransfer::Read, 4096, 4096, 4000);
        progress.end(LinkTransfer::Read, LinkTransfer::Done, 4000);
    }
    std::rewind(out);
    QByteArray text(4096, '\0');
    text.resize(qsizetype(std::fread(text.data(), 1, size_t(text.size()), out)));
    std::fclose(out);
    const QList<QByteArray> parts = text.split('\r');
    QCOMPARE(parts.size(), 4);
    QVERIFY(parts[1].endsWith("1024/4096 bytes, 3 s left"));
    // A shorter line blanks out what is left of the longer one before it.
    QCOMPARE(parts[2].size(), parts[1].size());
    QVERIFY(parts[2].trimmed().endsWith("4096/4096 bytes"));
    // The closing line ends the line.
    QVERIFY(parts[3].startsWith("read from robot in 4.0 s "));
    QVERIFY(parts[3].endsWith('\n'));
    QCOMPARE(parts[3].size(), parts[2].trimmed().size() + 1);
}

QTEST_GUILESS_MAIN(tst_TerminalProgress)
#include "tst_terminalprogress.moc"
