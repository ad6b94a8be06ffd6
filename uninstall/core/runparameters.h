#pragma once

#include <string>
#include <vector>

namespace uninstall {

struct RunParameters
{
    static constexpr std::size_t kMaxProductChars = 38;
    static constexpr std::size_t kMaxTargetChars = 259;

    bool silent = false;
    std::wstring product;
    std::wstring target;
    // A target makes this run the worker copy.
    bool hasTarget = false;

    // arguments as split by the system, the program path first.
    static RunParameters parse(const std::vector<std::wstring> &arguments);
};

} // namespace uninstall
