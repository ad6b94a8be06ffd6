#pragma once

#include <QString>

class QWidget;

// Asks before unsaved work is left behind: save it, leave it, or stay. Esc and closing the box
// stay.
namespace UnsavedQuestion {

enum class Answer
{
    Save,
    Discard,
    Cancel
};

Answer ask(QWidget *parent, const QString &text);

} // namespace UnsavedQuestion
