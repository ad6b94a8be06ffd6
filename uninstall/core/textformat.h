#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <variant>

namespace uninstall {

// One argument of a printf-style format: a wide string or a number.
class FormatArg
{
public:
    FormatArg(std::wstring_view text)
        : m_value(text)
    {}
    FormatArg(const std::wstring &text)
        : m_value(std::wstring_view(text))
    {}
    FormatArg(const wchar_t *text)
        : m_value(std::wstring_view(text))
    {}
    FormatArg(int number)
        : m_value(static_cast<std::int64_t>(number))
    {}
    FormatArg(long number)
        : m_value(static_cast<std::int64_t>(number))
    {}
    FormatArg(unsigned number)
        : m_value(static_cast<std::int64_t>(number))
    {}
    FormatArg(unsigned long number)
        : m_value(static_cast<std::int64_t>(number))
    {}

    std::wstring toText(wchar_t conversion) const;

private:
    std::variant<std::wstring_view, std::int64_t> m_value;
};

// Formats like the Windows wide printf family for the conversions the uninstaller uses:
// %s and %ls take a wide string, %d a signed number, %u and %lu a 32-bit unsigned number,
// %% a percent sign. The result holds at most maxChars characters.
std::wstring formatText(std::wstring_view format, std::initializer_list<FormatArg> args,
                        std::size_t maxChars);

// UTF-8 bytes of a wide string (UTF-16 where wchar_t has 16 bits, UTF-32 otherwise).
// Unpaired surrogates become U+FFFD.
std::string toUtf8(std::wstring_view text);

} // namespace uninstall
