// A hand-edited Languages/<folder>/base.json -> language catalog, hardware description, the
// command menu's new commands and the pin model the settings dialog shows.
#include "appcontext.h"
#include "fuzzsupport.h"
#include "hardwaredescription.h"
#include "languagecatalog.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <stdexcept>

namespace {

// default.json's configuration: two gadgets on two pins.
const QJsonObject &sampleConfiguration()
{
    static const QJsonObject configuration = QJsonDocument::fromJson(R"({
        "Motor1": 100, "Motor2": 100, "servocalibr": [{"pin": "D5", "zero": 90}],
        "pins": [{"pinLbl": "D5", "gadgetId": 40}, {"pinLbl": "D6", "gadgetId": 41},
                 {"pinLbl": "A0", "gadgetId": 1}]})")
                                                 .object();
    return configuration;
}

void useDescription(const HardwareDescription &description)
{
    for (const Command *command : description.commands())
        (void)command->initialJson();
    for (const PinInfo &pin : description.pins())
        (void)description.gadgetsForPin(pin);
    (void)description.text(QStringLiteral("NoSuchKey"));

    AppContext &context = AppContext::instance();
    context.readConfiguration(sampleConfiguration());
    for (const QString &name : description.commandMap().keys())
        (void)context.outputPinsByCommand(name);
    (void)context.writeConfiguration();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    FuzzSupport::initialise(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString programFolder = FuzzSupport::scratchFolder();
    FuzzSupport::writeFile(programFolder + QStringLiteral("/Languages/01_Fuzz/base.json"),
                           FuzzSupport::bytes(data, size));
    try {
        LanguageCatalog catalog(programFolder);
        catalog.select(QString());
        FUZZ_CHECK(catalog.current() != nullptr);
        useDescription(*catalog.current());
    } catch (const std::runtime_error &) {
        // A structural error of base.json ends the program with a message: a refusal, not a bug.
    }
    // Nothing may point into a description that is gone.
    FUZZ_CHECK(AppContext::instance().description() == nullptr);
    FUZZ_CHECK(AppContext::instance().commandMap().isEmpty());
    return 0;
}
