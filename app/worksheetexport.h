#pragma once

#include <QString>

// taviro-start --export PROGRAM.json OUT.pdf|OUT.png|OUT.svg [--language NAME]: a program's
// worksheet for a teacher's scripts, without a window.
namespace WorksheetExport {

// A language by its name ("Русский") or its locale ("ru"); the saved language (or the first one)
// when empty. Exit status: 0 written; 1 the program cannot be read or the file not written;
// 2 an unknown language or a file type other than .pdf, .png and .svg. Reasons go to stderr.
int run(const QString &program, const QString &output, const QString &language);

// The catalog's language whose name or locale is the given one; empty when there is none.
QString languageNamed(const QString &wanted);

} // namespace WorksheetExport
