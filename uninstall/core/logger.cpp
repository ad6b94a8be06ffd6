#include "logger.h"

#include "platform.h"

#include <utility>

namespace uninstall {

Logger::Logger(Platform &platform, std::wstring path)
    : m_platform(platform)
    , m_path(std::move(path))
{}

void Logger::LogLine(std::wstring_view format, std::initializer_list<FormatArg> args)
{
    // An entry that cannot be written is dropped: the log must never stop the removal.
    m_platform.appendToFile(m_path, toUtf8(formatText(format, args, kMaxEntryChars)));
}

} // namespace uninstall
