#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace uninstall {

// Windows error code; 0 means success.
using ErrorCode = std::uint32_t;

inline constexpr ErrorCode kErrorFileNotFound = 2;
inline constexpr ErrorCode kErrorPathNotFound = 3;
inline constexpr ErrorCode kErrorAccessDenied = 5;
inline constexpr ErrorCode kErrorDirNotEmpty = 145;
inline constexpr ErrorCode kErrorCancelled = 1223;

struct DirEntry
{
    std::wstring name;
    bool isDirectory = false;
    // Junctions and symbolic links: removed as entries, never walked into.
    bool isLink = false;
};

struct ProcessEntry
{
    std::uint32_t pid = 0;
    std::wstring exeName;
};

enum class RegistryRoot
{
    LocalMachine,
    CurrentUser
};
enum class RegistryView
{
    View64,
    View32
};
enum class MessageIcon
{
    Information,
    Error
};
enum class ShowMode
{
    Normal,
    Hidden
};

class RegistryKey
{
public:
    virtual ~RegistryKey() = default;
    // Name of the subkey at index (up to 255 characters); nullopt once the index runs out.
    virtual std::optional<std::wstring> subkeyName(std::uint32_t index) = 0;
    virtual std::unique_ptr<RegistryKey> openSubkey(const std::wstring &name) = 0;
    // A plain string value (no expandable or other types) of at most 2048 bytes.
    virtual std::optional<std::wstring> stringValue(const std::wstring &name) = 0;
};

class ProcessHandle
{
public:
    virtual ~ProcessHandle() = default;
    virtual std::optional<std::wstring> imagePath() = 0;
    virtual bool terminate(std::uint32_t exitCode) = 0;
    virtual void wait(std::uint32_t timeoutMs) = 0;
};

struct RunResult
{
    bool started = false;
    ErrorCode startError = 0;
    // Empty when the exit code could not be read.
    std::optional<std::uint32_t> exitCode;
};

// Every operating system service the uninstaller needs. The Win32 layer implements it for real;
// tests use an in-memory fake.
class Platform
{
public:
    virtual ~Platform() = default;

    virtual std::wstring commandLine() = 0;
    virtual std::vector<std::wstring> splitCommandLine(const std::wstring &commandLine) = 0;
    virtual std::wstring ownExecutablePath() = 0;
    // Ends with a separator.
    virtual std::wstring tempFolder() = 0;
    virtual ErrorCode setCurrentDirectory(const std::wstring &path) = 0;

    virtual ErrorCode copyFile(const std::wstring &from, const std::wstring &to) = 0;
    virtual ErrorCode deleteFile(const std::wstring &path) = 0;
    virtual ErrorCode setNormalAttributes(const std::wstring &path) = 0;
    virtual ErrorCode removeDirectory(const std::wstring &path) = 0;
    // Entries other than "." and ".."; empty when the folder cannot be listed.
    virtual std::vector<DirEntry> listDirectory(const std::wstring &path) = 0;
    // Opens for appending, writes, closes; false when the file cannot be opened.
    virtual bool appendToFile(const std::wstring &path, std::string_view bytes) = 0;

    // Starts with the "runas" verb, shown normally, without waiting.
    virtual ErrorCode startElevated(const std::wstring &program,
                                    const std::wstring &parameters) = 0;
    virtual RunResult runAndWait(const std::wstring &program, const std::wstring &parameters,
                                 ShowMode show, std::uint32_t timeoutMs) = 0;

    // Product code at index; nullopt once enumeration fails.
    virtual std::optional<std::wstring> installedProduct(std::uint32_t index) = 0;
    virtual std::optional<std::wstring> productInstallLocation(const std::wstring &productCode) = 0;

    virtual std::unique_ptr<RegistryKey> openRegistryKey(RegistryRoot root, RegistryView view,
                                                         const std::wstring &path) = 0;

    virtual std::uint32_t currentProcessId() = 0;
    virtual std::vector<ProcessEntry> processes() = 0;
    // Opened for termination and limited query; null when that is refused.
    virtual std::unique_ptr<ProcessHandle> openProcess(std::uint32_t pid) = 0;

    virtual void messageBox(const std::wstring &text, const std::wstring &title,
                            MessageIcon icon) = 0;
    virtual void sleep(std::uint32_t ms) = 0;
};

} // namespace uninstall
