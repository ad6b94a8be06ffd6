#include "simprocess.h"

#include <QByteArray>
#include <QObject>
#include <QSocketNotifier>

#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int signalPipe[2] = {-1, -1};

void onTerminationSignal(int)
{
    const char byte = 1;
    // Nothing else is safe inside a signal handler; the event loop does the rest.
    [[maybe_unused]] const ssize_t written = ::write(signalPipe[0], &byte, 1);
}

} // namespace

namespace SimProcess {

bool watchTermination(QObject *context, std::function<void()> onRequest)
{
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, signalPipe) != 0)
        return false;
    struct sigaction action = {};
    action.sa_handler = onTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    if (sigaction(SIGINT, &action, nullptr) != 0 || sigaction(SIGTERM, &action, nullptr) != 0)
        return false;
    auto *notifier = new QSocketNotifier(signalPipe[1], QSocketNotifier::Read, context);
    QObject::connect(notifier, &QSocketNotifier::activated, context,
                     [onRequest = std::move(onRequest)] {
                         char byte = 0;
                         [[maybe_unused]] const ssize_t got = ::read(signalPipe[1], &byte, 1);
                         onRequest();
                     });
    return true;
}

void readInputLines(QObject *context, std::function<void(const QString &line)> onLine)
{
    // Standard input may be closed or a file; the caller keeps running either way.
    auto *notifier = new QSocketNotifier(STDIN_FILENO, QSocketNotifier::Read, context);
    QObject::connect(notifier, &QSocketNotifier::activated, context,
                     [notifier, onLine = std::move(onLine), pending = QByteArray()]() mutable {
                         char buffer[512];
                         const ssize_t got = ::read(STDIN_FILENO, buffer, sizeof buffer);
                         if (got <= 0) {
                             notifier->setEnabled(false);
                             return;
                         }
                         pending.append(buffer, got);
                         qsizetype end;
                         while ((end = pending.indexOf('\n')) >= 0) {
                             onLine(QString::fromUtf8(pending.left(end)));
                             pending.remove(0, end + 1);
                         }
                     });
}

} // namespace SimProcess
