#include "foldercleaner.h"

#include "logger.h"
#include "pathcompare.h"

#include <algorithm>

namespace uninstall {

namespace {

constexpr std::wstring_view kDesktopIni = L"desktop.ini";

bool isDesktopIni(const DirEntry &entry)
{
    return !entry.isDirectory && equalsIgnoreCase(entry.name, kDesktopIni);
}

bool isUninstaller(const DirEntry &entry)
{
    return !entry.isDirectory && entry.name.size() > 4 &&
           startsWithIgnoreCase(entry.name, L"uninstall") &&
           endsWithIgnoreCase(entry.name, L".exe");
}

} // namespace

FolderCleaner::FolderCleaner(Platform &platform, Logger &log)
    : m_platform(platform)
    , m_log(log)
{}

bool FolderCleaner::RemoveEmptyDirsRec(const std::wstring &folder, bool listRemaining)
{
    for (const DirEntry &entry : m_platform.listDirectory(folder)) {
        // A link's target lies elsewhere; its folders are not ours to remove.
        if (entry.isDirectory && !entry.isLink)
            RemoveEmptyDirsRec(joinPath(folder, entry.name), false);
    }

    m_platform.setNormalAttributes(folder);
    ErrorCode error = m_platform.removeDirectory(folder);
    if (error == 0) {
        m_log.LogLine(L"[cleanup] Удалена пустая папка: %ls", {folder});
        return true;
    }
    if (error == kErrorFileNotFound || error == kErrorPathNotFound) {
        // The installer usually takes the folder with it; there is nothing left to retry.
        m_log.LogLine(L"[cleanup] Папка уже удалена: %ls", {folder});
        return true;
    }

    if (error == kErrorDirNotEmpty || error == kErrorAccessDenied) {
        const std::vector<DirEntry> entries = m_platform.listDirectory(folder);
        if (holdsOnlyDesktopIni(entries)) {
            bool deleted = true;
            for (const DirEntry &entry : entries) {
                const std::wstring path = joinPath(folder, entry.name);
                m_platform.setNormalAttributes(path);
                deleted = m_platform.deleteFile(path) == 0 && deleted;
            }
            if (deleted) {
                m_log.LogLine(L"[cleanup] Удалён служебный desktop.ini из %ls", {folder});
                error = m_platform.removeDirectory(folder);
                if (error == 0) {
                    m_log.LogLine(L"[cleanup] Удалена пустая папка: %ls", {folder});
                    return true;
                }
            }
        }
    }

    m_log.LogLine(L"[cleanup] Папка НЕ удалена: %ls (ошибка %lu)", {folder, error});
    if (listRemaining)
        logRemaining(folder);
    return false;
}

bool FolderCleaner::holdsOnlyUninstaller(const std::vector<DirEntry> &entries)
{
    return !entries.empty() && std::all_of(entries.begin(), entries.end(), [](const auto &entry) {
        return isDesktopIni(entry) || isUninstaller(entry);
    });
}

bool FolderCleaner::selfClean(const std::wstring &folder)
{
    m_log.LogLine(L"[selfclean] Продукт уже удалён, в папке только деинсталлятор — стираю: %ls",
                  {folder});
    for (const DirEntry &entry : m_platform.listDirectory(folder)) {
        // Listed again to act on what is there now; anything else is never deleted.
        if (!isDesktopIni(entry) && !isUninstaller(entry))
            continue;
        const std::wstring path = joinPath(folder, entry.name);
        m_platform.setNormalAttributes(path);
        const ErrorCode error = m_platform.deleteFile(path);
        if (error == 0)
            m_log.LogLine(L"[selfclean] Удалён файл: %ls", {path});
        else
            m_log.LogLine(L"[selfclean] Не удалось удалить файл %ls (ошибка %lu)", {path, error});
    }
    m_platform.setNormalAttributes(folder);
    const ErrorCode error = m_platform.removeDirectory(folder);
    if (error == 0) {
        m_log.LogLine(L"[selfclean] Папка удалена: %ls", {folder});
        return true;
    }
    m_log.LogLine(L"[selfclean] Папка НЕ удалена: %ls (ошибка %lu)", {folder, error});
    return false;
}

bool FolderCleaner::holdsOnlyDesktopIni(const std::vector<DirEntry> &entries)
{
    return !entries.empty() && std::all_of(entries.begin(), entries.end(), isDesktopIni);
}

void FolderCleaner::logRemaining(const std::wstring &folder)
{
    m_log.LogLine(L"[cleanup] Оставшееся содержимое %ls:", {folder});
    for (const DirEntry &entry : m_platform.listDirectory(folder))
        m_log.LogLine(L"[cleanup]   %ls %ls",
                      {entry.isDirectory ? L"<DIR> " : L"      ", entry.name});
}

} // namespace uninstall
