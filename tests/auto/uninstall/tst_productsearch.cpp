#include "fakeplatform.h"
#include "logger.h"
#include "productsearch.h"

#include <QTest>

using namespace uninstall;

namespace {

const std::wstring kTarget = L"C:/Program Files/Taviro ";

std::wstring code(int n)
{
    wchar_t text[40];
    swprintf(text, 40, L"{00000000-0000-0000-0000-%012d}", n);
    return text;
}

QStringList toList(const std::vector<std::wstring> &codes)
{
    QStringList list;
    for (const std::wstring &c : codes)
        list << QString::fromStdWString(c);
    return list;
}

} // namespace

class TestProductSearch : public QObject
{
    Q_OBJECT

private slots:
    void installerMatchesAndLogs();
    void installerKeepsSixteen();
    void registryViewsInOrder();
    void registrySkipsDuplicatesAndNonStrings();
    void registryStopsAtSixteen();
};

void TestProductSearch::installerMatchesAndLogs()
{
    FakePlatform platform;
    platform.m_products = {
        {code(1), L"C:\\Other\\"},
        {code(2), L"c:\\program files\\TAVIRO\\"},
        {code(3), std::nullopt},
        {code(4), L"C:\\Program Files\\Taviro2"},
    };
    Logger log(platform, platform.logPath());
    const auto found = ProductSearch(platform, log).findByInstaller(kTarget);
    QCOMPARE(toList(found), QStringList{QString::fromStdWString(code(2))});

    const QString c1 = QString::fromStdWString(code(1));
    const QString c2 = QString::fromStdWString(code(2));
    const QString c4 = QString::fromStdWString(code(4));
    QCOMPARE(platform.log(), "[msi-api] Ищем продукты с папкой: C:/Program Files/Taviro "
                             "[msi-api]   " +
                                 c1 +
                                 "  InstallLocation=\"C:\\Other\\\""
                                 "[msi-api]   " +
                                 c2 +
                                 "  InstallLocation=\"c:\\program files\\TAVIRO\\\""
                                 "[msi-api]   СОВПАДЕНИЕ: " +
                                 c2 + "[msi-api]   " + c4 +
                                 "  InstallLocation=\"C:\\Program Files\\Taviro2\""
                                 "[msi-api] Всего продуктов: 4, совпадений: 1");
}

void TestProductSearch::installerKeepsSixteen()
{
    FakePlatform platform;
    for (int i = 1; i <= 20; ++i)
        platform.m_products.push_back({code(i), L"C:\\Program Files\\Taviro"});
    Logger log(platform, platform.logPath());
    const auto found = ProductSearch(platform, log).findByInstaller(kTarget);
    QCOMPARE(found.size(), std::size_t(16));
    QCOMPARE(found.front(), code(1));
    QCOMPARE(found.back(), code(16));
    QCOMPARE(platform.log().count("СОВПАДЕНИЕ"), 16);
    QVERIFY(platform.log().endsWith("[msi-api] Всего продуктов: 20, совпадений: 16"));
}

void TestProductSearch::registryViewsInOrder()
{
    FakePlatform platform;
    using R = RegistryRoot;
    using V = RegistryView;
    platform.m_registry[{R::CurrentUser, V::View32}] = {
        {L"UserApp32", L"C:\\Program Files\\Taviro"}};
    platform.m_registry[{R::LocalMachine, V::View64}] = {
        {L"Other", L"D:\\Games"}, {L"{MACHINE64}", L"C:\\PROGRAM FILES\\TAVIRO\\"}};
    // HKLM/32 and HKCU/64 do not open.
    Logger log(platform, platform.logPath());
    const auto found = ProductSearch(platform, log).findInRegistry(kTarget);
    QCOMPARE(toList(found), (QStringList{"{MACHINE64}", "UserApp32"}));
    QCOMPARE(platform.log(),
             QString("[reg] Запасной поиск в реестре для: C:/Program Files/Taviro "
                     "[reg HKLM/64]  Other  InstallLocation=\"D:\\Games\""
                     "[reg HKLM/64]  {MACHINE64}  InstallLocation=\"C:\\PROGRAM FILES\\TAVIRO\\\""
                     "[reg HKLM/64]  СОВПАДЕНИЕ: {MACHINE64}"
                     "[reg HKCU/32]  UserApp32  InstallLocation=\"C:\\Program Files\\Taviro\""
                     "[reg HKCU/32]  СОВПАДЕНИЕ: UserApp32"
                     "[reg] Совпадений в реестре: 2"));
}

void TestProductSearch::registrySkipsDuplicatesAndNonStrings()
{
    FakePlatform platform;
    using R = RegistryRoot;
    using V = RegistryView;
    platform.m_registry[{R::LocalMachine, V::View64}] = {{L"{ABC}", L"C:\\Program Files\\Taviro"}};
    platform.m_registry[{R::LocalMachine, V::View32}] = {
        {L"{abc}", L"C:\\Program Files\\Taviro"},
        {L"Expandable", L"C:\\Program Files\\Taviro", false},
        {L"NoLocation", std::nullopt}};
    Logger log(platform, platform.logPath());
    const auto found = ProductSearch(platform, log).findInRegistry(kTarget);
    QCOMPARE(toList(found), QStringList{"{ABC}"});
    QVERIFY(!platform.log().contains("{abc}"));
    QVERIFY(!platform.log().contains("Expandable"));
    QVERIFY(!platform.log().contains("NoLocation"));
}

void TestProductSearch::registryStopsAtSixteen()
{
    FakePlatform platform;
    using R = RegistryRoot;
    using V = RegistryView;
    auto &machine = platform.m_registry[{R::LocalMachine, V::View64}];
    for (int i = 1; i <= 20; ++i)
        machine.push_back({code(i), L"C:\\Program Files\\Taviro"});
    platform.m_registry[{R::CurrentUser, V::View64}] = {{L"Late", L"C:\\Program Files\\Taviro"}};
    Logger log(platform, platform.logPath());
    const auto found = ProductSearch(platform, log).findInRegistry(kTarget);
    QCOMPARE(found.size(), std::size_t(16));
    QCOMPARE(found.back(), code(16));
    QVERIFY(!platform.log().contains(QString::fromStdWString(code(17))));
    QVERIFY(!platform.log().contains("Late"));
    QVERIFY(platform.log().endsWith("[reg] Совпадений в реестре: 16"));
}

QTEST_GUILESS_MAIN(TestProductSearch)
#include "tst_productsearch.moc"
