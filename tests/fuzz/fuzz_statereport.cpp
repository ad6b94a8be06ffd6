// State packet payload -> controller state -> state report text.
//
// The first four bytes choose the worker state and the run position the report shows; the rest
// is the payload of a state packet.
#include "controllerstate.h"
#include "fuzzsupport.h"
#include "statereport.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    FuzzSupport::initialise(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 4)
        return 0;
    const int workerState = qint8(data[0]);
    const int progpos = qint8(data[1]);
    const int proc = data[2] & 0x0F;
    const int procpos = qint8(data[3]);
    const QByteArray payload = FuzzSupport::bytes(data + 4, size - 4);

    ControllerState state;
    const bool stored = state.store(payload);
    FUZZ_CHECK(stored == (payload.size() >= LinkProtocol::kStatePacketSize));
    if (stored) {
        // The controller's side builds the same bytes from what was read.
        const QByteArray encoded = ControllerState::encode(
            state.statusFlags, state.reportedSequence, state.digitalInputs, state.analogInputs);
        FUZZ_CHECK(encoded == payload.left(LinkProtocol::kStatePacketSize));
    }

    const StateReport::ActionFlags flags =
        StateReport::actionFlags(LinkProtocol::WorkerState(workerState), data[1] & 1, data[1] & 2);
    const auto run = StateReport::RunMarker((data[1] >> 2) % 3);
    const QString text = StateReport::text(flags, progpos, proc, procpos, run, state);
    // The report is read back as JSON by the editor.
    QJsonParseError error;
    const QJsonDocument report = QJsonDocument::fromJson(text.toUtf8(), &error);
    FUZZ_CHECK(error.error == QJsonParseError::NoError && report.isObject());
    const QJsonObject object = report.object();
    FUZZ_CHECK(object.value(QLatin1String("progpos")).toInt() == progpos);
    FUZZ_CHECK(object.value(QLatin1String("run")).toInt() == int(run));
    FUZZ_CHECK(object.value(QLatin1String("DI")).toArray().size() ==
               ControllerState::kDigitalInputs);
    for (const QJsonValue &value : object.value(QLatin1String("DI")).toArray())
        FUZZ_CHECK(value.toInt() == 0 || value.toInt() == 1);
    return 0;
}
