#include "shippeddata.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

// Where the programs look for the data they ship with: beside themselves in a build tree, in
// ../share/taviro-start when installed, wherever the tree was unpacked.
class TestShippedFolders : public QObject
{
    Q_OBJECT
private slots:
    void folderHolding_data();
    void folderHolding();
    void searchFoldersAreClean();
};

void TestShippedFolders::folderHolding_data()
{
    QTest::addColumn<QStringList>("present"); // paths below the tree root that exist
    QTest::addColumn<QString>("entry");
    QTest::addColumn<QString>("expected"); // below the tree root

    const QString beside = QStringLiteral("usr/bin");
    const QString shared = QDir::cleanPath(
        beside + QStringLiteral("/" TAVIRO_DATA_FROM_BIN)); // usr/share/taviro-start
    QTest::newRow("build tree: folder beside the program")
        << QStringList{beside + "/Languages/"} << "Languages" << beside;
    QTest::newRow("installed: folder in the data folder")
        << QStringList{shared + "/Languages/"} << "Languages" << shared;
    QTest::newRow("installed: file in the data folder")
        << QStringList{shared + "/default.json"} << "default.json" << shared;
    QTest::newRow("installed: nested folder")
        << QStringList{shared + "/firmware/linux/"} << "firmware" << shared;
    QTest::newRow("both: the copy beside the program wins")
        << QStringList{beside + "/Languages/", shared + "/Languages/"} << "Languages" << beside;
    QTest::newRow("each entry is looked up on its own")
        << QStringList{beside + "/Languages/", shared + "/default.json"} << "default.json"
        << shared;
    QTest::newRow("nowhere: the program's folder, for the message")
        << QStringList{shared + "/Languages/"} << "firmware" << beside;
    QTest::newRow("a similar name does not count")
        << QStringList{shared + "/Languages.old/"} << "Languages" << beside;
}

void TestShippedFolders::folderHolding()
{
    QFETCH(QStringList, present);
    QFETCH(QString, entry);
    QFETCH(QString, expected);

    QTemporaryDir root;
    QVERIFY(root.isValid());
    QDir tree(root.path());
    QVERIFY(tree.mkpath(QStringLiteral("usr/bin")));
    for (const QString &path : std::as_const(present)) {
        if (path.endsWith(QLatin1Char('/'))) {
            QVERIFY(tree.mkpath(path));
        } else {
            QVERIFY(tree.mkpath(QFileInfo(tree.filePath(path)).path()));
            QFile file(tree.filePath(path));
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
    }

    QCOMPARE(ShippedData::folderHolding(entry, tree.filePath(QStringLiteral("usr/bin"))),
             QDir::cleanPath(tree.filePath(expected)));
}

void TestShippedFolders::searchFoldersAreClean()
{
    // Messages and the firmware work directory name a plain path, without "bin/..".
    const QStringList folders = ShippedData::searchFolders(QStringLiteral("/opt/kit/bin/"));
#if defined(Q_OS_WIN)
    QCOMPARE(folders, QStringList{QStringLiteral("/opt/kit/bin")});
#else
    QCOMPARE(folders, (QStringList{QStringLiteral("/opt/kit/bin"),
                                   QStringLiteral("/opt/kit/share/taviro-start")}));
#endif
}

QTEST_GUILESS_MAIN(TestShippedFolders)
#include "tst_shippedfolders.moc"
