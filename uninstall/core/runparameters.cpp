#include "runparameters.h"

#include "pathcompare.h"

namespace uninstall {

RunParameters RunParameters::parse(const std::vector<std::wstring> &arguments)
{
    static constexpr std::wstring_view productPrefix = L"--product=";
    static constexpr std::wstring_view targetPrefix = L"--target=";

    RunParameters result;
    for (std::size_t i = 1; i < arguments.size(); ++i) {
        const std::wstring &arg = arguments[i];
        if (equalsIgnoreCase(arg, L"/S") || equalsIgnoreCase(arg, L"/silent")) {
            result.silent = true;
        } else if (startsWithIgnoreCase(arg, productPrefix)) {
            result.product = arg.substr(productPrefix.size(), kMaxProductChars);
        } else if (startsWithIgnoreCase(arg, targetPrefix)) {
            result.target = arg.substr(targetPrefix.size(), kMaxTargetChars);
            result.hasTarget = true;
        }
    }
    return result;
}

} // namespace uninstall
