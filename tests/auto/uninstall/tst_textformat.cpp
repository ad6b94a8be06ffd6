#include "fakeplatform.h"
#include "logger.h"
#include "textformat.h"

#include <QTest>

using namespace uninstall;

class TestTextFormat : public QObject
{
    Q_OBJECT

private slots:
    void format_data();
    void format();
    void truncatesToLimit();
    void utf8_data();
    void utf8();
    void logEntriesFollowWithoutSeparators();
    void longEntryIsCut();
    void unwritableLogIsIgnored();
};

void TestTextFormat::format_data()
{
    QTest::addColumn<QString>("format");
    QTest::addColumn<QString>("expected");

    QTest::newRow("plain") << "ИТОГ: обработка завершена."
                           << "ИТОГ: обработка завершена.";
    QTest::newRow("percent") << "из %%TEMP%%."
                             << "из %TEMP%.";
    QTest::newRow("wide string") << "[%ls]"
                                 << "[C:\\Программы]";
    QTest::newRow("narrow spelling takes a wide string") << "<%s>"
                                                         << "<C:\\Программы>";
    QTest::newRow("missing arguments") << "%ls %ls %d"
                                       << "C:\\Программы  ";
    QTest::newRow("unknown conversion kept") << "100%x"
                                             << "100%x";
    QTest::newRow("trailing percent") << "50%"
                                      << "50%";
}

void TestTextFormat::format()
{
    QFETCH(QString, format);
    QFETCH(QString, expected);
    const std::wstring result =
        formatText(format.toStdWString(), {std::wstring(L"C:\\Программы")}, 2047);
    QCOMPARE(QString::fromStdWString(result), expected);
}

void TestTextFormat::truncatesToLimit()
{
    QCOMPARE(formatText(L"%d|%u|%lu|%d", {-7, 1223u, 0xFFFFFFFFu, 16}, 100),
             std::wstring(L"-7|1223|4294967295|16"));
    QCOMPARE(formatText(L"abc%ls", {L"defgh"}, 5), std::wstring(L"abcde"));
    QCOMPARE(formatText(L"abc", {}, 0), std::wstring());
}

void TestTextFormat::utf8_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("bytes");

    QTest::newRow("ascii") << "abc" << QByteArray("abc");
    QTest::newRow("cyrillic") << "Ё ж" << QByteArray("\xD0\x81 \xD0\xB6");
    QTest::newRow("dash and ellipsis") << "—…" << QByteArray("\xE2\x80\x94\xE2\x80\xA6");
    QTest::newRow("outside the basic plane")
        << QString::fromUcs4(U"\U0001F600") << QByteArray("\xF0\x9F\x98\x80");
}

void TestTextFormat::utf8()
{
    QFETCH(QString, text);
    QFETCH(QByteArray, bytes);
    QCOMPARE(QByteArray::fromStdString(toUtf8(text.toStdWString())), bytes);
}

void TestTextFormat::logEntriesFollowWithoutSeparators()
{
    FakePlatform platform;
    Logger log(platform, platform.logPath());
    log.LogLine(L"Найдено продуктов для удаления: %d", {2});
    log.LogLine(L"[msiexec] %ls завершился с кодом %lu", {L"{A}", 1603u});
    QCOMPARE(platform.log(), QString("Найдено продуктов для удаления: 2"
                                     "[msiexec] {A} завершился с кодом 1603"));

    // A lone surrogate must not corrupt the file.
    std::wstring broken = L"x";
    broken += static_cast<wchar_t>(0xD800);
    QCOMPARE(QByteArray::fromStdString(toUtf8(broken)), QByteArray("x\xEF\xBF\xBD"));
}

void TestTextFormat::longEntryIsCut()
{
    FakePlatform platform;
    Logger log(platform, platform.logPath());
    const std::wstring path(3000, L'ж');
    log.LogLine(L"[cleanup] Удалена пустая папка: %ls", {path});
    const QString written = platform.log();
    QCOMPARE(written.size(), qsizetype(Logger::kMaxEntryChars));
    QVERIFY(written.startsWith("[cleanup] Удалена пустая папка: жжж"));
}

void TestTextFormat::unwritableLogIsIgnored()
{
    FakePlatform platform;
    platform.m_logWritable = false;
    Logger log(platform, platform.logPath());
    log.LogLine(L"ИТОГ: обработка завершена.");
    QVERIFY(platform.log().isEmpty());
}

QTEST_GUILESS_MAIN(TestTextFormat)
#include "tst_textformat.moc"
