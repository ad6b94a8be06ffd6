#include "pathcompare.h"

#include <cstdint>

namespace uninstall {

wchar_t foldCase(wchar_t c)
{
    const auto u = static_cast<std::uint32_t>(c);
    if (u >= L'a' && u <= L'z')
        return static_cast<wchar_t>(u - 0x20);
    if (u < 0xE0)
        return c;
    // Latin-1 letters, except the division sign and y with diaeresis.
    if (u <= 0xFE)
        return u == 0xF7 ? c : static_cast<wchar_t>(u - 0x20);
    if (u == 0xFF)
        return static_cast<wchar_t>(0x178);
    // Latin Extended-A pairs upper/lower case on even/odd code points, shifted in two ranges.
    if (u >= 0x100 && u <= 0x137)
        return static_cast<wchar_t>(u & ~1u);
    if ((u >= 0x139 && u <= 0x148) || (u >= 0x179 && u <= 0x17E))
        return (u & 1u) ? c : static_cast<wchar_t>(u - 1);
    if (u >= 0x14A && u <= 0x177)
        return static_cast<wchar_t>(u & ~1u);
    // Greek small letters (final sigma folds with sigma).
    if (u == 0x3C2)
        return static_cast<wchar_t>(0x3A3);
    if (u >= 0x3B1 && u <= 0x3CB)
        return static_cast<wchar_t>(u - 0x20);
    // Cyrillic: а-я, ѐ-џ, and the paired letters from Ѡ on.
    if (u >= 0x430 && u <= 0x44F)
        return static_cast<wchar_t>(u - 0x20);
    if (u >= 0x450 && u <= 0x45F)
        return static_cast<wchar_t>(u - 0x50);
    if ((u >= 0x460 && u <= 0x481) || (u >= 0x48A && u <= 0x4BF) || (u >= 0x4D0 && u <= 0x52F))
        return static_cast<wchar_t>(u & ~1u);
    if (u >= 0x4C1 && u <= 0x4CE)
        return (u & 1u) ? c : static_cast<wchar_t>(u - 1);
    if (u == 0x4CF)
        return static_cast<wchar_t>(0x4C0);
    return c;
}

bool equalsIgnoreCase(std::wstring_view a, std::wstring_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (foldCase(a[i]) != foldCase(b[i]))
            return false;
    }
    return true;
}

bool startsWithIgnoreCase(std::wstring_view text, std::wstring_view prefix)
{
    return text.size() >= prefix.size() && equalsIgnoreCase(text.substr(0, prefix.size()), prefix);
}

bool endsWithIgnoreCase(std::wstring_view text, std::wstring_view suffix)
{
    return text.size() >= suffix.size() &&
           equalsIgnoreCase(text.substr(text.size() - suffix.size()), suffix);
}

std::wstring joinPath(std::wstring_view folder, std::wstring_view name)
{
    std::wstring out(folder);
    if (!out.empty() && out.back() != L'\\' && out.back() != L'/')
        out += L'\\';
    out += name;
    return out;
}

std::wstring toBackslashes(std::wstring_view path)
{
    std::wstring out(path);
    for (wchar_t &c : out) {
        if (c == L'/')
            c = L'\\';
    }
    return out;
}

std::wstring TrimTrailingSlashesAndSpaces(std::wstring_view path)
{
    std::size_t end = path.size();
    while (end > 0 && (path[end - 1] == L'/' || path[end - 1] == L'\\' || path[end - 1] == L' '))
        --end;
    return std::wstring(path.substr(0, end));
}

bool SameFolder(std::wstring_view a, std::wstring_view b)
{
    // Compared whole: cutting long paths to a fixed buffer would make two different folders
    // that share a long prefix look the same.
    return equalsIgnoreCase(TrimTrailingSlashesAndSpaces(toBackslashes(a)),
                            TrimTrailingSlashesAndSpaces(toBackslashes(b)));
}

bool isInsideFolder(std::wstring_view path, std::wstring_view folder)
{
    const std::wstring image = toBackslashes(path);
    const std::wstring base = TrimTrailingSlashesAndSpaces(toBackslashes(folder));
    if (!startsWithIgnoreCase(image, base))
        return false;
    return image.size() == base.size() || image[base.size()] == L'\\';
}

bool isUnsafeTarget(std::wstring_view folder)
{
    const std::wstring base = TrimTrailingSlashesAndSpaces(toBackslashes(folder));
    if (base.empty())
        return true;
    if (base.size() == 2 && base[1] == L':')
        return true;
    if (base.rfind(L"\\\\", 0) == 0) {
        // "\\server\share" and "\\?\C:" are roots; anything with a further separator is not.
        std::wstring_view rest = std::wstring_view(base).substr(2);
        const std::size_t first = rest.find(L'\\');
        if (first == std::wstring_view::npos)
            return true;
        rest = rest.substr(first + 1);
        if (rest.find(L'\\') == std::wstring_view::npos)
            return true;
        if (base.rfind(L"\\\\?\\", 0) == 0 || base.rfind(L"\\\\.\\", 0) == 0) {
            const std::wstring_view afterPrefix = std::wstring_view(base).substr(4);
            return afterPrefix.size() == 2 && afterPrefix[1] == L':';
        }
    }
    return false;
}

} // namespace uninstall
