#pragma once

#include "controllerstate.h"
#include "memoryimage.h"
#include "statereport.h"

#include <QByteArray>
#include <QJsonArray>
#include <QJsonObject>
#include <QList>
#include <QObject>
#include <QString>
#include <QTimer>

#include <functional>

class LinkTransport;

// The editor's model of one controller connection: keeps the link alive, writes and reads the
// controller memory, runs a program command by command, executes single commands by hand and
// publishes a state report after every event. Everything happens in slots; nothing blocks.
class internalWorker : public QObject
{
    Q_OBJECT
public:
    // Builds the transport (as a child of the given parent); the default is mBluetoothConnect.
    using TransportFactory = std::function<LinkTransport *(QObject *parent)>;

    static constexpr int kWatchdogMs = 1500;
    static constexpr int kChunkSize = 64;
    static constexpr int kMissesBeforeResend = 3;
    static constexpr int kMaxResends = 10;

    explicit internalWorker(QObject *parent = nullptr, TransportFactory factory = {});
    ~internalWorker() override;

    LinkTransport *transport();

    int state() const { return m_state; }
    int pendingType() const { return m_pendingType; }
    bool programOk() const { return m_programOk; }
    int memoryAddress() const { return m_memoryAddress; }
    QByteArray memoryImage() const { return m_memoryImage; }
    quint8 sequenceCounter() const { return m_sequenceCounter; }
    int currentProgram() const { return m_currentProgram; }
    int currentPosition() const { return m_currentPosition; }
    int mainPosition() const { return m_mainPosition; }
    int stackDepth() const { return int(m_stack.size()); }
    const ControllerState &controllerState() const { return m_controller; }

public slots:
    void mwStart();
    void mwStop();
    void mwCommand(const QString &command);
    void mwChangeProg(const QJsonObject &document);
    void mwManual(int proc, int num, bool checkeq);
    void mwDebugSignal();
    void mwFindDevices();
    void mwSelectDevice(const QString &deviceText);
    void mwChangeName(const QString &name);
    void intFindDevice(const QString &deviceText);
    void intEndFindDevices();
    void connectStateSlot(int status);
    void tslt();
    void receivePacket(int type, const QByteArray &payload);
    void CommandSuccesfulExecute(int type, const QByteArray &payload);
    void decompileProg(const QByteArray &image);

signals:
    void sigCurState(const QString &report);
    void sigFindDevice(const QString &deviceText);
    void sigEndFindDevices();
    void sigConnectOK(int status);
    void sigErrorConnect();
    void sigReadProg(const QJsonObject &document);
    void sigEndChangeName(bool ok, const QString &message);

private:
    struct Frame
    {
        int program = 0;
        int position = 0;
        int iteration = 0;
    };

    void publish();
    void advance();
    void stepToNextCommand();
    bool execute(int program, int position, bool asStep);
    void sendCommandRecord(const QByteArray &record, bool asStep);
    void sendFresh(int type, const QByteArray &payload);
    void resend();
    void giveUp();
    bool sendWriteChunk();
    bool sendReadChunk();
    void resetExecution();
    int programCount() const;
    int commandCount(int program) const;

    TransportFactory m_transportFactory;
    QTimer m_watchdog;
    int m_state = 0;
    bool m_freshState = false;
    bool m_programOk = false;
    StateReport::ActionFlags m_actionFlags{};
    int m_mainPosition = -1;
    ControllerState m_controller;
    LinkTransport *m_transport = nullptr;
    QString m_selectedDevice;
    int m_pendingType = 0;
    QJsonArray m_programList;
    QJsonObject m_configuration;
    QByteArray m_configurationBytes;
    ImageBuilder m_builder;
    QByteArray m_commandPayload;
    quint8 m_sequenceCounter = 0;
    QByteArray m_memoryImage;
    // The image a running write takes its chunks from, so an edit during the write cannot
    // splice two programs together in the controller.
    QByteArray m_writeImage;
    QByteArray m_readBuffer;
    int m_memoryAddress = 0;
    int m_chunkSize = 0;
    QList<Frame> m_stack;
    int m_currentProgram = 0;
    int m_currentPosition = 0;
    int m_iterationValue = 0;
    QString m_newDeviceName;
    bool m_renameRequested = false;
    int m_missCount = 0;
    int m_resendCount = 0;
    int m_lastSentType = 0;
    QByteArray m_lastSentPayload;
};
