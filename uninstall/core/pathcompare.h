#pragma once

#include <string>
#include <string_view>

namespace uninstall {

// Upper-case form used for case-insensitive comparison of names and paths
// (Latin, Greek and Cyrillic letters).
wchar_t foldCase(wchar_t c);
bool equalsIgnoreCase(std::wstring_view a, std::wstring_view b);
bool startsWithIgnoreCase(std::wstring_view text, std::wstring_view prefix);
bool endsWithIgnoreCase(std::wstring_view text, std::wstring_view suffix);

// folder and name joined by one "\".
std::wstring joinPath(std::wstring_view folder, std::wstring_view name);

// "/" becomes "\".
std::wstring toBackslashes(std::wstring_view path);
// Removes trailing "/", "\" and blanks.
std::wstring TrimTrailingSlashesAndSpaces(std::wstring_view path);

// Both paths name the same folder, ignoring slash direction, trailing separators and blanks,
// and letter case.
bool SameFolder(std::wstring_view a, std::wstring_view b);

// The path lies in folder or below it: a sibling whose name merely begins with the folder's
// name does not count.
bool isInsideFolder(std::wstring_view path, std::wstring_view folder);

// Empty, or the root of a drive or share ("C:", "C:\", "\\server\share"): no folder of one
// product, so its processes and empty folders are left alone.
bool isUnsafeTarget(std::wstring_view folder);

} // namespace uninstall
