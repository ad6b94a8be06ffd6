#include "fakeplatform.h"
#include "uninstaller.h"

#include <QTest>

using namespace uninstall;

namespace {

const QString kHeader = "==================================================";
const QString kWorker = "C:\\Users\\pupil\\AppData\\Local\\Temp\\TavUninstall_worker.exe";

} // namespace

class TestLauncher : public QObject
{
    Q_OBJECT

private slots:
    void handsOverToElevatedCopy_data();
    void handsOverToElevatedCopy();
    void retriesCopyOnce();
    void copyFailingTwiceExits2();
    void refusedElevation_data();
    void refusedElevation();
};

void TestLauncher::handsOverToElevatedCopy_data()
{
    QTest::addColumn<QString>("commandLine");
    QTest::addColumn<QString>("parameters");

    QTest::newRow("plain") << "\"C:\\Program Files\\Taviro\\uninstall.exe\""
                           << "--target=\"C:\\Program Files\\Taviro\"";
    QTest::newRow("silent") << "uninstall.exe /SILENT"
                            << "--target=\"C:\\Program Files\\Taviro\" /S";
    QTest::newRow("product passed on even without brace")
        << "uninstall.exe /s --PRODUCT=Taviro"
        << "--target=\"C:\\Program Files\\Taviro\" /S --product=Taviro";
    QTest::newRow("product code") << "uninstall.exe --product={0A1B}"
                                  << "--target=\"C:\\Program Files\\Taviro\" --product={0A1B}";
    QTest::newRow("product cannot smuggle a target")
        << "uninstall.exe \"--product={0A1B} --target=C:\\Windows\""
        << "--target=\"C:\\Program Files\\Taviro\" --product={0A1B}";
    QTest::newRow("product starting with a blank is dropped")
        << "uninstall.exe \"--product= /S\""
        << "--target=\"C:\\Program Files\\Taviro\"";
}

void TestLauncher::handsOverToElevatedCopy()
{
    QFETCH(QString, commandLine);
    QFETCH(QString, parameters);

    FakePlatform platform;
    platform.m_commandLine = commandLine.toStdWString();
    QCOMPARE(Uninstaller(platform).run(), 0);

    QVERIFY(platform.exists(kWorker.toStdWString()));
    QCOMPARE(platform.m_elevated.size(), std::size_t(1));
    QCOMPARE(QString::fromStdWString(platform.m_elevated[0].program), kWorker);
    QCOMPARE(QString::fromStdWString(platform.m_elevated[0].parameters), parameters);
    QCOMPARE(platform.log(), kHeader + "Запуск uninstall.exe v6 (Аргументы: " + commandLine + ")" +
                                 "Передаю работу копии: " + kWorker + " " + parameters);
    QVERIFY(platform.m_boxes.empty());
}

void TestLauncher::retriesCopyOnce()
{
    FakePlatform platform;
    platform.m_commandLine = L"uninstall.exe /S";
    platform.addFile(kWorker.toStdWString());
    platform.m_copyFailures = 1;
    QCOMPARE(Uninstaller(platform).run(), 0);
    // The stale copy was deleted before the second attempt.
    QCOMPARE(platform.m_deleted, std::vector<std::wstring>{kWorker.toStdWString()});
    QCOMPARE(platform.m_elevated.size(), std::size_t(1));
    QVERIFY(!platform.log().contains("Не удалось создать копию"));
}

void TestLauncher::copyFailingTwiceExits2()
{
    FakePlatform platform;
    platform.m_commandLine = L"uninstall.exe";
    platform.m_copyFailures = 2;
    platform.m_copyError = 5;
    QCOMPARE(Uninstaller(platform).run(), 2);
    QVERIFY(platform.m_elevated.empty());
    QVERIFY(platform.m_boxes.empty());
    QVERIFY(platform.log().endsWith("Не удалось создать копию в " + kWorker + ", ошибка 5"));
}

void TestLauncher::refusedElevation_data()
{
    QTest::addColumn<QString>("commandLine");
    QTest::addColumn<uint>("error");
    QTest::addColumn<bool>("box");

    QTest::newRow("cancelled by the user") << "uninstall.exe" << 1223u << false;
    QTest::newRow("other error") << "uninstall.exe" << 5u << true;
    QTest::newRow("other error, silent") << "uninstall.exe /S" << 5u << false;
    QTest::newRow("cancelled, silent") << "uninstall.exe /S" << 1223u << false;
}

void TestLauncher::refusedElevation()
{
    QFETCH(QString, commandLine);
    QFETCH(uint, error);
    QFETCH(bool, box);

    FakePlatform platform;
    platform.m_commandLine = commandLine.toStdWString();
    platform.m_elevationError = error;
    QCOMPARE(Uninstaller(platform).run(), 0);
    QVERIFY(platform.log().endsWith(
        QString("Не удалось запустить копию, ошибка %1 (UAC отклонён?)").arg(error)));
    QCOMPARE(platform.m_boxes.size(), std::size_t(box ? 1 : 0));
    if (box) {
        const FakePlatform::Box &shown = platform.m_boxes.front();
        QCOMPARE(QString::fromStdWString(shown.text),
                 QString("Не удалось запустить удаление (нет прав администратора).\r\n"
                         "Подробности: %TEMP%\\TavUninstall.log"));
        QCOMPARE(QString::fromStdWString(shown.title), QString("Удаление программы"));
        QVERIFY(shown.icon == MessageIcon::Error);
    }
}

QTEST_GUILESS_MAIN(TestLauncher)
#include "tst_launcher.moc"
