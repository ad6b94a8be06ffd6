#pragma once

#include <string>
#include <vector>

namespace uninstall {

class Logger;
class Platform;

// Finds the product codes whose install location is a given folder: first through Windows
// Installer, then through the Uninstall keys of the registry.
class ProductSearch
{
public:
    static constexpr std::size_t kMaxProducts = 16;
    static constexpr std::size_t kMaxCodeChars = 38;

    ProductSearch(Platform &platform, Logger &log);

    std::vector<std::wstring> findByInstaller(const std::wstring &target);
    std::vector<std::wstring> findInRegistry(const std::wstring &target);

private:
    Platform &m_platform;
    Logger &m_log;
};

} // namespace uninstall
