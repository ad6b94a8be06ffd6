#include "examplecatalog.h"
#include "languagecatalog.h"
#include "worksheet.h"

#include <QJsonArray>
#include <QTemporaryDir>
#include <QTest>

// How long a worksheet takes: the 13 examples' main programs as one of 150 rows, as PDF (about
// six A4 pages), PNG and SVG.
class bench_Worksheet : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void write_data();
    void write();

private:
    QJsonObject m_program;
    QTemporaryDir m_dir;
};

void bench_Worksheet::initTestCase()
{
    QVERIFY(LanguageCatalog::instance().select(QStringLiteral("English")));
    QJsonArray rows;
    for (const ExampleProgram &example : ExampleCatalog::list()) {
        for (const QJsonValue &program :
             ExampleCatalog::program(example)->value("ProgData").toArray())
            for (const QJsonValue &row : program.toArray())
                rows.append(row);
    }
    m_program = {{"ProgData", QJsonArray{rows}}};
    qInfo("%lld rows, %d pages", qlonglong(rows.size()),
          Worksheet(m_program, QStringLiteral("bench")).pageCount());
}

void bench_Worksheet::write_data()
{
    QTest::addColumn<QString>("file");
    QTest::newRow("pdf") << QStringLiteral("sheet.pdf");
    QTest::newRow("png") << QStringLiteral("sheet.png");
    QTest::newRow("svg") << QStringLiteral("sheet.svg");
}

void bench_Worksheet::write()
{
    QFETCH(QString, file);
    const QString path = m_dir.filePath(file);
    QBENCHMARK
    {
        QVERIFY(Worksheet(m_program, QStringLiteral("bench")).write(path));
    }
    qInfo("%s: %lld KiB", qPrintable(file), QFileInfo(path).size() / 1024);
}

QTEST_MAIN(bench_Worksheet)
#include "bench_worksheet.moc"
