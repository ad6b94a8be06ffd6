#pragma once

#include <QString>

#include <cstdio>

// The progress of a write, read or configuration packet on one terminal line, rewritten in place:
// what goes on, a bar, bytes done of the total and, once it can be told, the time left. At the
// end one closing line says how it went. Only for a terminal: a pipe or a log file gets neither.
class TerminalProgress
{
public:
    static constexpr int kBarWidth = 24;

    // Standard error is a terminal.
    static bool wanted();

    TerminalProgress(const QString &device, FILE *out);

    void show(int kind, int done, int total, qint64 elapsedMs);
    void end(int kind, int outcome, qint64 elapsedMs);
    // The next write sends `changed` of the image's `all` chunks; its closing line says so.
    void setWritePlan(int changed, int all);

    // "writing   [######------------------]   256/1216 bytes, 4 s left"
    static QString progressLine(int kind, int done, int total, qint64 elapsedMs);
    // "written to DEVICE in 4.4 s", "written to DEVICE: 2 of 19 parts changed, in 0.5 s", or
    // "not written to DEVICE: the link was lost"
    static QString endLine(int kind, int outcome, qint64 elapsedMs, const QString &device,
                           int changedChunks = -1, int allChunks = -1);

private:
    void print(const QString &line, bool final);

    QString m_device;
    FILE *m_out;
    int m_lastLength = 0;
    int m_changed = -1;
    int m_all = -1;
};
