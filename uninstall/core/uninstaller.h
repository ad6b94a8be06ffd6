#pragma once

#include "logger.h"
#include "runparameters.h"

#include <string>

namespace uninstall {

class Platform;

// The whole run: started from the install folder it hands the work to an elevated copy in the
// temporary folder (launcher); that copy, given the folder with --target=, finds and removes the
// product and cleans up (worker).
class Uninstaller
{
public:
    static constexpr int kExitOk = 0;
    static constexpr int kExitFailed = 2;
    static constexpr std::uint32_t kMsiexecTimeoutMs = 600000;
    static constexpr int kCleanupAttempts = 5;

    explicit Uninstaller(Platform &platform);

    // Returns the process exit code.
    int run();

    static std::wstring logPath(const std::wstring &tempFolder);
    static std::wstring workerPath(const std::wstring &tempFolder);
    static std::wstring notFoundMessage(const std::wstring &tempFolder);

private:
    int runLauncher(const RunParameters &params);
    int runWorker(const RunParameters &params);
    std::vector<std::wstring> findProducts(const RunParameters &params);
    void removeProducts(const std::vector<std::wstring> &products, bool silent);
    void cleanUp(const std::wstring &target);

    Platform &m_platform;
    std::wstring m_tempFolder;
    Logger m_log;
};

} // namespace uninstall
