#include "runparameters.h"

#include <QStringList>
#include <QTest>

using namespace uninstall;

class TestRunParameters : public QObject
{
    Q_OBJECT

private slots:
    void parse_data();
    void parse();
    void limits();
};

void TestRunParameters::parse_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<bool>("silent");
    QTest::addColumn<QString>("product");
    QTest::addColumn<bool>("hasTarget");
    QTest::addColumn<QString>("target");

    const QString exe = "C:\\Taviro\\uninstall.exe";
    QTest::newRow("none") << QStringList{exe} << false << "" << false << "";
    QTest::newRow("/S") << QStringList{exe, "/S"} << true << "" << false << "";
    QTest::newRow("/s") << QStringList{exe, "/s"} << true << "" << false << "";
    QTest::newRow("/SILENT") << QStringList{exe, "/SILENT"} << true << "" << false << "";
    QTest::newRow("/silentx is not silent")
        << QStringList{exe, "/silentx"} << false << "" << false << "";
    QTest::newRow("program path is skipped") << QStringList{"/S"} << false << "" << false << "";
    QTest::newRow("upper-case product prefix")
        << QStringList{exe, "--PRODUCT={ABC}"} << false << "{ABC}" << false << "";
    QTest::newRow("target makes a worker")
        << QStringList{exe, "--Target=C:\\Program Files\\Taviro", "/S"} << true << "" << true
        << "C:\\Program Files\\Taviro";
    QTest::newRow("empty target still a worker")
        << QStringList{exe, "--target="} << false << "" << true << "";
    QTest::newRow("other arguments ignored")
        << QStringList{exe, "-x", "--productx", "S", "--product={P}"} << false << "{P}" << false
        << "";
    QTest::newRow("last one wins")
        << QStringList{exe, "--product={A}", "--product={B}"} << false << "{B}" << false << "";
}

void TestRunParameters::parse()
{
    QFETCH(QStringList, arguments);
    std::vector<std::wstring> argv;
    for (const QString &argument : arguments)
        argv.push_back(argument.toStdWString());

    const RunParameters params = RunParameters::parse(argv);
    QTEST(params.silent, "silent");
    QTEST(QString::fromStdWString(params.product), "product");
    QTEST(params.hasTarget, "hasTarget");
    QTEST(QString::fromStdWString(params.target), "target");
}

void TestRunParameters::limits()
{
    const std::wstring longCode = L"{12345678-1234-1234-1234-123456789012}EXTRA";
    const std::wstring longTarget(300, L'x');
    const RunParameters params =
        RunParameters::parse({L"u.exe", L"--product=" + longCode, L"--target=" + longTarget});
    QCOMPARE(params.product, longCode.substr(0, 38));
    QCOMPARE(params.target.size(), std::size_t(259));
}

QTEST_GUILESS_MAIN(TestRunParameters)
#include "tst_runparameters.moc"
