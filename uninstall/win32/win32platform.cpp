#include "win32platform.h"

#include <windows.h>

#include <msi.h>
#include <shellapi.h>
#include <tlhelp32.h>

namespace uninstall {

namespace {

ErrorCode resultOf(BOOL ok)
{
    return ok ? 0 : static_cast<ErrorCode>(GetLastError());
}

class Win32RegistryKey final : public RegistryKey
{
public:
    Win32RegistryKey(HKEY key, REGSAM viewFlag)
        : m_key(key)
        , m_viewFlag(viewFlag)
    {}
    ~Win32RegistryKey() override { RegCloseKey(m_key); }
    Win32RegistryKey(const Win32RegistryKey &) = delete;
    Win32RegistryKey &operator=(const Win32RegistryKey &) = delete;

    std::optional<std::wstring> subkeyName(std::uint32_t index) override
    {
        wchar_t name[256];
        DWORD size = 256;
        if (RegEnumKeyExW(m_key, index, name, &size, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS)
            return std::nullopt;
        return std::wstring(name, size);
    }

    std::unique_ptr<RegistryKey> openSubkey(const std::wstring &name) override
    {
        HKEY sub = nullptr;
        if (RegOpenKeyExW(m_key, name.c_str(), 0, KEY_READ | m_viewFlag, &sub) != ERROR_SUCCESS)
            return nullptr;
        return std::make_unique<Win32RegistryKey>(sub, m_viewFlag);
    }

    std::optional<std::wstring> stringValue(const std::wstring &name) override
    {
        wchar_t buffer[1025] = {};
        DWORD type = 0;
        DWORD bytes = 2048;
        if (RegQueryValueExW(m_key, name.c_str(), nullptr, &type, reinterpret_cast<BYTE *>(buffer),
                             &bytes) != ERROR_SUCCESS ||
            type != REG_SZ)
            return std::nullopt;
        // The stored value need not end with a terminator.
        std::wstring value(buffer, bytes / sizeof(wchar_t));
        const std::size_t end = value.find(L'\0');
        if (end != std::wstring::npos)
            value.resize(end);
        return value;
    }

private:
    HKEY m_key;
    REGSAM m_viewFlag;
};

class Win32ProcessHandle final : public ProcessHandle
{
public:
    explicit Win32ProcessHandle(HANDLE handle)
        : m_handle(handle)
    {}
    ~Win32ProcessHandle() override { CloseHandle(m_handle); }
    Win32ProcessHandle(const Win32ProcessHandle &) = delete;
    Win32ProcessHandle &operator=(const Win32ProcessHandle &) = delete;

    std::optional<std::wstring> imagePath() override
    {
        std::wstring path(32768, L'\0');
        DWORD size = static_cast<DWORD>(path.size());
        if (!QueryFullProcessImageNameW(m_handle, 0, path.data(), &size))
            return std::nullopt;
        path.resize(size);
        return path;
    }

    bool terminate(std::uint32_t exitCode) override
    {
        return TerminateProcess(m_handle, exitCode) != FALSE;
    }

    void wait(std::uint32_t timeoutMs) override { WaitForSingleObject(m_handle, timeoutMs); }

private:
    HANDLE m_handle;
};

} // namespace

std::wstring Win32Platform::commandLine()
{
    return GetCommandLineW();
}

std::vector<std::wstring> Win32Platform::splitCommandLine(const std::wstring &commandLine)
{
    std::vector<std::wstring> arguments;
    int count = 0;
    LPWSTR *argv = CommandLineToArgvW(commandLine.c_str(), &count);
    if (!argv)
        return arguments;
    for (int i = 0; i < count; ++i)
        arguments.emplace_back(argv[i]);
    LocalFree(argv);
    return arguments;
}

std::wstring Win32Platform::ownExecutablePath()
{
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD size =
            GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (size == 0)
            return {};
        if (size < path.size()) {
            path.resize(size);
            return path;
        }
        path.resize(path.size() * 2);
    }
}

std::wstring Win32Platform::tempFolder()
{
    wchar_t buffer[MAX_PATH + 1];
    const DWORD size = GetTempPathW(MAX_PATH + 1, buffer);
    if (size == 0 || size > MAX_PATH)
        return {};
    return std::wstring(buffer, size);
}

ErrorCode Win32Platform::setCurrentDirectory(const std::wstring &path)
{
    return resultOf(SetCurrentDirectoryW(path.c_str()));
}

ErrorCode Win32Platform::copyFile(const std::wstring &from, const std::wstring &to)
{
    return resultOf(CopyFileW(from.c_str(), to.c_str(), FALSE));
}

ErrorCode Win32Platform::deleteFile(const std::wstring &path)
{
    return resultOf(DeleteFileW(path.c_str()));
}

ErrorCode Win32Platform::setNormalAttributes(const std::wstring &path)
{
    return resultOf(SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL));
}

ErrorCode Win32Platform::removeDirectory(const std::wstring &path)
{
    return resultOf(RemoveDirectoryW(path.c_str()));
}

std::vector<DirEntry> Win32Platform::listDirectory(const std::wstring &path)
{
    std::vector<DirEntry> entries;
    std::wstring pattern = path;
    if (!pattern.empty() && pattern.back() != L'\\' && pattern.back() != L'/')
        pattern += L'\\';
    pattern += L'*';
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW(pattern.c_str(), &data);
    if (find == INVALID_HANDLE_VALUE)
        return entries;
    do {
        const std::wstring name = data.cFileName;
        if (name == L"." || name == L"..")
            continue;
        DirEntry entry;
        entry.name = name;
        entry.isDirectory = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        entry.isLink = (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
        entries.push_back(std::move(entry));
    } while (FindNextFileW(find, &data));
    FindClose(find);
    return entries;
}

bool Win32Platform::appendToFile(const std::wstring &path, std::string_view bytes)
{
    HANDLE file = CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    const BOOL ok =
        WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
    return ok && written == bytes.size();
}

ErrorCode Win32Platform::startElevated(const std::wstring &program, const std::wstring &parameters)
{
    SHELLEXECUTEINFOW info = {};
    info.cbSize = sizeof(info);
    info.fMask = SEE_MASK_NOASYNC;
    info.lpVerb = L"runas";
    info.lpFile = program.c_str();
    info.lpParameters = parameters.c_str();
    info.nShow = SW_SHOWNORMAL;
    return resultOf(ShellExecuteExW(&info));
}

RunResult Win32Platform::runAndWait(const std::wstring &program, const std::wstring &parameters,
                                    ShowMode show, std::uint32_t timeoutMs)
{
    SHELLEXECUTEINFOW info = {};
    info.cbSize = sizeof(info);
    info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_NOASYNC;
    info.lpFile = program.c_str();
    info.lpParameters = parameters.c_str();
    info.nShow = show == ShowMode::Hidden ? SW_HIDE : SW_SHOWNORMAL;
    RunResult result;
    if (!ShellExecuteExW(&info)) {
        result.startError = static_cast<ErrorCode>(GetLastError());
        return result;
    }
    result.started = true;
    if (!info.hProcess)
        return result;
    WaitForSingleObject(info.hProcess, timeoutMs);
    DWORD exitCode = 0;
    if (GetExitCodeProcess(info.hProcess, &exitCode))
        result.exitCode = exitCode;
    CloseHandle(info.hProcess);
    return result;
}

std::optional<std::wstring> Win32Platform::installedProduct(std::uint32_t index)
{
    wchar_t code[39];
    if (MsiEnumProductsW(index, code) != ERROR_SUCCESS)
        return std::nullopt;
    return std::wstring(code);
}

std::optional<std::wstring> Win32Platform::productInstallLocation(const std::wstring &productCode)
{
    wchar_t location[1024];
    DWORD size = 1024;
    if (MsiGetProductInfoW(productCode.c_str(), INSTALLPROPERTY_INSTALLLOCATION, location, &size) !=
        ERROR_SUCCESS)
        return std::nullopt;
    return std::wstring(location, size);
}

std::unique_ptr<RegistryKey> Win32Platform::openRegistryKey(RegistryRoot root, RegistryView view,
                                                            const std::wstring &path)
{
    const HKEY rootKey =
        root == RegistryRoot::LocalMachine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
    const REGSAM viewFlag = view == RegistryView::View64 ? KEY_WOW64_64KEY : KEY_WOW64_32KEY;
    HKEY key = nullptr;
    if (RegOpenKeyExW(rootKey, path.c_str(), 0, KEY_READ | viewFlag, &key) != ERROR_SUCCESS)
        return nullptr;
    return std::make_unique<Win32RegistryKey>(key, viewFlag);
}

std::uint32_t Win32Platform::currentProcessId()
{
    return GetCurrentProcessId();
}

std::vector<ProcessEntry> Win32Platform::processes()
{
    std::vector<ProcessEntry> list;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
        return list;
    PROCESSENTRY32W entry = {};
    entry.dwSize = sizeof(entry);
    for (BOOL ok = Process32FirstW(snapshot, &entry); ok; ok = Process32NextW(snapshot, &entry))
        list.push_back({entry.th32ProcessID, entry.szExeFile});
    CloseHandle(snapshot);
    return list;
}

std::unique_ptr<ProcessHandle> Win32Platform::openProcess(std::uint32_t pid)
{
    HANDLE handle = OpenProcess(PROCESS_TERMINATE | PROCESS_QUERY_LIMITED_INFORMATION | SYNCHRONIZE,
                                FALSE, pid);
    if (!handle)
        return nullptr;
    return std::make_unique<Win32ProcessHandle>(handle);
}

void Win32Platform::messageBox(const std::wstring &text, const std::wstring &title,
                               MessageIcon icon)
{
    const UINT style = icon == MessageIcon::Error ? MB_ICONERROR : MB_ICONINFORMATION;
    MessageBoxW(nullptr, text.c_str(), title.c_str(), MB_OK | style);
}

void Win32Platform::sleep(std::uint32_t ms)
{
    Sleep(ms);
}

} // namespace uninstall
