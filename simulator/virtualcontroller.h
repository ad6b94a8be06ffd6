#pragma once

#include "commandkinds.h"
#include "deframer.h"
#include "linkprotocol.h"
#include "simulatedoutputs.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QRandomGenerator>
#include <QString>
#include <QTimer>

#include <array>

// The controller's side of the link over a byte stream: a 4096-byte EEPROM, replies to every
// request, periodic state packets with the simulated inputs, and a small interpreter for the
// command records the editor sends in step and manual mode. Fault switches let tests make the
// link lossy, noisy or silent; timing switches make it as slow as real hardware, which works
// through its requests one at a time while its timer keeps sending state packets.
class VirtualController : public QObject
{
    Q_OBJECT
public:
    static constexpr int kDefaultIntervalMs = 100;
    static constexpr int kFloodBytes = 2100;

    explicit VirtualController(QObject *parent = nullptr);

    // Bytes from the editor.
    void receiveBytes(const QByteArray &bytes);
    // A client connected: a fresh session (deframer, run stack, output queue), state packets on.
    void attach();
    // The client went away: state packets off, queued output dropped.
    void detach();
    bool isAttached() const { return m_attached; }

    void setStateInterval(int ms);
    int stateInterval() const { return m_stateTimer.interval(); }
    // Delay of every reply and state packet, to model a radio link.
    void setLatency(int ms) { m_latencyMs = qMax(0, ms); }
    int latency() const { return m_latencyMs; }

    // Time the EEPROM takes per byte written; the write is answered once every byte is in.
    void setMsPerByte(double ms) { m_msPerByte = qMax(0.0, ms); }
    double msPerByte() const { return m_msPerByte; }
    // Time before a configuration, manual or step packet is answered.
    void setStepMs(int ms) { m_stepMs = qMax(0, ms); }
    int stepMs() const { return m_stepMs; }

    // Fault switches; 0 turns each off.
    void setDropEvery(int n) { m_dropEvery = qMax(0, n); }
    // Ignores every Nth request, as if it had been garbled on the way in.
    void setLoseRequestEvery(int n) { m_loseRequestEvery = qMax(0, n); }
    // Random bytes between frames, some of them start bytes that open false frames. The same
    // seed gives the same noise.
    void setNoise(bool on, quint32 seed = 1);
    void setCorruptEvery(int n) { m_corruptEvery = qMax(0, n); }
    void setGarbagePrefix(int bytes) { m_garbagePrefix = qMax(0, bytes); }
    void setFloodEvery(int n) { m_floodEvery = qMax(0, n); }
    // Neither answers nor sends anything for this long.
    void goSilent(int ms);
    bool isSilent() const;

    void setDigitalInput(int index, bool high);
    bool digitalInput(int index) const;
    void setAnalogInput(int index, int value);
    int analogInput(int index) const;

    QByteArray eeprom() const { return m_eeprom; }
    // Shorter contents are filled with 0xFF (erased), longer ones cut.
    void setEeprom(const QByteArray &contents);
    QByteArray configuration() const { return m_configuration; }
    QString deviceName() const { return m_deviceName; }
    // The name a rename packet would have given it.
    void setDeviceName(const QString &name) { m_deviceName = name; }
    const SimulatedOutputs &outputs() const { return m_outputs; }
    // Everything off, as after switching the robot off and on; a running command goes on.
    void resetOutputs();

    // Time under the caller's control instead of the wall clock: waits end and state packets go
    // out as advanceTime() moves it on, so seconds of a program run in a few milliseconds.
    void setManualTime(bool manual);
    void advanceTime(int ms);

    LinkProtocol::StatusFlags statusFlags() const { return m_statusFlags; }
    quint8 lastSequence() const { return m_lastSequence; }
    int stackDepth() const { return int(m_stack.size()); }
    int repliesSent() const { return m_replyCount; }
    // Bytes met where an instruction should start that are none: the editor and the controller
    // disagree about the byte code.
    int unknownInstructions() const { return m_unknownInstructions; }
    // Requests that arrived intact, lost ones included.
    int requestsReceived() const { return m_requestCount; }
    int requestsLost() const { return m_lostRequests; }
    // Requests received but not yet answered.
    int requestsQueued() const { return int(m_requestQueue.size()) + (m_serving ? 1 : 0); }

signals:
    void bytesToSend(const QByteArray &bytes);
    void outputsChanged();
    void requestHandled(int type);
    // A request arrived intact (before it is queued, lost or handled).
    void requestArrived(int type);

private:
    struct Frame
    {
        bool call = false;
        int iterations = 0;
    };

    struct Request
    {
        int type = 0;
        QByteArray payload;
    };

    void receivePacket(int type, const QByteArray &payload);
    void serveNext();
    void finishService();
    qint64 serviceNs(const Request &request) const;
    void handlePacket(int type, const QByteArray &payload);
    void handleMemoryWrite(const QByteArray &payload);
    void handleMemoryRead(const QByteArray &payload);
    void reply(int type, const QByteArray &payload);
    void sendStatePacket();
    void output(const QByteArray &bytes);
    void scheduleOutput();
    void flushDue();
    QByteArray noise();

    void startCommand(quint8 sequence, const QByteArray &record, bool step);
    enum class Execution
    {
        GoesOn,
        // A wait: the command goes on when the wait timer expires.
        Waits,
    };

    void runInstructions();
    Execution execute(CommandKinds::Opcode opcode, int operands);
    void finishCommand();
    bool conditionsHold() const;
    bool slotHolds(int offset) const;
    int innermostIterations() const;
    int byteAt(int index) const;
    void endCycle(bool repeat);
    void startWait(quint32 ms);
    void stopWait();

    Deframer m_deframer;
    QTimer m_stateTimer;
    QTimer m_waitTimer;
    QTimer m_outputTimer;
    QElapsedTimer m_clock;
    // Due time (ns on m_clock) and bytes, in sending order.
    QList<QPair<qint64, QByteArray>> m_outputQueue;
    bool m_attached = false;
    int m_latencyMs = 0;
    double m_msPerByte = 0.0;
    int m_stepMs = 0;
    QList<Request> m_requestQueue;
    Request m_inService;
    bool m_serving = false;
    qint64 m_serviceDueNs = 0;
    QTimer m_serviceTimer;

    int m_dropEvery = 0;
    int m_corruptEvery = 0;
    int m_garbagePrefix = 0;
    int m_floodEvery = 0;
    int m_loseRequestEvery = 0;
    bool m_noise = false;
    QRandomGenerator m_noiseSource;
    int m_requestCount = 0;
    int m_lostRequests = 0;
    qint64 m_silentUntil = -1;
    int m_replyCount = 0;
    int m_unknownInstructions = 0;

    std::array<int, LinkProtocol::kDigitalInputs> m_digital{};
    std::array<quint8, LinkProtocol::kAnalogInputs> m_analog{};
    QByteArray m_eeprom;
    QByteArray m_configuration;
    QString m_deviceName;
    SimulatedOutputs m_outputs;

    LinkProtocol::StatusFlags m_statusFlags;
    quint8 m_lastSequence = 0;
    QList<Frame> m_stack;
    QByteArray m_record;
    int m_pc = 0;
    bool m_running = false;
    bool m_step = false;
    quint8 m_sequence = 0;
    LinkProtocol::StatusFlags m_flowBits;

    bool m_manualTime = false;
    qint64 m_manualMs = 0;
    qint64 m_waitDueMs = -1;
    qint64 m_nextStateMs = 0;
};
