// Writes the seed corpora of the fuzz harnesses into tests/fuzz/corpus/<harness>/ from the
// shipped data (Languages/*/base.json, default.json) and from programs built here, compiled into
// memory images and framed as the controller sends them. Run it from the fuzz build folder:
//   bin/fuzz_makeseeds [source folder]
#include "controllerstate.h"
#include "memoryimage.h"
#include "packetframe.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cstdio>

using namespace LinkProtocol;

namespace {

QString corpusRoot;

void writeSeed(const QString &harness, const QByteArray &bytes)
{
    const QString folder = corpusRoot + QLatin1Char('/') + harness;
    QDir().mkpath(folder);
    // Named by content like libFuzzer's own files, so that running this again adds nothing new.
    const QString name =
        QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha1).toHex());
    QFile file(folder + QLatin1Char('/') + name);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        std::fprintf(stderr, "cannot write %s\n", qPrintable(file.fileName()));
}

QByteArray compact(const QJsonObject &object)
{
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

QJsonObject readJson(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        std::fprintf(stderr, "cannot read %s\n", qPrintable(path));
    return QJsonDocument::fromJson(file.readAll()).object();
}

QJsonObject command(const QString &name, QJsonObject action = {},
                    const QJsonObject &conditions = {{"type", "always"}})
{
    action.insert("command", name);
    return {{"conditions", conditions}, {"action", action}};
}

QJsonObject condition(const char *pin, const char *equation, const QJsonValue &level,
                      const QJsonValue &level2 = QJsonValue())
{
    QJsonObject object{{"equation", equation}, {"level", level}, {"level2", level2}};
    if (pin)
        object.insert("pin", pin);
    return object;
}

// Programs that together reach every command kind, condition kind and value form.
QList<QJsonObject> samplePrograms(const QJsonObject &defaultProgram)
{
    const QJsonObject configuration{
        {"Motor1", 1},
        {"Motor2", "2"},
        {"pins", QJsonArray{QJsonObject{{"pinLbl", "D5"}, {"gadgetId", 20}, {"zero", 90}},
                            QJsonObject{{"pinLbl", "D6"}, {"gadgetId", 30}},
                            QJsonObject{{"pinLbl", "A1"}, {"gadgetId", 1}}}},
        {"servocalibr", QJsonArray{QJsonObject{{"pin", "D5"}, {"zero", 95}}}}};
    QJsonArray picture;
    for (int i = 0; i < 64; ++i)
        picture.append(i % 3 == 0 ? "1" : "0");

    const QJsonArray motions{
        command("m_fwd", {{"speed", 60}, {"timer", 1}, {"time", 2}, {"brake", 1}}),
        command("m_backward", {{"speed", "40"}, {"timer", 0}}),
        command("m_left", {{"speed", 10}, {"timer", "1"}, {"time", "0.5"}, {"brake", 0}}),
        command("m_right", {{"speed", 255}}),
        command("m_turnleft", {{"speed", 1}}),
        command("m_turnright", {{"speed", 2}, {"timer", 1}, {"time", 12.3}}),
        command("m_bckleft", {{"speed", 3}}),
        command("m_bckright", {{"speed", 4}}),
        command("m_stop", {{"brake", 1}}),
        command("mrall", {{"motor", "D7"},
                          {"side", 1},
                          {"speed", 50},
                          {"timer", 1},
                          {"time", 1.25},
                          {"brake", 1}}),
        command("mr1stop", {{"motor", "A2"}, {"brake", 0}}),
        command("mrstop", {{"motor", "D3"}, {"brake", 1}})};
    const QJsonArray outputs{
        command("mServowork", {{"servos", QJsonArray{QJsonObject{{"pin", "D5"}, {"angle", 45}},
                                                     QJsonObject{{"pin", "D6"}, {"angle", "120"}}}},
                               {"timer", 1},
                               {"time", 3}}),
        command("mSetleds", {{"pin", "D2"}, {"state", 1}},
                {{"type", "single"}, {"data", QJsonArray{condition("D3", "equals", "1")}}}),
        command("mSetleds", {{"pin", "A4"}, {"state", 0}}),
        command("mMatrix", {{"pict", picture}}),
        command("mSound", {{"note", "C#"}, {"octave", 4}, {"time", 0.5}}),
        command(
            "mMusic",
            {{"tempo", 90},
             {"sounds", QJsonArray{QJsonObject{{"note", "C"}, {"octave", 4}, {"length", 2}},
                                   QJsonObject{{"note", "0"}, {"octave", "5"}, {"length", 4}}}}}),
        command("mPause", {{"hour", 1}, {"minute", "2"}, {"second", 0.25}})};
    const QJsonArray flow{
        command("mStartCycle"),
        command("call", {{"proc", 1}},
                {{"type", "and"},
                 {"data", QJsonArray{condition("A1", "inside", "10", "200"),
                                     condition(nullptr, "counter", "3")}}}),
        command("mEndCycle"),
        command(
            "mvirtualstartcycle", {{"counter", 5}},
            {{"type", "or"},
             {"data", QJsonArray{condition("A0", "greater", 100), condition("D1", "equals", 0)}}}),
        command("mnop", {},
                {{"type", "single"}, {"data", QJsonArray{condition("A3", "outside", 5, 9)}}}),
        command("mvirtualendcycle", {{"counter", 5}}),
        command("return"),
        command("mSound", {{"note", "B"}, {"octave", 2}, {"time", 30}},
                {{"type", "single"}, {"data", QJsonArray{condition("A2", "smaller", "7")}}})};

    QList<QJsonObject> programs{defaultProgram};
    for (const QJsonArray &main : {motions, outputs, flow}) {
        programs.append(
            QJsonObject{{"ProgData", QJsonArray{main, outputs}}, {"configuration", configuration}});
    }
    programs.append(QJsonObject{
        {"ProgData", QJsonArray{flow, motions, QJsonArray{}, outputs}},
        {"configuration", defaultProgram.value("configuration")},
        {"BluetoothDeviceName", R"({"Name": "Taviro-7", "Address": "00:11:22:33:44:55"})"}});
    return programs;
}

// base.json cut down to a few entries of every list, so that the fuzzer mutates structure
// instead of wading through the whole dictionary.
QJsonObject trimmedDescription(const QJsonObject &description, int keep)
{
    QJsonObject trimmed;
    for (auto it = description.begin(); it != description.end(); ++it) {
        QJsonValue value = it.value();
        if (value.isArray()) {
            QJsonArray array = value.toArray();
            while (array.size() > keep)
                array.removeLast();
            value = array;
        } else if (value.isObject()) {
            QJsonObject object = value.toObject();
            if (object.contains("Buttons")) {
                QJsonArray buttons = object.value("Buttons").toArray();
                while (buttons.size() > keep)
                    buttons.removeLast();
                object.insert("Buttons", buttons);
            } else {
                while (object.size() > keep)
                    object.erase(object.begin() + keep);
            }
            value = object;
        }
        trimmed.insert(it.key(), value);
    }
    return trimmed;
}

// One arrival of the deframer script: control byte (mode, length - 1) and the bytes.
QByteArray arrival(int mode, const QByteArray &bytes)
{
    QByteArray script;
    for (qsizetype at = 0; at < bytes.size(); at += 64) {
        const QByteArray part = bytes.mid(at, 64);
        script.append(char((mode << 6) | (part.size() - 1)));
        script.append(part);
    }
    return script;
}

QByteArray statePayload(LinkProtocol::StatusFlags flags, quint8 sequence, int pattern)
{
    std::array<int, ControllerState::kDigitalInputs> digital{};
    std::array<quint8, ControllerState::kAnalogInputs> analog{};
    for (int i = 0; i < ControllerState::kDigitalInputs; ++i)
        digital[i] = (i * pattern) % 3 == 0;
    for (int j = 0; j < ControllerState::kAnalogInputs; ++j)
        analog[j] = quint8(j * 17 + pattern);
    return ControllerState::encode(flags, sequence, digital, analog);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication application(argc, argv);
    const QString source =
        argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(TAVIRO_SOURCE_DIR);
    corpusRoot = source + QStringLiteral("/tests/fuzz/corpus");

    const QJsonObject defaultProgram = readJson(source + QStringLiteral("/default.json"));
    const QList<QJsonObject> programs = samplePrograms(defaultProgram);
    for (const QJsonObject &program : programs) {
        writeSeed("compiler", compact(program));
        QJsonObject state = program;
        state.insert("Language", "English");
        writeSeed("programfiles", compact(state));

        ImageBuilder builder;
        const QByteArray image = builder.buildImage(program).image;
        writeSeed("image", image);
    }
    // What a read of the whole memory returns: the image, then erased memory.
    {
        ImageBuilder builder;
        QByteArray memory = builder.buildImage(programs.at(3)).image;
        memory.append(QByteArray(kMemorySize - memory.size(), '\xff'));
        writeSeed("image", memory);
    }
    writeSeed("programfiles", QByteArray());
    writeSeed("programfiles", "{\"Language\": \"Русский\", \"ProgData\": 5}");

    for (const char *folder : {"01_English", "02_Russian"}) {
        const QJsonObject description =
            readJson(source + QStringLiteral("/Languages/%1/base.json").arg(folder));
        for (int keep : {1, 3})
            writeSeed("basejson", compact(trimmedDescription(description, keep)));
    }
    writeSeed("basejson", "{\"Language\": \"x\", \"CommandMenu\": {\"Buttons\": []}}");

    // Replies and state packets as the controller sends them, with noise and stalls between.
    const QByteArray state =
        PacketFrame::build(replyType(PacketType::Configuration),
                           statePayload(StatusBit::Returned | StatusBit::Done, 7, 1));
    const QByteArray writeReply =
        PacketFrame::build(replyType(PacketType::MemoryWrite), QByteArray("\x40\x00", 2));
    const QByteArray readReply = PacketFrame::build(
        replyType(PacketType::MemoryRead),
        QByteArray("\x00\x00", 2) + QByteArray(1, '\x01') + QByteArray(64, '\x03'));
    writeSeed("deframer", arrival(0, state + writeReply));
    writeSeed("deframer", arrival(0, QByteArray("\x00\xb5\x07", 3)) + arrival(1, state));
    writeSeed("deframer", arrival(2, readReply + state.left(10)) + arrival(1, writeReply));
    writeSeed("deframer", arrival(0, PacketFrame::build(replyType(PacketType::Rename),
                                                        QByteArray(255, '\xb5'))));
    writeSeed("deframer", arrival(3, QByteArray(2100, '\xb5')));

    for (int pattern = 1; pattern < 4; ++pattern) {
        QByteArray seed;
        seed.append(char(pattern));         // worker state
        seed.append(char(pattern * 5 + 3)); // run position, read/write allowed
        seed.append(char(pattern - 1));     // subprogram
        seed.append(char(pattern * 2));     // position in it
        seed.append(statePayload(StatusBit::Done | StatusFlags::fromInt(pattern << 4),
                                 quint8(pattern), pattern));
        writeSeed("statereport", seed);
    }
    writeSeed("statereport", QByteArray("\x04\x00\x00\x00\x01\x02", 6));
    return 0;
}
