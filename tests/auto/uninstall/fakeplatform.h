#pragma once

#include "platform.h"

#include <QString>

#include <functional>
#include <map>
#include <set>

// In-memory stand-in for Windows: a case-insensitive file system, Windows Installer products,
// the four registry views, a process list, and records of everything the uninstaller started,
// showed and slept.
class FakePlatform : public uninstall::Platform
{
public:
    struct Node
    {
        std::wstring path;
        bool isDirectory = false;
        bool isLink = false;
        bool readOnly = false;
        // Deleting or removing fails with this error while it is set.
        uninstall::ErrorCode lockedWith = 0;
    };
    struct Product
    {
        std::wstring code;
        std::optional<std::wstring> location;
    };
    struct RegistryEntry
    {
        std::wstring name;
        std::optional<std::wstring> location;
        bool plainString = true;
    };
    struct Process
    {
        std::uint32_t pid = 0;
        std::wstring exeName;
        std::optional<std::wstring> image;
        bool openable = true;
        bool terminated = false;
    };
    struct Started
    {
        std::wstring program;
        std::wstring parameters;
        uninstall::ShowMode show = uninstall::ShowMode::Normal;
        std::uint32_t timeoutMs = 0;
    };
    struct Box
    {
        std::wstring text;
        std::wstring title;
        uninstall::MessageIcon icon = uninstall::MessageIcon::Information;
    };

    FakePlatform();

    // File system set-up and queries.
    void addFolder(const std::wstring &path);
    void addFile(const std::wstring &path, bool readOnly = false);
    void lock(const std::wstring &path, uninstall::ErrorCode error);
    bool exists(const std::wstring &path) const;
    Node *node(const std::wstring &path);

    // The log file as written, decoded from UTF-8.
    QString log() const;
    std::wstring logPath() const;

    std::wstring m_commandLine;
    std::wstring m_exePath = L"C:\\Program Files\\Taviro\\uninstall.exe";
    std::wstring m_temp = L"C:\\Users\\pupil\\AppData\\Local\\Temp\\";
    std::wstring m_currentDirectory;
    int m_copyFailures = 0;
    uninstall::ErrorCode m_copyError = 32;
    uninstall::ErrorCode m_elevationError = 0;
    bool m_logWritable = true;
    std::map<std::wstring, std::string> m_files;

    std::vector<Product> m_products;
    std::map<std::pair<uninstall::RegistryRoot, uninstall::RegistryView>,
             std::vector<RegistryEntry>>
        m_registry;
    std::vector<Process> m_processes;
    std::uint32_t m_ownPid = 4242;

    // msiexec: exit code per product code, start errors per product code, and a hook run for a
    // started msiexec (for example to remove the installed files).
    std::map<std::wstring, std::uint32_t> m_msiexecExitCodes;
    std::map<std::wstring, uninstall::ErrorCode> m_msiexecStartErrors;
    std::set<std::wstring> m_msiexecNoExitCode;
    std::function<void(const std::wstring &code)> m_onMsiexec;

    std::vector<Started> m_elevated;
    std::vector<Started> m_ran;
    std::vector<Box> m_boxes;
    std::vector<std::uint32_t> m_sleeps;
    std::vector<std::wstring> m_deleted;

    // Platform
    std::wstring commandLine() override { return m_commandLine; }
    std::vector<std::wstring> splitCommandLine(const std::wstring &commandLine) override;
    std::wstring ownExecutablePath() override { return m_exePath; }
    std::wstring tempFolder() override { return m_temp; }
    uninstall::ErrorCode setCurrentDirectory(const std::wstring &path) override;
    uninstall::ErrorCode copyFile(const std::wstring &from, const std::wstring &to) override;
    uninstall::ErrorCode deleteFile(const std::wstring &path) override;
    uninstall::ErrorCode setNormalAttributes(const std::wstring &path) override;
    uninstall::ErrorCode removeDirectory(const std::wstring &path) override;
    std::vector<uninstall::DirEntry> listDirectory(const std::wstring &path) override;
    bool appendToFile(const std::wstring &path, std::string_view bytes) override;
    uninstall::ErrorCode startElevated(const std::wstring &program,
                                       const std::wstring &parameters) override;
    uninstall::RunResult runAndWait(const std::wstring &program, const std::wstring &parameters,
                                    uninstall::ShowMode show, std::uint32_t timeoutMs) override;
    std::optional<std::wstring> installedProduct(std::uint32_t index) override;
    std::optional<std::wstring> productInstallLocation(const std::wstring &productCode) override;
    std::unique_ptr<uninstall::RegistryKey> openRegistryKey(uninstall::RegistryRoot root,
                                                            uninstall::RegistryView view,
                                                            const std::wstring &path) override;
    std::uint32_t currentProcessId() override { return m_ownPid; }
    std::vector<uninstall::ProcessEntry> processes() override;
    std::unique_ptr<uninstall::ProcessHandle> openProcess(std::uint32_t pid) override;
    void messageBox(const std::wstring &text, const std::wstring &title,
                    uninstall::MessageIcon icon) override;
    void sleep(std::uint32_t ms) override { m_sleeps.push_back(ms); }

private:
    static std::wstring key(const std::wstring &path);
    static std::wstring parentKey(const std::wstring &key);
    std::map<std::wstring, Node> m_nodes;
};
