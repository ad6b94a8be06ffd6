// The installer's close helper: a custom action that runs before Windows Installer replaces or
// removes the product's files, and closes every program running from the installation folder.
// Each is asked as Windows asks at a logoff and as the Restart Manager asks before an update
// (WM_QUERYENDSESSION, then WM_ENDSESSION, with ENDSESSION_CLOSEAPP), so that the editor saves
// the user's work on its way out; what has not ended after a while, or has no window this step
// can reach (taviroc, taviro-sim, a program in another session), is ended, as uninstall.exe
// ends it. Where the Restart Manager acts it has closed them already. The steps are written to
// the installer's log.

#include "pathcompare.h"

#include <windows.h>

#include <msi.h>
#include <msiquery.h>
#include <tlhelp32.h>

#include <string>
#include <vector>

namespace {

// How long a window may take to answer each of the two messages.
constexpr UINT kAnswerMs = 5000;
// How long the programs asked may take to end, all together.
constexpr DWORD kClosingMs = 20000;
constexpr DWORD kEndedMs = 3000;

void log(MSIHANDLE install, const std::wstring &text)
{
    PMSIHANDLE record = MsiCreateRecord(0);
    const std::wstring line = L"CloseRunningPrograms: " + text;
    MsiRecordSetStringW(record, 0, line.c_str());
    MsiProcessMessage(install, INSTALLMESSAGE_INFO, record);
}

std::wstring property(MSIHANDLE install, const wchar_t *name)
{
    wchar_t empty[1] = L"";
    DWORD size = 0;
    if (MsiGetPropertyW(install, name, empty, &size) != ERROR_MORE_DATA)
        return {};
    std::wstring value(++size, L'\0');
    if (MsiGetPropertyW(install, name, value.data(), &size) != ERROR_SUCCESS)
        return {};
    value.resize(size);
    return value;
}

struct Running
{
    DWORD pid = 0;
    std::wstring image;
    HANDLE process = nullptr;
    int windowsAsked = 0;
};

std::vector<Running> runningFrom(const std::wstring &folder)
{
    std::vector<Running> found;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
        return found;
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    const DWORD self = GetCurrentProcessId();
    for (BOOL more = Process32FirstW(snapshot, &entry); more;
         more = Process32NextW(snapshot, &entry)) {
        if (entry.th32ProcessID == 0 || entry.th32ProcessID == self)
            continue;
        HANDLE process =
            OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION | PROCESS_TERMINATE | SYNCHRONIZE, FALSE,
                        entry.th32ProcessID);
        if (!process)
            continue;
        wchar_t image[MAX_PATH * 2];
        DWORD size = MAX_PATH * 2;
        if (QueryFullProcessImageNameW(process, 0, image, &size) &&
            uninstall::isInsideFolder(image, folder)) {
            found.push_back({entry.th32ProcessID, image, process});
        } else {
            CloseHandle(process);
        }
    }
    CloseHandle(snapshot);
    return found;
}

BOOL CALLBACK askWindow(HWND window, LPARAM parameter)
{
    auto *running = reinterpret_cast<Running *>(parameter);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner != running->pid)
        return TRUE;
    ++running->windowsAsked;
    DWORD_PTR mayEnd = FALSE;
    const LPARAM closeApp = ENDSESSION_CLOSEAPP;
    if (SendMessageTimeoutW(window, WM_QUERYENDSESSION, 0, closeApp, SMTO_ABORTIFHUNG, kAnswerMs,
                            &mayEnd)) {
        DWORD_PTR ignored = 0;
        SendMessageTimeoutW(window, WM_ENDSESSION, mayEnd ? TRUE : FALSE, closeApp,
                            SMTO_ABORTIFHUNG, kAnswerMs, &ignored);
    }
    return TRUE;
}

BOOL CALLBACK listDesktop(LPWSTR name, LPARAM parameter)
{
    reinterpret_cast<std::vector<std::wstring> *>(parameter)->push_back(name);
    return TRUE;
}

// Asks the windows of a program on every desktop of this window station: the installer may run
// on another desktop than the program (wine gives "explorer /desktop" one of its own).
void askToClose(Running &program)
{
    std::vector<std::wstring> desktops;
    EnumDesktopsW(GetProcessWindowStation(), listDesktop, reinterpret_cast<LPARAM>(&desktops));
    for (const std::wstring &name : desktops) {
        HDESK desktop =
            OpenDesktopW(name.c_str(), 0, FALSE, DESKTOP_READOBJECTS | DESKTOP_ENUMERATE);
        if (!desktop)
            continue;
        EnumDesktopWindows(desktop, askWindow, reinterpret_cast<LPARAM>(&program));
        CloseDesktop(desktop);
    }
    if (desktops.empty())
        EnumWindows(askWindow, reinterpret_cast<LPARAM>(&program));
}

} // namespace

extern "C" __declspec(dllexport) UINT __stdcall CloseRunningPrograms(MSIHANDLE install)
{
    const std::wstring folder = property(install, L"INSTALLDIR");
    if (uninstall::isUnsafeTarget(folder)) {
        log(install, L"no installation folder, nothing to close");
        return ERROR_SUCCESS;
    }
    std::vector<Running> running = runningFrom(folder);
    for (Running &program : running) {
        askToClose(program);
        log(install, L"asked " + program.image + L" (pid " + std::to_wstring(program.pid) +
                         L") to close, " + std::to_wstring(program.windowsAsked) + L" windows");
    }
    const ULONGLONG deadline = GetTickCount64() + kClosingMs;
    for (Running &program : running) {
        const ULONGLONG now = GetTickCount64();
        const DWORD wait =
            program.windowsAsked == 0 || now >= deadline ? 0 : static_cast<DWORD>(deadline - now);
        if (WaitForSingleObject(program.process, wait) == WAIT_OBJECT_0) {
            log(install, L"closed: " + program.image);
        } else if (TerminateProcess(program.process, 0)) {
            WaitForSingleObject(program.process, kEndedMs);
            log(install, L"ended: " + program.image);
        } else {
            log(install,
                L"cannot end " + program.image + L", error " + std::to_wstring(GetLastError()));
        }
        CloseHandle(program.process);
    }
    return ERROR_SUCCESS;
}
