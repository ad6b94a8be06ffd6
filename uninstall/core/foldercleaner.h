#pragma once

#include "platform.h"

#include <string>
#include <vector>

namespace uninstall {

class Logger;

// Removes what is left of the install folder. Only empty folders, the shell's desktop.ini and,
// in a folder holding nothing else, the uninstaller itself are ever deleted.
class FolderCleaner
{
public:
    FolderCleaner(Platform &platform, Logger &log);

    // Removes folder and every empty folder below it; with listRemaining, logs what keeps it.
    bool RemoveEmptyDirsRec(const std::wstring &folder, bool listRemaining);

    // The folder holds at least one entry, no subfolder, and only desktop.ini and
    // uninstall*.exe files.
    static bool holdsOnlyUninstaller(const std::vector<DirEntry> &entries);
    // Deletes the files of a folder that holdsOnlyUninstaller() and the folder; true when the
    // folder is gone.
    bool selfClean(const std::wstring &folder);

private:
    static bool holdsOnlyDesktopIni(const std::vector<DirEntry> &entries);
    void logRemaining(const std::wstring &folder);

    Platform &m_platform;
    Logger &m_log;
};

} // namespace uninstall
