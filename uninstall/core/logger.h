#pragma once

#include "textformat.h"

#include <initializer_list>
#include <string>
#include <string_view>

namespace uninstall {

class Platform;

// Appends entries to the uninstaller's log as UTF-8, one open/append/close per entry, so that a
// crash loses nothing already written. Entries are written back to back without separators.
class Logger
{
public:
    static constexpr std::size_t kMaxEntryChars = 2047;

    Logger(Platform &platform, std::wstring path);

    void LogLine(std::wstring_view format, std::initializer_list<FormatArg> args = {});
    const std::wstring &path() const { return m_path; }

private:
    Platform &m_platform;
    std::wstring m_path;
};

} // namespace uninstall
