#pragma once

#include <QStringList>

// Every dictionary key the program asks for. Code that shows a new text adds its key here, so
// that the shipped dictionaries are checked for it.
namespace DictionaryKeys {
const QStringList &all();
}
