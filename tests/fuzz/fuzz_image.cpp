// Memory image read back from a controller -> program document -> image again.
#include "fuzzsupport.h"
#include "memoryimage.h"

#include <QJsonDocument>

#include <cstdio>
#include <cstdlib>

namespace {

// Type and length of every frame, in order.
QByteArray frameLayout(const QByteArray &image)
{
    QByteArray layout;
    for (qsizetype at = 0; at + 1 < image.size(); at += 2 + quint8(image.at(at + 1)))
        layout.append(image.mid(at, 2));
    return layout;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    FuzzSupport::initialise(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const std::optional<QJsonObject> document = decodeImage(FuzzSupport::bytes(data, size));
    if (!document)
        return 0;

    // Whatever the controller held, the editor shows it and may write it straight back.
    ImageBuilder builder;
    const ImageBuilder::Result rebuilt = builder.buildImage(*document);
    const std::optional<QJsonObject> reread = decodeImage(rebuilt.image);
    FUZZ_CHECK(reread.has_value());

    // Writing what was read back keeps the layout of the image: the same frames with the same
    // lengths. (Values may move: times are stored with a finer resolution than they are shown.)
    if (rebuilt.success) {
        ImageBuilder again;
        const ImageBuilder::Result second = again.buildImage(*reread);
        if (std::getenv("TAVIRO_FUZZ_EXPLAIN") && second.image != rebuilt.image) {
            std::fprintf(stderr, "read back:\n%s\nafter writing it again:\n%s\n",
                         QJsonDocument(*document).toJson().constData(),
                         QJsonDocument(*reread).toJson().constData());
        }
        FUZZ_CHECK(second.success);
        FUZZ_CHECK(frameLayout(second.image) == frameLayout(rebuilt.image));
    }
    return 0;
}
