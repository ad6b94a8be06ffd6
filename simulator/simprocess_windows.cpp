#include "simprocess.h"

#include <QMetaObject>
#include <QObject>
#include <QPointer>

#include <qt_windows.h>

#include <iostream>
#include <memory>
#include <string>

namespace {

QPointer<QObject> terminationContext;
std::function<void()> terminationRequest;

// Called by Windows on a thread of its own; the request is handed to the event loop.
BOOL WINAPI onConsoleControl(DWORD event)
{
    if (!terminationContext)
        return FALSE;
    QMetaObject::invokeMethod(
        terminationContext.data(), [] { terminationRequest(); }, Qt::QueuedConnection);
    // A closed console window or an ending session ends the process as soon as this returns:
    // give the event loop the moment it needs to save the memory file.
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT)
        Sleep(2000);
    return TRUE;
}

struct InputReader
{
    QPointer<QObject> receiver;
    std::function<void(const QString &line)> onLine;
};

// The mingw runtime of the win32 thread model has no std::thread.
DWORD WINAPI readInput(void *parameter)
{
    const std::unique_ptr<InputReader> reader(static_cast<InputReader *>(parameter));
    std::string line;
    while (reader->receiver && std::getline(std::cin, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        QMetaObject::invokeMethod(
            reader->receiver.data(),
            [receiver = reader->receiver, onLine = reader->onLine,
             text = QString::fromStdString(line)] {
                if (receiver)
                    onLine(text);
            },
            Qt::QueuedConnection);
    }
    return 0;
}

} // namespace

namespace SimProcess {

bool watchTermination(QObject *context, std::function<void()> onRequest)
{
    terminationContext = context;
    terminationRequest = std::move(onRequest);
    return SetConsoleCtrlHandler(onConsoleControl, TRUE) != 0;
}

void readInputLines(QObject *context, std::function<void(const QString &line)> onLine)
{
    // Windows has no notifier for a console or pipe handle: a thread waits for the lines. It
    // ends with the process, blocked in its read or not.
    auto *reader = new InputReader{context, std::move(onLine)};
    if (HANDLE thread = CreateThread(nullptr, 0, readInput, reader, 0, nullptr))
        CloseHandle(thread);
    else
        delete reader;
}

} // namespace SimProcess
