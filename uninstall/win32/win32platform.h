#pragma once

#include "platform.h"

namespace uninstall {

// The Platform over the Win32 API, Windows Installer and the shell.
class Win32Platform final : public Platform
{
public:
    std::wstring commandLine() override;
    std::vector<std::wstring> splitCommandLine(const std::wstring &commandLine) override;
    std::wstring ownExecutablePath() override;
    std::wstring tempFolder() override;
    ErrorCode setCurrentDirectory(const std::wstring &path) override;

    ErrorCode copyFile(const std::wstring &from, const std::wstring &to) override;
    ErrorCode deleteFile(const std::wstring &path) override;
    ErrorCode setNormalAttributes(const std::wstring &path) override;
    ErrorCode removeDirectory(const std::wstring &path) override;
    std::vector<DirEntry> listDirectory(const std::wstring &path) override;
    bool appendToFile(const std::wstring &path, std::string_view bytes) override;

    ErrorCode startElevated(const std::wstring &program, const std::wstring &parameters) override;
    RunResult runAndWait(const std::wstring &program, const std::wstring &parameters, ShowMode show,
                         std::uint32_t timeoutMs) override;

    std::optional<std::wstring> installedProduct(std::uint32_t index) override;
    std::optional<std::wstring> productInstallLocation(const std::wstring &productCode) override;

    std::unique_ptr<RegistryKey> openRegistryKey(RegistryRoot root, RegistryView view,
                                                 const std::wstring &path) override;

    std::uint32_t currentProcessId() override;
    std::vector<ProcessEntry> processes() override;
    std::unique_ptr<ProcessHandle> openProcess(std::uint32_t pid) override;

    void messageBox(const std::wstring &text, const std::wstring &title, MessageIcon icon) override;
    void sleep(std::uint32_t ms) override;
};

} // namespace uninstall
