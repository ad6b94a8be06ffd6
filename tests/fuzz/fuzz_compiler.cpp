// Program document text (a program file, the editor's document) -> memory image.
#include "fuzzsupport.h"
#include "memoryimage.h"

#include <QJsonArray>
#include <QJsonDocument>

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    FuzzSupport::initialise(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QJsonDocument json = QJsonDocument::fromJson(FuzzSupport::bytes(data, size));
    if (!json.isObject())
        return 0;

    ImageBuilder builder;
    const ImageBuilder::Result result = builder.buildImage(json.object());
    // Even a program that does not compile leaves a well-formed image behind.
    FUZZ_CHECK(decodeImage(result.image).has_value());
    if (result.success)
        FUZZ_CHECK(result.image.size() <= kMemorySize);

    // The run button compiles single commands against the same programs.
    CommandCompiler &compiler = builder.compiler();
    const QJsonArray programs = json.object().value(QLatin1String("ProgData")).toArray();
    for (const QJsonValue &program : programs) {
        for (const QJsonValue &command : program.toArray()) {
            if (compiler.compileCommand(command.toObject()))
                FUZZ_CHECK(compiler.lastRecord().size() <= 255);
        }
    }
    return 0;
}
