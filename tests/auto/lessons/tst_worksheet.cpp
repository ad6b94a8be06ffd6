#include "appcontext.h"
#include "commandsummary.h"
#include "examplecatalog.h"
#include "languagecatalog.h"
#include "worksheet.h"

#include <QFile>
#include <QHash>
#include <QImage>
#include <QJsonArray>
#include <QProcess>
#include <QRegularExpression>
#include <QSvgRenderer>
#include <QTemporaryDir>
#include <QTest>

namespace {

// The text lines of each page of a PDF as Qt writes it: every drawn text is one BT…ET block of
// glyph numbers, which the font's ToUnicode map turns back into characters.
QList<QStringList> pdfPages(const QByteArray &pdf)
{
    QHash<int, QByteArray> objects;
    static const QRegularExpression object(QStringLiteral("(\\d+) 0 obj(.*?)endobj"),
                                           QRegularExpression::DotMatchesEverythingOption);
    const QString text = QString::fromLatin1(pdf);
    for (auto it = object.globalMatch(text); it.hasNext();) {
        const auto match = it.next();
        objects.insert(match.captured(1).toInt(), match.captured(2).toLatin1());
    }
    const auto streamOf = [&objects](int id) {
        QByteArray body = objects.value(id);
        body = body.mid(body.indexOf("stream") + 7);
        body.chop(body.size() - body.lastIndexOf("endstream"));
        if (objects.value(id).contains("/FlateDecode")) {
            // qUncompress wants the size in front; it grows its buffer when the guess is short.
            const quint32 guess = quint32(body.size()) * 16;
            body = qUncompress(QByteArray(1, char(guess >> 24)) + char(guess >> 16) +
                               char(guess >> 8) + char(guess) + body);
        }
        return body;
    };
    // Font name (F7) -> glyph -> character.
    QHash<QString, QHash<uint, QChar>> fonts;
    static const QRegularExpression fontRef(QStringLiteral("/(F\\d+) (\\d+) 0 R"));
    static const QRegularExpression hex(QStringLiteral("<([0-9A-Fa-f]+)>"));
    for (auto it = fontRef.globalMatch(text); it.hasNext();) {
        const auto match = it.next();
        const QByteArray font = objects.value(match.captured(2).toInt());
        const int unicode = font.mid(font.indexOf("/ToUnicode") + 11).split(' ').value(0).toInt();
        const QString map = QString::fromLatin1(streamOf(unicode));
        for (const QString &range : map.split(QLatin1Char('\n'))) {
            QList<uint> numbers;
            for (auto h = hex.globalMatch(range); h.hasNext();)
                numbers.append(h.next().captured(1).toUInt(nullptr, 16));
            for (int i = 2; numbers.size() >= 3 && i < numbers.size(); ++i)
                fonts[match.captured(1)].insert(numbers[0] + i - 2, QChar(numbers[i]));
        }
    }
    QList<QStringList> pages;
    static const QRegularExpression page(QStringLiteral("/Type /Page\\b[^s].*?/Contents (\\d+)"),
                                         QRegularExpression::DotMatchesEverythingOption);
    static const QRegularExpression block(QStringLiteral("BT\\n/(F\\d+)(.*?)ET"),
                                          QRegularExpression::DotMatchesEverythingOption);
    for (auto it = page.globalMatch(text); it.hasNext();) {
        QStringList lines;
        const QString content = QString::fromLatin1(streamOf(it.next().captured(1).toInt()));
        for (auto b = block.globalMatch(content); b.hasNext();) {
            const auto run = b.next();
            QString line;
            for (auto h = hex.globalMatch(run.captured(2)); h.hasNext();) {
                const QString glyphs = h.next().captured(1);
                for (int i = 0; i + 4 <= glyphs.size(); i += 4) {
                    // Qt maps the space glyph to a tab.
                    const QChar c =
                        fonts.value(run.captured(1)).value(glyphs.mid(i, 4).toUInt(nullptr, 16));
                    line += c.isSpace() ? QLatin1Char(' ') : c;
                }
            }
            lines.append(line);
        }
        pages.append(lines);
    }
    return pages;
}

QJsonObject example(const QString &file)
{
    for (const ExampleProgram &e : ExampleCatalog::list())
        if (e.path.endsWith(file))
            return ExampleCatalog::program(e).value_or(QJsonObject{});
    return {};
}

// A long program: every example's main program one after the other, and a subprogram.
QJsonObject longProgram()
{
    QJsonArray main;
    for (const ExampleProgram &e : ExampleCatalog::list())
        for (const QJsonValue &command : ExampleCatalog::program(e)->value("ProgData")[0].toArray())
            main.append(command);
    const QJsonObject triangle = example("08_triangle.json");
    return {{"ProgData", QJsonArray{main, triangle["ProgData"][1]}},
            {"configuration", example("12_line-follower.json")["configuration"]}};
}

} // namespace

// Worksheets: the PDF's pages hold every row's texts, a row on one page; the pictures have the
// sheet's size; the command line writes them without a window and refuses what it cannot do.
class tst_Worksheet : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void pdfHoldsEveryRow_data();
    void pdfHoldsEveryRow();
    void pictures();
    void commandLine_data();
    void commandLine();

private:
    QTemporaryDir m_dir;
};

void tst_Worksheet::initTestCase()
{
    QVERIFY(m_dir.isValid());
    QVERIFY(LanguageCatalog::instance().select(QStringLiteral("English")));
}

void tst_Worksheet::pdfHoldsEveryRow_data()
{
    QTest::addColumn<QJsonObject>("document");
    QTest::addColumn<int>("pages");
    QTest::newRow("counted square") << example("09_counted-square.json") << 1;
    QTest::newRow("90 rows and a subprogram") << longProgram() << 5;
}

void tst_Worksheet::pdfHoldsEveryRow()
{
    QFETCH(QJsonObject, document);
    QFETCH(int, pages);
    const QString path = m_dir.filePath("sheet.pdf");
    const Worksheet sheet(document, QStringLiteral("Lesson 3"));
    QVERIFY(sheet.write(path));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QList<QStringList> text = pdfPages(file.readAll());
    QVERIFY2(text.size() >= pages, qPrintable(QString::number(text.size())));
    QCOMPARE(text.size(), sheet.pageCount());
    QCOMPARE(text.first().first(), QStringLiteral("Lesson 3"));
    QVERIFY(text.first().contains(AppContext::instance().text("WorksheetConfiguration")));
    QVERIFY(text.last().contains(QStringLiteral("Page %1 of %1").arg(text.size())));

    // Every row whole on one page: its number, then its summary and condition; pages in order.
    int lastPage = 0;
    for (const QJsonValue &program : document.value("ProgData").toArray()) {
        const QJsonArray rows = program.toArray();
        for (int row = 0; row < rows.size(); ++row) {
            const QJsonObject command = rows.at(row).toObject();
            const QString summary = actionSummary(command);
            const auto onPage = [&](const QStringList &lines) {
                for (qsizetype i = 0; i < lines.size(); ++i) {
                    const QStringList after = lines.mid(i + 1, 5);
                    if (lines.at(i) == QString::number(row + 1) &&
                        (summary.isEmpty() || after.contains(summary)) &&
                        after.contains(conditionsSummary(command)))
                        return true;
                }
                return false;
            };
            int page = lastPage;
            while (page < text.size() && !onPage(text.at(page)))
                ++page;
            QVERIFY2(page < text.size(),
                     qPrintable(QString("row %1: %2").arg(row + 1).arg(summary)));
            lastPage = page;
        }
    }
}

void tst_Worksheet::pictures()
{
    const Worksheet sheet(longProgram(), QStringLiteral("Lesson 3"));
    const QString png = m_dir.filePath("sheet.png");
    QVERIFY(sheet.write(png));
    const QImage image(png);
    QCOMPARE(image.width(), qRound(Worksheet::kPageWidth * Worksheet::kPngScale));
    QCOMPARE(image.height(), qRound(sheet.sheetHeight() * Worksheet::kPngScale));
    QVERIFY(sheet.sheetHeight() > 3 * Worksheet::kPageHeight);
    QVERIFY(image.pixelColor(image.width() / 2, image.height() / 2) != QColor(Qt::black));

    const QString svg = m_dir.filePath("sheet.svg");
    QVERIFY(sheet.write(svg));
    QSvgRenderer renderer(svg);
    QVERIFY(renderer.isValid());
    QCOMPARE(renderer.viewBoxF().height(), sheet.sheetHeight());
}

void tst_Worksheet::commandLine_data()
{
    QTest::addColumn<QString>("program");
    QTest::addColumn<QString>("output");
    QTest::addColumn<QString>("language");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("expected");
    const QString square = ExampleCatalog::defaultFolder() + "/09_counted-square.json";
    QTest::newRow("Russian PDF") << square << "out.pdf"
                                 << "ru" << 0 << "Главная программа";
    QTest::newRow("English by name") << square << "out.pdf"
                                     << "English" << 0 << "Main program";
    QTest::newRow("PNG") << square << "out.png"
                         << "" << 0 << "";
    QTest::newRow("not a worksheet file") << square << "out.txt"
                                          << "" << 2 << "";
    QTest::newRow("unknown language") << square << "out.pdf"
                                      << "Klingon" << 2 << "";
    QTest::newRow("not a program") << QString(QCoreApplication::applicationDirPath() +
                                              "/Languages/01_English/images/boardpic.svg")
                                   << "out.pdf"
                                   << "" << 1 << "";
}

void tst_Worksheet::commandLine()
{
    QFETCH(QString, program);
    QFETCH(QString, output);
    QFETCH(QString, language);
    QFETCH(int, status);
    QFETCH(QString, expected);
    const QString path = m_dir.filePath(output);
    QFile::remove(path);
    QStringList arguments{"--export", program, path};
    if (!language.isEmpty())
        arguments << "--language" << language;
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("HOME", m_dir.path()); // no saved language: the first one
    environment.remove("QT_QPA_PLATFORM");    // it goes offscreen by itself
    process.setProcessEnvironment(environment);
    process.start(QCoreApplication::applicationDirPath() + "/taviro-start", arguments);
    QVERIFY(process.waitForFinished(60000));
    QCOMPARE(process.exitCode(), status);
    QCOMPARE(QFile::exists(path), status == 0);
    if (!expected.isEmpty()) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QVERIFY(pdfPages(file.readAll()).first().contains(expected));
    }
}

QTEST_MAIN(tst_Worksheet)
#include "tst_worksheet.moc"
