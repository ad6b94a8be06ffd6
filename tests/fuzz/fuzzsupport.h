#pragma once

#include <QByteArray>
#include <QString>

#include <cstddef>
#include <cstdint>

// What every harness needs: a Qt application without output, the input as bytes, a scratch
// folder for inputs that are read from files, and a check that stops the fuzzer.
namespace FuzzSupport {

// Fixes Qt's hash seed, creates the core application once and silences Qt's log: the parsers
// log every refusal, and printing those lines would cost more than the parsing.
void initialise(int *argc, char ***argv);

inline QByteArray bytes(const uint8_t *data, size_t size)
{
    return QByteArray(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
}

// A folder that lives as long as the process (in memory when /dev/shm is there).
QString scratchFolder();

// Replaces the file at path with exactly these bytes; creates missing folders.
void writeFile(const QString &path, const QByteArray &contents);

[[noreturn]] void fail(const char *condition, const char *file, int line);

} // namespace FuzzSupport

// An invariant that holds for every input; a violation is reported like a crash.
#define FUZZ_CHECK(condition)                                                                      \
    do {                                                                                           \
        if (!(condition))                                                                          \
            FuzzSupport::fail(#condition, __FILE__, __LINE__);                                     \
    } while (false)
