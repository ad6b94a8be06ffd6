#include "productsearch.h"

#include "logger.h"
#include "pathcompare.h"
#include "platform.h"

#include <algorithm>
#include <array>

namespace uninstall {

namespace {

struct RegistryViewInfo
{
    RegistryRoot root;
    RegistryView view;
    const wchar_t *label;
};

constexpr std::array<RegistryViewInfo, 4> kViews = {{
    {RegistryRoot::LocalMachine, RegistryView::View64, L"HKLM/64"},
    {RegistryRoot::LocalMachine, RegistryView::View32, L"HKLM/32"},
    {RegistryRoot::CurrentUser, RegistryView::View64, L"HKCU/64"},
    {RegistryRoot::CurrentUser, RegistryView::View32, L"HKCU/32"},
}};

constexpr const wchar_t *kUninstallKey = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

} // namespace

ProductSearch::ProductSearch(Platform &platform, Logger &log)
    : m_platform(platform)
    , m_log(log)
{}

std::vector<std::wstring> ProductSearch::findByInstaller(const std::wstring &target)
{
    std::vector<std::wstring> found;
    int total = 0;
    m_log.LogLine(L"[msi-api] Ищем продукты с папкой: %s", {target});
    for (std::uint32_t index = 0;; ++index) {
        const std::optional<std::wstring> code = m_platform.installedProduct(index);
        if (!code)
            break;
        ++total;
        const std::optional<std::wstring> location = m_platform.productInstallLocation(*code);
        if (!location)
            continue;
        m_log.LogLine(L"[msi-api]   %ls  InstallLocation=\"%ls\"", {*code, *location});
        if (SameFolder(*location, target) && found.size() < kMaxProducts) {
            found.push_back(code->substr(0, kMaxCodeChars));
            m_log.LogLine(L"[msi-api]   СОВПАДЕНИЕ: %ls", {found.back()});
        }
    }
    m_log.LogLine(L"[msi-api] Всего продуктов: %d, совпадений: %d",
                  {total, static_cast<int>(found.size())});
    return found;
}

std::vector<std::wstring> ProductSearch::findInRegistry(const std::wstring &target)
{
    std::vector<std::wstring> found;
    m_log.LogLine(L"[reg] Запасной поиск в реестре для: %s", {target});
    for (const RegistryViewInfo &view : kViews) {
        if (found.size() >= kMaxProducts)
            break;
        const std::unique_ptr<RegistryKey> key =
            m_platform.openRegistryKey(view.root, view.view, kUninstallKey);
        if (!key)
            continue;
        for (std::uint32_t index = 0; found.size() < kMaxProducts; ++index) {
            const std::optional<std::wstring> name = key->subkeyName(index);
            if (!name)
                break;
            const std::wstring code = name->substr(0, kMaxCodeChars);
            const bool listed = std::any_of(found.begin(), found.end(), [&](const auto &known) {
                return equalsIgnoreCase(known, code);
            });
            if (listed)
                continue;
            const std::unique_ptr<RegistryKey> entry = key->openSubkey(*name);
            if (!entry)
                continue;
            const std::optional<std::wstring> location = entry->stringValue(L"InstallLocation");
            if (!location)
                continue;
            m_log.LogLine(L"[reg %ls]  %ls  InstallLocation=\"%ls\"",
                          {view.label, *name, *location});
            if (SameFolder(*location, target)) {
                found.push_back(code);
                m_log.LogLine(L"[reg %ls]  СОВПАДЕНИЕ: %ls", {view.label, code});
            }
        }
    }
    m_log.LogLine(L"[reg] Совпадений в реестре: %d", {static_cast<int>(found.size())});
    return found;
}

} // namespace uninstall
