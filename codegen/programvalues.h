#pragma once

#include <QJsonValue>
#include <QString>

// Lenient readers for values of a program document. The editor stores many numbers as text, so
// every reader accepts both forms and falls back to 0 / empty instead of failing.
namespace ProgramValues {

// A JSON number without fractional part, or a string holding a base-10 integer; anything else
// (including numbers outside the 32-bit range) reads as 0.
int readInt(const QJsonValue &value);

// A JSON number, or a string holding a decimal number with a point or a comma ("1.5", "1,5");
// anything else (and NaN/infinity) reads as 0.
double readDecimal(const QJsonValue &value);

// A JSON string; any other type reads as the empty string.
QString readText(const QJsonValue &value);

// "D7" -> 7, "A2" -> 130, "HZ" -> 255; see the pin-label rules in the program document format.
quint8 parsePinLabel(const QString &label);

// 0-127 -> "D<n>", 128-199 -> "A<n-128>", 200 and above -> "HZ". Only the low byte is used.
QString pinLabel(int code);

// Pin code meaning "no pin".
constexpr quint8 kNoPin = 255;

} // namespace ProgramValues
