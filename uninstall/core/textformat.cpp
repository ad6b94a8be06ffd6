#include "textformat.h"

namespace uninstall {

namespace {

bool isHighSurrogate(std::uint32_t c)
{
    return c >= 0xD800 && c <= 0xDBFF;
}

bool isLowSurrogate(std::uint32_t c)
{
    return c >= 0xDC00 && c <= 0xDFFF;
}

void appendCodePoint(std::string &out, std::uint32_t cp)
{
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

} // namespace

std::wstring FormatArg::toText(wchar_t conversion) const
{
    if (const auto *text = std::get_if<std::wstring_view>(&m_value)) {
        if (conversion == L's')
            return std::wstring(*text);
        return {};
    }
    const std::int64_t number = std::get<std::int64_t>(m_value);
    std::string digits;
    if (conversion == L'u')
        digits = std::to_string(static_cast<std::uint32_t>(number));
    else if (conversion == L'd')
        digits = std::to_string(static_cast<std::int32_t>(number));
    return std::wstring(digits.begin(), digits.end());
}

std::wstring formatText(std::wstring_view format, std::initializer_list<FormatArg> args,
                        std::size_t maxChars)
{
    std::wstring out;
    auto next = args.begin();
    for (std::size_t i = 0; i < format.size(); ++i) {
        const wchar_t c = format[i];
        if (c != L'%' || i + 1 >= format.size()) {
            out += c;
            continue;
        }
        std::size_t j = i + 1;
        if (format[j] == L'%') {
            out += L'%';
            i = j;
            continue;
        }
        if (format[j] == L'l' && j + 1 < format.size())
            ++j;
        const wchar_t conversion = format[j];
        if (conversion != L's' && conversion != L'd' && conversion != L'u') {
            out += c;
            continue;
        }
        if (next != args.end())
            out += (next++)->toText(conversion);
        i = j;
    }
    if (out.size() > maxChars) {
        out.resize(maxChars);
        if (!out.empty() && isHighSurrogate(static_cast<std::uint32_t>(out.back())))
            out.pop_back();
    }
    return out;
}

std::string toUtf8(std::wstring_view text)
{
    std::string out;
    out.reserve(text.size() * 2);
    for (std::size_t i = 0; i < text.size(); ++i) {
        std::uint32_t c = static_cast<std::uint32_t>(text[i]);
        if constexpr (sizeof(wchar_t) == 2) {
            c &= 0xFFFF;
        }
        if (isHighSurrogate(c) && i + 1 < text.size()) {
            const std::uint32_t low = static_cast<std::uint32_t>(text[i + 1]) & 0xFFFF;
            if (isLowSurrogate(low)) {
                appendCodePoint(out, 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00));
                ++i;
                continue;
            }
        }
        if (isHighSurrogate(c) || isLowSurrogate(c) || c > 0x10FFFF)
            c = 0xFFFD;
        appendCodePoint(out, c);
    }
    return out;
}

} // namespace uninstall
