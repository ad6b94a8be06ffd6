#include "terminationsignals.h"

#include "uilogging.h"

#include <QSocketNotifier>

#ifdef Q_OS_UNIX
#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int signalPipe[2] = {-1, -1};
constexpr int watchedSignals[] = {SIGTERM, SIGINT};

} // namespace
#endif

TerminationSignals::TerminationSignals(QObject *parent)
    : QObject(parent)
{
#ifdef Q_OS_UNIX
    if (signalPipe[0] >= 0 || ::socketpair(AF_UNIX, SOCK_STREAM, 0, signalPipe) != 0) {
        qCWarning(lcUi) << "Cannot watch for termination signals";
        return;
    }
    m_notifier = new QSocketNotifier(signalPipe[1], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, [this] {
        unsigned char number = 0;
        if (::read(signalPipe[1], &number, 1) == 1) {
            qCInfo(lcUi) << "Received signal" << number << "- saving and quitting";
            emit received(number);
        }
    });
    struct sigaction action = {};
    action.sa_handler = &TerminationSignals::handle;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int number : watchedSignals)
        sigaction(number, &action, nullptr);
#endif
}

TerminationSignals::~TerminationSignals()
{
#ifdef Q_OS_UNIX
    if (!m_notifier)
        return;
    for (int number : watchedSignals)
        std::signal(number, SIG_DFL);
    delete m_notifier;
    m_notifier = nullptr;
    ::close(signalPipe[0]);
    ::close(signalPipe[1]);
    signalPipe[0] = signalPipe[1] = -1;
#endif
}

void TerminationSignals::handle(int signalNumber)
{
#ifdef Q_OS_UNIX
    const unsigned char number = static_cast<unsigned char>(signalNumber);
    [[maybe_unused]] const ssize_t written = ::write(signalPipe[0], &number, 1);
#else
    Q_UNUSED(signalNumber)
#endif
}
