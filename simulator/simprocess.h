#pragma once

#include <QString>

#include <functional>

class QObject;

// What taviro-sim needs from its process beyond Qt: being asked to end (a termination signal, or
// Ctrl+C and a closed console window on Windows) and the lines typed on standard input, both
// delivered in the event loop.
namespace SimProcess {

// Calls onRequest in the event loop when the process is asked to end. False when the request
// cannot be watched.
bool watchTermination(QObject *context, std::function<void()> onRequest);

// Calls onLine in the event loop for every line that arrives on standard input, until it closes.
void readInputLines(QObject *context, std::function<void(const QString &line)> onLine);

} // namespace SimProcess
