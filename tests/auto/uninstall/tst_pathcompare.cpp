#include "pathcompare.h"

#include <QTest>

using namespace uninstall;

class TestPathCompare : public QObject
{
    Q_OBJECT

private slots:
    void sameFolder_data();
    void sameFolder();
    void insideFolder_data();
    void insideFolder();
    void unsafeTarget_data();
    void unsafeTarget();
    void foldsCase_data();
    void foldsCase();
};

void TestPathCompare::sameFolder_data()
{
    QTest::addColumn<QString>("a");
    QTest::addColumn<QString>("b");
    QTest::addColumn<bool>("same");

    QTest::newRow("identical") << "C:\\Taviro"
                               << "C:\\Taviro" << true;
    QTest::newRow("slashes, blank, case, trailing backslash")
        << "c:/program files/taviro start/ "
        << "C:\\Program Files\\TAVIRO Start\\" << true;
    QTest::newRow("several trailing separators") << "C:\\Taviro\\\\/ "
                                                 << "C:\\Taviro" << true;
    QTest::newRow("cyrillic case") << "D:\\Программы\\Тавиро"
                                   << "d:\\ПРОГРАММЫ\\тавиро" << true;
    QTest::newRow("sibling prefix") << "C:\\Taviro"
                                    << "C:\\Taviro2" << false;
    QTest::newRow("subfolder") << "C:\\Taviro"
                               << "C:\\Taviro\\bin" << false;
    QTest::newRow("inner blank kept") << "C:\\Taviro Start"
                                      << "C:\\TaviroStart" << false;
    QTest::newRow("empty location") << ""
                                    << "C:\\Taviro" << false;
    QTest::newRow("long paths differing past 259 characters")
        << "C:\\" + QString(300, 'a') + "\\one"
        << "C:\\" + QString(300, 'a') + "\\two" << false;
    QTest::newRow("long paths equal") << "C:\\" + QString(300, 'a') + "\\"
                                      << "c:/" + QString(300, 'A') << true;
}

void TestPathCompare::sameFolder()
{
    QFETCH(QString, a);
    QFETCH(QString, b);
    QFETCH(bool, same);
    QCOMPARE(SameFolder(a.toStdWString(), b.toStdWString()), same);
    QCOMPARE(SameFolder(b.toStdWString(), a.toStdWString()), same);
}

void TestPathCompare::insideFolder_data()
{
    QTest::addColumn<QString>("image");
    QTest::addColumn<QString>("folder");
    QTest::addColumn<bool>("inside");

    QTest::newRow("direct child") << "C:\\Taviro\\Taviro Start.exe"
                                  << "C:\\Taviro" << true;
    QTest::newRow("subfolder") << "C:\\Taviro\\firmware\\flash.exe"
                               << "C:\\Taviro" << true;
    QTest::newRow("sibling with same prefix") << "C:\\Taviro2\\app.exe"
                                              << "C:\\Taviro" << false;
    QTest::newRow("sibling with blank") << "C:\\Taviro Old\\app.exe"
                                        << "C:\\Taviro" << false;
    QTest::newRow("forward slashes and case") << "c:/taviro/APP.exe"
                                              << "C:\\Taviro/ " << true;
    QTest::newRow("the folder itself") << "C:\\Taviro"
                                       << "C:\\Taviro\\" << true;
    QTest::newRow("elsewhere") << "C:\\Windows\\explorer.exe"
                               << "C:\\Taviro" << false;
}

void TestPathCompare::insideFolder()
{
    QFETCH(QString, image);
    QFETCH(QString, folder);
    QFETCH(bool, inside);
    QCOMPARE(isInsideFolder(image.toStdWString(), folder.toStdWString()), inside);
}

void TestPathCompare::unsafeTarget_data()
{
    QTest::addColumn<QString>("folder");
    QTest::addColumn<bool>("unsafe");

    QTest::newRow("empty") << "" << true;
    QTest::newRow("blanks") << "  " << true;
    QTest::newRow("drive") << "C:" << true;
    QTest::newRow("drive root") << "C:\\" << true;
    QTest::newRow("drive root slash") << "d:/ " << true;
    QTest::newRow("share") << "\\\\server\\share\\" << true;
    QTest::newRow("long drive root") << "\\\\?\\C:\\" << true;
    QTest::newRow("program folder") << "C:\\Program Files\\Taviro" << false;
    QTest::newRow("folder on share") << "\\\\server\\share\\Taviro" << false;
    QTest::newRow("long program folder") << "\\\\?\\C:\\Taviro" << false;
}

void TestPathCompare::unsafeTarget()
{
    QFETCH(QString, folder);
    QFETCH(bool, unsafe);
    QCOMPARE(isUnsafeTarget(folder.toStdWString()), unsafe);
}

void TestPathCompare::foldsCase_data()
{
    QTest::addColumn<QString>("lower");
    QTest::addColumn<QString>("upper");

    QTest::newRow("latin") << "uninstall.exe"
                           << "UNINSTALL.EXE";
    QTest::newRow("latin-1") << "àéöþ"
                             << "ÀÉÖÞ";
    QTest::newRow("latin extended") << "łńšž"
                                    << "ŁŃŠŽ";
    QTest::newRow("cyrillic") << "абвгдеёжзийклмнопрстуфхцчшщъыьэюя"
                              << "АБВГДЕЁЖЗИЙКЛМНОПРСТУФХЦЧШЩЪЫЬЭЮЯ";
    QTest::newRow("ukrainian") << "їєіґ"
                               << "ЇЄІҐ";
    QTest::newRow("greek") << "αβγσς"
                           << "ΑΒΓΣΣ";
    QTest::newRow("digits and signs unchanged") << "0-9_÷"
                                                << "0-9_÷";
}

void TestPathCompare::foldsCase()
{
    QFETCH(QString, lower);
    QFETCH(QString, upper);
    QVERIFY(equalsIgnoreCase(lower.toStdWString(), upper.toStdWString()));
    std::wstring folded = lower.toStdWString();
    for (wchar_t &c : folded)
        c = foldCase(c);
    QCOMPARE(QString::fromStdWString(folded), upper);
}

QTEST_GUILESS_MAIN(TestPathCompare)
#include "tst_pathcompare.moc"
