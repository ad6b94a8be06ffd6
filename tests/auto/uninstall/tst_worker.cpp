#include "fakeplatform.h"
#include "uninstaller.h"

#include <QTest>

using namespace uninstall;

namespace {

const std::wstring kTarget = L"C:\\Program Files\\Taviro";
const QString kTargetText = QString::fromStdWString(kTarget);
const std::wstring kCode = L"{6A3C1E2B-4D5F-4A7B-9C8D-0E1F2A3B4C5D}";
const QString kCodeText = QString::fromStdWString(kCode);

std::wstring code(int n)
{
    wchar_t text[40];
    swprintf(text, 40, L"{00000000-0000-0000-0000-%012d}", n);
    return text;
}

// A typical installation: the program, the uninstaller and an empty folder.
void install(FakePlatform &platform)
{
    platform.addFile(kTarget + L"\\Taviro Start.exe");
    platform.addFile(kTarget + L"\\uninstall.exe");
    platform.addFolder(kTarget + L"\\Languages\\01_Russian");
    platform.m_products.push_back({kCode, kTarget + L"\\"});
    platform.m_onMsiexec = [&platform](const std::wstring &) {
        platform.deleteFile(kTarget + L"\\Taviro Start.exe");
        platform.deleteFile(kTarget + L"\\uninstall.exe");
    };
}

void worker(FakePlatform &platform, const QString &extra)
{
    platform.m_commandLine =
        (R"("C:\Temp\TavUninstall_worker.exe" --target=")" + kTargetText + "\" " + extra)
            .toStdWString();
}

} // namespace

class TestWorker : public QObject
{
    Q_OBJECT

private slots:
    void completeRun();
    void explicitProductCode_data();
    void explicitProductCode();
    void registryFallback();
    void notFound_data();
    void notFound();
    void selfClean();
    void selfCleanRefusesOtherPrograms();
    void endsOnlyProcessesInsideTarget();
    void msiexecFailureDoesNotStopTheRest();
    void twentyProductsSixteenRemoved();
    void leftoverFilesAfterFiveAttempts();
    void rootTargetIsLeftAlone();
};

void TestWorker::completeRun()
{
    FakePlatform platform;
    install(platform);
    worker(platform, "/S");
    QCOMPARE(Uninstaller(platform).run(), 0);

    QVERIFY(!platform.exists(kTarget));
    QCOMPARE(QString::fromStdWString(platform.m_currentDirectory),
             QString::fromStdWString(platform.m_temp));
    QCOMPARE(platform.m_ran.size(), std::size_t(1));
    QCOMPARE(QString::fromStdWString(platform.m_ran[0].program), QString("msiexec.exe"));
    QCOMPARE(QString::fromStdWString(platform.m_ran[0].parameters), "/x" + kCodeText + " /qn");
    QVERIFY(platform.m_ran[0].show == ShowMode::Hidden);
    QCOMPARE(platform.m_ran[0].timeoutMs, 600000u);
    QCOMPARE(platform.m_sleeps, std::vector<std::uint32_t>{1000});
    QVERIFY(platform.m_boxes.empty());

    const QString expected = "=================================================="
                             "Запуск uninstall.exe v6 (Аргументы: " +
                             QString::fromStdWString(platform.m_commandLine) +
                             ")"
                             "Рабочая копия из %TEMP%. Целевая папка: " +
                             kTargetText + "[msi-api] Ищем продукты с папкой: " + kTargetText +
                             "[msi-api]   " + kCodeText + "  InstallLocation=\"" + kTargetText +
                             "\\\""
                             "[msi-api]   СОВПАДЕНИЕ: " +
                             kCodeText +
                             "[msi-api] Всего продуктов: 1, совпадений: 1"
                             "Найдено продуктов для удаления: 1"
                             "[msiexec] Запускаю: msiexec.exe /x" +
                             kCodeText +
                             " /qn"
                             "[msiexec] " +
                             kCodeText +
                             " завершился с кодом 0"
                             "[cleanup] Удалена пустая папка: " +
                             kTargetText +
                             "\\Languages\\01_Russian"
                             "[cleanup] Удалена пустая папка: " +
                             kTargetText +
                             "\\Languages"
                             "[cleanup] Удалена пустая папка: " +
                             kTargetText + "ИТОГ: обработка завершена.";
    QCOMPARE(platform.log(), expected);
}

void TestWorker::explicitProductCode_data()
{
    QTest::addColumn<QString>("argument");
    QTest::addColumn<bool>("explicitCode");

    QTest::newRow("braced code") << "--product={EXPLICIT}" << true;
    QTest::newRow("upper-case prefix") << "--PRODUCT={EXPLICIT}" << true;
    QTest::newRow("no brace: search instead") << "--product=EXPLICIT" << false;
}

void TestWorker::explicitProductCode()
{
    QFETCH(QString, argument);
    QFETCH(bool, explicitCode);

    FakePlatform platform;
    install(platform);
    worker(platform, argument);
    QCOMPARE(Uninstaller(platform).run(), 0);

    QCOMPARE(platform.m_ran.size(), std::size_t(1));
    const QString parameters = QString::fromStdWString(platform.m_ran[0].parameters);
    QVERIFY(platform.m_ran[0].show == ShowMode::Normal);
    if (explicitCode) {
        QCOMPARE(parameters, QString("/x{EXPLICIT}"));
        QVERIFY(platform.log().contains("ProductCode задан явно: {EXPLICIT}"));
        QVERIFY(!platform.log().contains("[msi-api]"));
    } else {
        QCOMPARE(parameters, "/x" + kCodeText);
        QVERIFY(!platform.log().contains("ProductCode"));
    }
}

void TestWorker::registryFallback()
{
    FakePlatform platform;
    install(platform);
    platform.m_products = {{code(1), L"C:\\Elsewhere"}};
    platform.m_registry[{RegistryRoot::LocalMachine, RegistryView::View32}] = {
        {kCode, L"c:/program files/taviro/"}};
    platform.m_registry[{RegistryRoot::CurrentUser, RegistryView::View64}] = {
        {kCode, L"c:/program files/taviro/"}};
    worker(platform, "/S");
    QCOMPARE(Uninstaller(platform).run(), 0);
    QCOMPARE(platform.m_ran.size(), std::size_t(1));
    QVERIFY(platform.log().contains("[msi-api] Всего продуктов: 1, совпадений: 0"
                                    "[reg] Запасной поиск в реестре для: " +
                                    kTargetText));
    QVERIFY(platform.log().contains("[reg HKLM/32]  СОВПАДЕНИЕ: " + kCodeText));
    QVERIFY(
        platform.log().contains("[reg] Совпадений в реестре: 1Найдено продуктов для удаления: 1"));
}

void TestWorker::notFound_data()
{
    QTest::addColumn<QString>("switches");
    QTest::addColumn<bool>("silent");

    QTest::newRow("interactive") << "" << false;
    QTest::newRow("silent") << "/S" << true;
}

void TestWorker::notFound()
{
    QFETCH(QString, switches);
    QFETCH(bool, silent);

    FakePlatform platform;
    platform.addFile(kTarget + L"\\uninstall.exe");
    platform.addFile(kTarget + L"\\robot.json");
    worker(platform, switches);
    QCOMPARE(Uninstaller(platform).run(), 2);

    QVERIFY(platform.exists(kTarget + L"\\robot.json"));
    QVERIFY(platform.exists(kTarget + L"\\uninstall.exe"));
    QVERIFY(platform.m_ran.empty());
    QVERIFY(!platform.log().contains("[selfclean]"));
    QVERIFY(platform.log().endsWith(
        QString("[reg] Совпадений в реестре: 0ИТОГ: продукт не найден. Тихий режим: %1")
            .arg(silent ? 1 : 0)));
    QCOMPARE(platform.m_boxes.size(), std::size_t(silent ? 0 : 1));
    if (!silent) {
        const FakePlatform::Box &box = platform.m_boxes.front();
        QVERIFY(box.icon == MessageIcon::Information);
        QCOMPARE(QString::fromStdWString(box.title), QString("Удаление программы"));
        const QStringList lines = QString::fromStdWString(box.text).split("\r\n");
        QCOMPARE(lines.size(), 13);
        QCOMPARE(lines[0], QString("Установленная программа в этой папке не найдена."));
        QCOMPARE(lines[1], QString());
        QCOMPARE(lines[3], QString("  1. В MSI не добавлено SetProperty ARPINSTALLLOCATION"));
        QCOMPARE(lines[4], QString("     (MSI не сохраняет папку установки по умолчанию);"));
        QCOMPARE(lines[6], QString());
        QCOMPARE(lines[7],
                 "Диагностика: " + QString::fromStdWString(platform.m_temp) + "TavUninstall.log");
        QCOMPARE(lines[8], QString());
        QCOMPARE(lines[10], QString("  uninstall.exe --product={GUID}"));
        QCOMPARE(lines[12], QString("или через «Установку и удаление программ»."));
    }
    // A very long temporary folder is cut at the message limit rather than overflowing.
    QCOMPARE(Uninstaller::notFoundMessage(std::wstring(2000, L'x')).size(), std::size_t(1023));
}

void TestWorker::selfClean()
{
    FakePlatform platform;
    platform.addFile(kTarget + L"\\UNINSTALL.EXE");
    platform.addFile(kTarget + L"\\desktop.ini", true);
    worker(platform, "");
    QCOMPARE(Uninstaller(platform).run(), 0);
    QVERIFY(!platform.exists(kTarget));
    QVERIFY(platform.m_boxes.empty());
    QVERIFY(platform.log().endsWith("[selfclean] Папка удалена: " + kTargetText +
                                    "ИТОГ: продукт не найден, оставшаяся папка зачищена."));
}

void TestWorker::selfCleanRefusesOtherPrograms()
{
    FakePlatform platform;
    platform.addFile(kTarget + L"\\uninstall.exe");
    platform.addFile(kTarget + L"\\setup.exe");
    worker(platform, "/S");
    QCOMPARE(Uninstaller(platform).run(), 2);
    QVERIFY(platform.exists(kTarget + L"\\setup.exe"));
    QVERIFY(platform.m_deleted.empty());
}

void TestWorker::endsOnlyProcessesInsideTarget()
{
    FakePlatform platform;
    install(platform);
    platform.m_processes = {
        {0, L"[System Process]", L"C:\\Program Files\\Taviro\\x.exe"},
        {10, L"Taviro Start.exe", L"C:/PROGRAM FILES/taviro/Taviro Start.exe"},
        {11, L"flash.exe", L"C:\\Program Files\\Taviro\\firmware\\flash.exe"},
        {12, L"app.exe", L"C:\\Program Files\\Taviro2\\app.exe"},
        {13, L"old.exe", L"C:\\Program Files\\Taviro Old\\old.exe"},
        {14, L"hidden.exe", std::nullopt},
        {15, L"guarded.exe", L"C:\\Program Files\\Taviro\\guarded.exe", false},
        {platform.m_ownPid, L"TavUninstall_worker.exe", L"C:\\Program Files\\Taviro\\self.exe"},
    };
    worker(platform, "/S");
    QCOMPARE(Uninstaller(platform).run(), 0);

    std::vector<std::uint32_t> ended;
    for (const auto &process : platform.m_processes) {
        if (process.terminated)
            ended.push_back(process.pid);
    }
    QCOMPARE(ended, (std::vector<std::uint32_t>{10, 11}));
    QVERIFY(platform.log().contains(
        "[kill] Завершаю процесс Taviro Start.exe (pid 10): C:/PROGRAM FILES/taviro/Taviro "
        "Start.exe"
        "[kill] Завершаю процесс flash.exe (pid 11): C:\\Program Files\\Taviro\\firmware\\flash.exe"
        "[msiexec]"));
}

void TestWorker::msiexecFailureDoesNotStopTheRest()
{
    FakePlatform platform;
    install(platform);
    platform.m_products = {{code(1), kTarget}, {code(2), kTarget}, {code(3), kTarget}};
    platform.m_msiexecStartErrors[code(1)] = 2;
    platform.m_msiexecExitCodes[code(2)] = 1603;
    platform.m_msiexecNoExitCode.insert(code(3));
    worker(platform, "");
    QCOMPARE(Uninstaller(platform).run(), 0);

    QCOMPARE(platform.m_ran.size(), std::size_t(2));
    const QString log = platform.log();
    QVERIFY(log.contains("[msiexec] Запускаю: msiexec.exe /x" + QString::fromStdWString(code(1)) +
                         "[msiexec] Не удалось запустить, ошибка 2"));
    QVERIFY(log.contains(QString::fromStdWString(code(2)) + " завершился с кодом 1603"));
    QVERIFY(log.contains(QString::fromStdWString(code(3)) + " завершился с кодом 4294967295"));
    QVERIFY(log.endsWith("ИТОГ: обработка завершена."));
}

void TestWorker::twentyProductsSixteenRemoved()
{
    FakePlatform platform;
    install(platform);
    platform.m_products.clear();
    for (int i = 1; i <= 20; ++i)
        platform.m_products.push_back({code(i), kTarget});
    worker(platform, "/S");
    QCOMPARE(Uninstaller(platform).run(), 0);
    QCOMPARE(platform.m_ran.size(), std::size_t(16));
    QCOMPARE(platform.m_ran.back().parameters, L"/x" + code(16) + L" /qn");
    QVERIFY(platform.log().contains("Найдено продуктов для удаления: 16"));
}

void TestWorker::leftoverFilesAfterFiveAttempts()
{
    FakePlatform platform;
    install(platform);
    platform.addFile(kTarget + L"\\Programs\\robot.json");
    worker(platform, "/S");
    QCOMPARE(Uninstaller(platform).run(), 0);

    QVERIFY(platform.exists(kTarget + L"\\Programs\\robot.json"));
    QCOMPARE(platform.m_sleeps, (std::vector<std::uint32_t>{1000, 2000, 2000, 2000, 2000, 2000}));
    const QString log = platform.log();
    for (int attempt = 1; attempt <= 5; ++attempt)
        QVERIFY(log.contains(
            QString("[cleanup] Попытка %1 не удалась, повтор через 2 с…").arg(attempt)));
    QCOMPARE(log.count("Оставшееся содержимое"), 1);
    QVERIFY(log.contains("[cleanup] Папка НЕ удалена: " + kTargetText +
                         " (ошибка 145)"
                         "[cleanup] Оставшееся содержимое " +
                         kTargetText +
                         ":"
                         "[cleanup]   <DIR>  Programs"
                         "[cleanup] Попытка 5"));
    QVERIFY(log.endsWith("ИТОГ: обработка завершена."));
}

void TestWorker::rootTargetIsLeftAlone()
{
    FakePlatform platform;
    platform.addFolder(L"C:\\Empty");
    platform.m_products = {{kCode, L"C:\\"}};
    platform.m_processes = {{10, L"explorer.exe", L"C:\\Windows\\explorer.exe"}};
    platform.m_commandLine = L"worker.exe --target=C:\\ /S";
    QCOMPARE(Uninstaller(platform).run(), 0);
    QCOMPARE(platform.m_ran.size(), std::size_t(1));
    QVERIFY(!platform.m_processes[0].terminated);
    QVERIFY(platform.exists(L"C:\\Empty"));
    QVERIFY(!platform.log().contains("[cleanup]"));
}

QTEST_GUILESS_MAIN(TestWorker)
#include "tst_worker.moc"
