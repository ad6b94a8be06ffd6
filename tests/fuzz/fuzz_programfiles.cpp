// ~/Lumakit/states.json and program files -> program store, configuration, saved again.
#include "appcontext.h"
#include "fuzzsupport.h"
#include "hardwaredescription.h"
#include "memoryimage.h"
#include "programstore.h"

#include <QFile>
#include <QJsonArray>

#include <memory>

namespace {

QList<QList<Command *>> programLists(const ProgramStore &store)
{
    QList<QList<Command *>> lists;
    for (int k = 0; k < store.programCount(); ++k)
        lists.append(store.program(k));
    return lists;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    FuzzSupport::initialise(argc, argv);
    // The pins and gadgets of a shipped kit, so that configurations are matched against a real
    // hardware model.
    static const auto description = std::make_unique<HardwareDescription>(
        QStringLiteral(TAVIRO_SOURCE_DIR "/Languages/01_English/base.json"));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString home = FuzzSupport::scratchFolder();
    const QByteArray input = FuzzSupport::bytes(data, size);
    FuzzSupport::writeFile(home + QStringLiteral("/Lumakit/states.json"), input);

    // Start-up: the saved state. A state that cannot be read is kept aside byte for byte.
    ProgramStore store(home);
    const QString brokenCopy = store.takeBrokenStateCopy();
    if (!brokenCopy.isEmpty()) {
        QFile copy(brokenCopy);
        FUZZ_CHECK(copy.open(QIODevice::ReadOnly) && copy.readAll() == input);
        // Copies of earlier inputs would pile up and slow the search for a free name.
        copy.remove();
    }
    AppContext &context = AppContext::instance();
    context.readConfiguration(store.configuration());
    const QJsonObject document = store.buildDocument(programLists(store));
    ImageBuilder builder;
    FUZZ_CHECK(decodeImage(builder.buildImage(document).image).has_value());

    // Opening the same bytes as a program file keeps the language and device.
    const QString language = store.language();
    const QString device = store.deviceText();
    store.loadFile(store.stateFilePath(), ProgramStore::ProgramsOnly);
    FUZZ_CHECK(store.language() == language && store.deviceText() == device);

    // What is saved loads back as the same document.
    const QString saved = home + QStringLiteral("/Lumakit/Programs/saved.json");
    FuzzSupport::writeFile(saved, QByteArray());
    FUZZ_CHECK(ProgramStore::saveFile(saved, document));
    store.loadFile(saved, ProgramStore::Full);
    context.readConfiguration(store.configuration());
    FUZZ_CHECK(store.buildDocument(programLists(store)) == document);
    return 0;
}
