#pragma once

#include <QString>

class QKeySequence;
class QWidget;

// Names and descriptions of controls for assistive technology (screen readers, switch access),
// in the words of the current dictionary. Any widget, of any panel, is named with one call.
namespace AccessibleText {

// The text of a key, or an empty text when the dictionary has none (no "No key" placeholder:
// a control without a text of its own keeps its fallback name).
QString text(const QString &key);

// A format text with %1 (and %2, ...) of a key; the fallback when the dictionary has no such
// format (a test's dictionary), so that the arguments are never lost.
QString format(const QString &key, const QString &fallback = QStringLiteral("%1"));

// Sets the accessible name (and the description, when a key is given) from dictionary keys.
void set(QWidget *widget, const QString &nameKey, const QString &descriptionKey = QString());

// Sets a name and a description that are already texts (a tool tip, a built summary).
void setTexts(QWidget *widget, const QString &name, const QString &description = QString());

// A tool tip that tells its shortcut, e.g. "Run the program (F5)"; the tip alone without one.
QString withShortcut(const QString &tip, const QKeySequence &keys);

} // namespace AccessibleText
