#include "terminalprogress.h"

#include "internalworker.h"
#include "transferprogress.h"

#if defined(Q_OS_WIN)
#include <qt_windows.h>
#else
#include <unistd.h>
#endif

namespace {

QString activity(int kind)
{
    switch (kind) {
    case LinkTransfer::Read:
        return QStringLiteral("reading");
    case LinkTransfer::Configuration:
        return QStringLiteral("configuring");
    default:
        return QStringLiteral("writing");
    }
}

QString reason(int outcome)
{
    switch (outcome) {
    case LinkTransfer::LinkLost:
        return QStringLiteral("the link was lost");
    case LinkTransfer::WaitingForLink:
        return QStringLiteral("the link was lost, starting again once it is back");
    case LinkTransfer::GaveUp:
        return QStringLiteral("no answer, given up after %1 resends")
            .arg(internalWorker::kMaxResends);
    case LinkTransfer::NotCompiled:
        return QStringLiteral("the program does not compile");
    case LinkTransfer::NoProgram:
        return QStringLiteral("the memory holds no program");
    case LinkTransfer::BadAnswer:
        return QStringLiteral("the controller's answer could not be read");
    default:
        return QStringLiteral("interrupted");
    }
}

} // namespace

bool TerminalProgress::wanted()
{
#if defined(Q_OS_WIN)
    // The C runtime takes the NUL device for a terminal; only a console has a console mode.
    DWORD mode = 0;
    return GetConsoleMode(GetStdHandle(STD_ERROR_HANDLE), &mode) != 0;
#else
    return ::isatty(STDERR_FILENO) == 1;
#endif
}

TerminalProgress::TerminalProgress(const QString &device, FILE *out)
    : m_device(device)
    , m_out(out)
{}

void TerminalProgress::show(int kind, int done, int total, qint64 elapsedMs)
{
    print(progressLine(kind, done, total, elapsedMs), false);
}

void TerminalProgress::end(int kind, int outcome, qint64 elapsedMs)
{
    print(endLine(kind, outcome, elapsedMs, m_device, m_changed, m_all), true);
}

void TerminalProgress::setWritePlan(int changed, int all)
{
    m_changed = changed;
    m_all = all;
}

QString TerminalProgress::progressLine(int kind, int done, int total, qint64 elapsedMs)
{
    const int filled = total > 0 ? int(qint64(qBound(0, done, total)) * kBarWidth / total) : 0;
    const QString bar =
        QString(filled, QLatin1Char('#')) + QString(kBarWidth - filled, QLatin1Char('-'));
    const int digits = int(QString::number(total).size());
    QString line = QStringLiteral("%1 [%2] %3/%4 bytes")
                       .arg(activity(kind), -11)
                       .arg(bar)
                       .arg(done, digits)
                       .arg(total);
    const qint64 left = LinkTransfer::remainingMs(done, total, elapsedMs);
    if (left > 0)
        line += QStringLiteral(", %1 s left").arg((left + 999) / 1000);
    return line;
}

QString TerminalProgress::endLine(int kind, int outcome, qint64 elapsedMs, const QString &device,
                                  int changedChunks, int allChunks)
{
    const QString seconds = QString::number(double(elapsedMs) / 1000.0, 'f', 1);
    if (outcome == LinkTransfer::Done) {
        switch (kind) {
        case LinkTransfer::Read:
            return QStringLiteral("read from %1 in %2 s").arg(device, seconds);
        case LinkTransfer::Configuration:
            return QStringLiteral("configuration confirmed by %1 in %2 s").arg(device, seconds);
        default:
            if (changedChunks == 0)
                return QStringLiteral("%1 holds the program already: nothing written").arg(device);
            if (changedChunks > 0 && changedChunks < allChunks)
                return QStringLiteral("written to %1: %2 of %3 parts changed, in %4 s")
                    .arg(device)
                    .arg(changedChunks)
                    .arg(allChunks)
                    .arg(seconds);
            return QStringLiteral("written to %1 in %2 s").arg(device, seconds);
        }
    }
    switch (kind) {
    case LinkTransfer::Read:
        return QStringLiteral("not read from %1: %2").arg(device, reason(outcome));
    case LinkTransfer::Configuration:
        return QStringLiteral("configuration not confirmed by %1: %2").arg(device, reason(outcome));
    default:
        return QStringLiteral("not written to %1: %2").arg(device, reason(outcome));
    }
}

void TerminalProgress::print(const QString &line, bool final)
{
    // Back to the line's start, the new text, and blanks over what is left of a longer one.
    const QByteArray text = line.toLocal8Bit();
    const int padding = qMax(0, m_lastLength - int(text.size()));
    std::fprintf(m_out, "\r%s%*s%s", text.constData(), padding, "", final ? "\n" : "");
    std::fflush(m_out);
    m_lastLength = final ? 0 : int(text.size());
}
