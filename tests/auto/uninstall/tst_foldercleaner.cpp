#include "fakeplatform.h"
#include "foldercleaner.h"
#include "logger.h"

#include <QTest>

using namespace uninstall;

namespace {

const std::wstring kRoot = L"C:\\Program Files\\Taviro";

std::vector<DirEntry> entries(const QStringList &names)
{
    std::vector<DirEntry> list;
    for (const QString &name : names) {
        const bool dir = name.endsWith('/');
        list.push_back({(dir ? name.chopped(1) : name).toStdWString(), dir});
    }
    return list;
}

} // namespace

class TestFolderCleaner : public QObject
{
    Q_OBJECT

private slots:
    void selfCleanRule_data();
    void selfCleanRule();
    void selfCleanDeletesOnlyUninstallerFiles();
    void selfCleanReportsFailures();
    void removesNestedEmptyFolders();
    void removesDesktopIniOnly();
    void keepsOtherFilesAndListsThem();
    void keepsReadOnlyFileButClearsFolderAttributes();
    void doesNotWalkIntoLinks();
    void missingFolderCountsAsRemoved();
};

void TestFolderCleaner::selfCleanRule_data()
{
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<bool>("qualifies");

    QTest::newRow("only the uninstaller") << QStringList{"uninstall.exe"} << true;
    QTest::newRow("upper case and desktop.ini")
        << QStringList{"UNINSTALL.EXE", "Desktop.INI"} << true;
    QTest::newRow("worker-style name") << QStringList{"uninstall_old.exe"} << true;
    QTest::newRow("empty folder") << QStringList{} << false;
    QTest::newRow("only desktop.ini") << QStringList{"desktop.ini"} << true;
    QTest::newRow("another program") << QStringList{"uninstall.exe", "Taviro Start.exe"} << false;
    QTest::newRow("uninstaller without .exe") << QStringList{"uninstall.dat"} << false;
    QTest::newRow("name not starting with uninstall") << QStringList{"myuninstall.exe"} << false;
    QTest::newRow("a subfolder") << QStringList{"uninstall.exe", "Languages/"} << false;
    QTest::newRow("folder named like the uninstaller") << QStringList{"uninstall.exe/"} << false;
    QTest::newRow("user document") << QStringList{"uninstall.exe", "program.json"} << false;
}

void TestFolderCleaner::selfCleanRule()
{
    QFETCH(QStringList, names);
    QTEST(FolderCleaner::holdsOnlyUninstaller(entries(names)), "qualifies");
}

void TestFolderCleaner::selfCleanDeletesOnlyUninstallerFiles()
{
    FakePlatform platform;
    platform.addFile(kRoot + L"\\UNINSTALL.EXE", true);
    platform.addFile(kRoot + L"\\desktop.ini", true);
    Logger log(platform, platform.logPath());
    QVERIFY(FolderCleaner(platform, log).selfClean(kRoot));
    QVERIFY(!platform.exists(kRoot));
    const QString root = QString::fromStdWString(kRoot);
    QVERIFY(platform.log().startsWith(
        "[selfclean] Продукт уже удалён, в папке только деинсталлятор — стираю: " + root));
    QVERIFY(platform.log().contains("[selfclean] Удалён файл: " + root + "\\UNINSTALL.EXE"));
    QVERIFY(platform.log().endsWith("[selfclean] Папка удалена: " + root));
}

void TestFolderCleaner::selfCleanReportsFailures()
{
    FakePlatform platform;
    platform.addFile(kRoot + L"\\uninstall.exe");
    platform.lock(kRoot + L"\\uninstall.exe", 32);
    Logger log(platform, platform.logPath());
    QVERIFY(!FolderCleaner(platform, log).selfClean(kRoot));
    QVERIFY(platform.exists(kRoot + L"\\uninstall.exe"));
    const QString root = QString::fromStdWString(kRoot);
    QVERIFY(platform.log().contains("[selfclean] Не удалось удалить файл " + root +
                                    "\\uninstall.exe (ошибка 32)"));
    QVERIFY(platform.log().endsWith("[selfclean] Папка НЕ удалена: " + root + " (ошибка 145)"));
}

void TestFolderCleaner::removesNestedEmptyFolders()
{
    FakePlatform platform;
    platform.addFolder(kRoot + L"\\Languages\\01_Russian\\images");
    platform.addFolder(kRoot + L"\\firmware");
    Logger log(platform, platform.logPath());
    QVERIFY(FolderCleaner(platform, log).RemoveEmptyDirsRec(kRoot, false));
    QVERIFY(!platform.exists(kRoot));
    QVERIFY(platform.exists(L"C:\\Program Files"));
    const QString root = QString::fromStdWString(kRoot);
    QCOMPARE(platform.log(), "[cleanup] Удалена пустая папка: " + root +
                                 "\\firmware"
                                 "[cleanup] Удалена пустая папка: " +
                                 root +
                                 "\\Languages\\01_Russian\\images"
                                 "[cleanup] Удалена пустая папка: " +
                                 root +
                                 "\\Languages\\01_Russian"
                                 "[cleanup] Удалена пустая папка: " +
                                 root +
                                 "\\Languages"
                                 "[cleanup] Удалена пустая папка: " +
                                 root);
}

void TestFolderCleaner::removesDesktopIniOnly()
{
    FakePlatform platform;
    platform.addFile(kRoot + L"\\icons\\DESKTOP.INI", true);
    Logger log(platform, platform.logPath());
    QVERIFY(FolderCleaner(platform, log).RemoveEmptyDirsRec(kRoot, false));
    const QString icons = QString::fromStdWString(kRoot) + "\\icons";
    QVERIFY(platform.log().startsWith("[cleanup] Удалён служебный desktop.ini из " + icons +
                                      "[cleanup] Удалена пустая папка: " + icons));
}

void TestFolderCleaner::keepsOtherFilesAndListsThem()
{
    FakePlatform platform;
    platform.addFile(kRoot + L"\\Programs\\robot.json");
    platform.addFile(kRoot + L"\\desktop.ini");
    platform.addFolder(kRoot + L"\\empty");
    Logger log(platform, platform.logPath());
    FolderCleaner cleaner(platform, log);

    QVERIFY(!cleaner.RemoveEmptyDirsRec(kRoot, false));
    QVERIFY(platform.exists(kRoot + L"\\Programs\\robot.json"));
    // desktop.ini goes only from a folder that holds nothing else.
    QVERIFY(platform.exists(kRoot + L"\\desktop.ini"));
    QVERIFY(!platform.exists(kRoot + L"\\empty"));
    QVERIFY(!platform.log().contains("Оставшееся"));

    platform.m_files.clear();
    QVERIFY(!cleaner.RemoveEmptyDirsRec(kRoot, true));
    const QString root = QString::fromStdWString(kRoot);
    QCOMPARE(platform.log(), "[cleanup] Папка НЕ удалена: " + root +
                                 "\\Programs (ошибка 145)"
                                 "[cleanup] Папка НЕ удалена: " +
                                 root +
                                 " (ошибка 145)"
                                 "[cleanup] Оставшееся содержимое " +
                                 root +
                                 ":"
                                 "[cleanup]   " +
                                 QString(6, ' ') +
                                 " desktop.ini"
                                 "[cleanup]   <DIR>  Programs");
}

void TestFolderCleaner::keepsReadOnlyFileButClearsFolderAttributes()
{
    FakePlatform platform;
    platform.addFolder(kRoot);
    platform.node(kRoot)->readOnly = true;
    platform.addFile(kRoot + L"\\readme.txt", true);
    Logger log(platform, platform.logPath());
    QVERIFY(!FolderCleaner(platform, log).RemoveEmptyDirsRec(kRoot, false));
    QVERIFY(platform.exists(kRoot + L"\\readme.txt"));
    QVERIFY(platform.node(kRoot + L"\\readme.txt")->readOnly);
    QVERIFY(!platform.node(kRoot)->readOnly);
    QVERIFY(platform.m_deleted.empty());
}

void TestFolderCleaner::doesNotWalkIntoLinks()
{
    FakePlatform platform;
    platform.addFolder(kRoot + L"\\data");
    platform.node(kRoot + L"\\data")->isLink = true;
    Logger log(platform, platform.logPath());
    QVERIFY(!FolderCleaner(platform, log).RemoveEmptyDirsRec(kRoot, false));
    QVERIFY(platform.exists(kRoot + L"\\data"));
}

void TestFolderCleaner::missingFolderCountsAsRemoved()
{
    FakePlatform platform;
    Logger log(platform, platform.logPath());
    QVERIFY(FolderCleaner(platform, log).RemoveEmptyDirsRec(kRoot, true));
    QCOMPARE(platform.log(), "[cleanup] Папка уже удалена: " + QString::fromStdWString(kRoot));
}

QTEST_GUILESS_MAIN(TestFolderCleaner)
#include "tst_foldercleaner.moc"
