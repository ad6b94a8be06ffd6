#include "command.h"
#include "commandcompiler.h"
#include "commandkinds.h"
#include "decompiler.h"
#include "packetframe.h"
#include "virtualcontroller.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QTest>

using namespace LinkProtocol;
using CommandKinds::Encoding;

// Every tile of every shipped language, as a new row holds it, goes the way a program goes: it
// compiles, reads back as the same kind, compiles again to the same bytes, and runs on the
// virtual controller without an instruction it does not know. A tile whose command has no entry
// in the table of command kinds fails here, not silently as a no-operation on the robot.
class tst_ShippedTiles : public QObject
{
    Q_OBJECT
private slots:
    void tileGoesTheWholeWay_data();
    void tileGoesTheWholeWay();
};

void tst_ShippedTiles::tileGoesTheWholeWay_data()
{
    QTest::addColumn<QJsonObject>("entry");
    const QDir languages(QStringLiteral(TAVIRO_SOURCE_DIR "/Languages"));
    int tiles = 0;
    for (const QString &folder : languages.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile file(languages.filePath(folder + QStringLiteral("/base.json")));
        if (!file.open(QIODevice::ReadOnly))
            continue;
        const QJsonArray buttons = QJsonDocument::fromJson(file.readAll())
                                       .object()
                                       .value(QLatin1String("CommandMenu"))
                                       .toObject()
                                       .value(QLatin1String("Buttons"))
                                       .toArray();
        for (const QJsonValue &button : buttons) {
            const QString name = button.toObject().value(QLatin1String("Command")).toString();
            // The placeholder only keeps a place free in the menu's grid.
            if (name == QLatin1String("empty"))
                continue;
            QTest::addRow("%s %s", qPrintable(folder), qPrintable(name)) << button.toObject();
            ++tiles;
        }
    }
    QVERIFY2(tiles > 0, "no shipped tiles found");
}

void tst_ShippedTiles::tileGoesTheWholeWay()
{
    QFETCH(QJsonObject, entry);
    const Command tile = Command::fromMenuEntry(entry);
    const CommandKinds::Kind *kind = CommandKinds::byName(tile.name());
    QVERIFY2(kind, "the command has no entry in the table of command kinds");

    QJsonObject command = tile.initialJson();
    QJsonObject action = command.value(QLatin1String("action")).toObject();
    // The subprogram editor writes the number first.
    if (kind->encoding == Encoding::Call && !action.contains(QLatin1String("proc")))
        action.insert(QStringLiteral("proc"), 1);
    command.insert(QStringLiteral("action"), action);
    for (auto it = action.constBegin(); it != action.constEnd(); ++it) {
        QVERIFY2(it.key() == QLatin1String("command") || kind->fields.contains(it.key()),
                 qPrintable(it.key() + QStringLiteral(" is no field of its kind")));
    }

    CommandCompiler compiler;
    compiler.setPrograms(QJsonArray{QJsonArray{}, QJsonArray{}});
    QVERIFY(compiler.compileCommand(command));
    const QByteArray record = compiler.lastRecord();

    const QJsonObject decoded = Decompiler::decompileCommand(record);
    QVERIFY2(!decoded.contains(QLatin1String("message")) &&
                 !decoded.contains(QLatin1String("Error")),
             QJsonDocument(decoded).toJson(QJsonDocument::Compact).constData());
    const QString decodedName = decoded.value(QLatin1String("action"))
                                    .toObject()
                                    .value(QLatin1String("command"))
                                    .toString();
    const CommandKinds::Kind *decodedKind = CommandKinds::byName(decodedName);
    QVERIFY2(decodedKind, qPrintable(decodedName));
    QCOMPARE(decodedKind->encoding, kind->encoding);
    QVERIFY(compiler.compileCommand(decoded));
    QCOMPARE(compiler.lastRecord().toHex(' '), record.toHex(' '));

    VirtualController controller;
    controller.setStateInterval(60000);
    controller.attach();
    const quint8 sequence = 1;
    controller.receiveBytes(PacketFrame::build(wireType(PacketType::StepCommand),
                                               QByteArray(1, char(sequence)) + record));
    // A pause waits its time before the command is done.
    QTRY_VERIFY_WITH_TIMEOUT(controller.statusFlags().testFlag(StatusBit::Done), 5000);
    QCOMPARE(controller.lastSequence(), sequence);
    QCOMPARE(controller.unknownInstructions(), 0);
}

QTEST_GUILESS_MAIN(tst_ShippedTiles)
#include "tst_shippedtiles.moc"
