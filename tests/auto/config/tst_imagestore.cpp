#include "imagestore.h"
#include "svgicon.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QLoggingCategory>
#include <QPixmap>
#include <QTemporaryDir>
#include <QTest>

// Pictures are read once per store and drawn once per size, mode and state; their shape comes
// from the SVG itself.
class tst_ImageStore : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void readOncePerStore();
    void anotherFolderStartsFresh();
    void pixmapsKeepTheShape_data();
    void pixmapsKeepTheShape();
    void drawnOncePerSizeAndMode();
    void unusableFiles_data();
    void unusableFiles();

private:
    QString writeImage(const QString &folder, const QString &name, const QByteArray &content);
    static QByteArray rectangle(int width, int height, const char *colour = "black");

    QTemporaryDir m_dir;
};

void tst_ImageStore::initTestCase()
{
    QVERIFY(m_dir.isValid());
    QLoggingCategory::setFilterRules(QStringLiteral("taviro.*.debug=true"));
}

QByteArray tst_ImageStore::rectangle(int width, int height, const char *colour)
{
    return QStringLiteral(R"(<svg xmlns="http://www.w3.org/2000/svg" width="%1" height="%2">)"
                          R"(<rect width="%1" height="%2" fill="%3"/></svg>)")
        .arg(width)
        .arg(height)
        .arg(QLatin1String(colour))
        .toUtf8();
}

QString tst_ImageStore::writeImage(const QString &folder, const QString &name,
                                   const QByteArray &content)
{
    const QString images = m_dir.filePath(folder + QStringLiteral("/images"));
    QDir().mkpath(images);
    QFile file(images + QLatin1Char('/') + name);
    if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size())
        return QString();
    return file.fileName();
}

void tst_ImageStore::readOncePerStore()
{
    const QString path =
        writeImage(QStringLiteral("once"), QStringLiteral("dot.svg"), rectangle(20, 10));
    QVERIFY(!path.isEmpty());
    const ImageStore store(m_dir.filePath(QStringLiteral("once")));
    const ImageStore copy = store;
    const QIcon first = store.icon(QStringLiteral("dot.svg"));
    QVERIFY(!first.isNull());

    // Gone from the disk, the picture is still known to the store and to its copies.
    QVERIFY(QFile::remove(path));
    const QIcon again = store.icon(QStringLiteral("dot.svg"));
    const QIcon fromCopy = copy.icon(QStringLiteral("dot.svg"));
    QVERIFY(!again.isNull());
    QVERIFY(!fromCopy.isNull());
    // One icon, so one set of drawn pixmaps.
    QCOMPARE(again.cacheKey(), first.cacheKey());
    QCOMPARE(fromCopy.cacheKey(), first.cacheKey());
    QCOMPARE(again.pixmap(QSize(40, 40)).cacheKey(), first.pixmap(QSize(40, 40)).cacheKey());
}

void tst_ImageStore::anotherFolderStartsFresh()
{
    writeImage(QStringLiteral("red"), QStringLiteral("tile.svg"), rectangle(10, 10, "red"));
    writeImage(QStringLiteral("blue"), QStringLiteral("tile.svg"), rectangle(10, 10, "blue"));
    const ImageStore red(m_dir.filePath(QStringLiteral("red")));
    const ImageStore blue(m_dir.filePath(QStringLiteral("blue")));
    const QImage redPixels = red.icon(QStringLiteral("tile.svg")).pixmap(10, 10).toImage();
    const QImage bluePixels = blue.icon(QStringLiteral("tile.svg")).pixmap(10, 10).toImage();
    QCOMPARE(QColor(redPixels.pixel(5, 5)), QColor(Qt::red));
    QCOMPARE(QColor(bluePixels.pixel(5, 5)), QColor(Qt::blue));
}

void tst_ImageStore::pixmapsKeepTheShape_data()
{
    QTest::addColumn<QSize>("natural");
    QTest::addColumn<QSize>("asked");
    QTest::addColumn<QSize>("drawn");
    QTest::newRow("wide into a square") << QSize(20, 10) << QSize(40, 40) << QSize(40, 20);
    QTest::newRow("wide, smaller") << QSize(20, 10) << QSize(10, 10) << QSize(10, 5);
    QTest::newRow("tall into a wide box") << QSize(10, 30) << QSize(90, 60) << QSize(20, 60);
    QTest::newRow("board-like, window size")
        << QSize(1000, 700) << QSize(1366, 768) << QSize(1097, 768);
}

void tst_ImageStore::pixmapsKeepTheShape()
{
    QFETCH(QSize, natural);
    QFETCH(QSize, asked);
    QFETCH(QSize, drawn);
    const QIcon icon = SvgIconEngine::icon(rectangle(natural.width(), natural.height()));
    QVERIFY(!icon.isNull());
    // The natural size is known without drawing anything.
    QCOMPARE(icon.availableSizes(), QList<QSize>{natural});
    QCOMPARE(icon.actualSize(asked), drawn);
    const QPixmap pixmap = icon.pixmap(asked);
    QCOMPARE(pixmap.size(), drawn);
    QCOMPARE(qAlpha(pixmap.toImage().pixel(drawn.width() / 2, drawn.height() / 2)), 255);
}

void tst_ImageStore::drawnOncePerSizeAndMode()
{
    const QIcon icon = SvgIconEngine::icon(rectangle(10, 10, "red"));
    const QIcon copy = icon;
    const QPixmap normal = icon.pixmap(QSize(30, 30));
    QCOMPARE(copy.pixmap(QSize(30, 30)).cacheKey(), normal.cacheKey());
    QVERIFY(icon.pixmap(QSize(20, 20)).cacheKey() != normal.cacheKey());

    // Other modes are derived from the normal picture as for any icon of one picture (the
    // application's style greys it), once each.
    const QPixmap disabled = icon.pixmap(QSize(30, 30), QIcon::Disabled);
    QCOMPARE(disabled.size(), normal.size());
    QCOMPARE(disabled.toImage(), QIcon(normal).pixmap(QSize(30, 30), QIcon::Disabled).toImage());
    QCOMPARE(icon.pixmap(QSize(30, 30), QIcon::Disabled).cacheKey(), disabled.cacheKey());
}

void tst_ImageStore::unusableFiles_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("message");
    QTest::newRow("missing") << "none.svg" << QByteArray() << "Not found picture file: %1";
    QTest::newRow("not SVG") << "text.svg" << QByteArray("hello")
                             << "Picture file is not a drawable SVG picture: %1";
    QTest::newRow("no size") << "empty.svg"
                             << QByteArray(R"(<svg xmlns="http://www.w3.org/2000/svg"/>)")
                             << "Picture file is not a drawable SVG picture: %1";
}

void tst_ImageStore::unusableFiles()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, content);
    QFETCH(QString, message);
    const QString folder = QStringLiteral("bad_") + QTest::currentDataTag();
    QString path = m_dir.filePath(folder + QStringLiteral("/images/") + name);
    if (!content.isEmpty())
        QCOMPARE(writeImage(folder, name, content), path);
    const ImageStore store(m_dir.filePath(folder));
    QTest::ignoreMessage(content.isEmpty() ? QtDebugMsg : QtWarningMsg,
                         qPrintable(message.arg(path)));
    QVERIFY(store.icon(name).isNull());
}

QTEST_MAIN(tst_ImageStore)
#include "tst_imagestore.moc"
