#pragma once

#include <cstdint>
#include <string>

namespace uninstall {

class Logger;
class Platform;

// Ends every process whose executable lies in the install folder, so that the installer can
// replace or delete the files and the folder can go.
class ProcessTerminator
{
public:
    static constexpr std::uint32_t kWaitMs = 3000;

    ProcessTerminator(Platform &platform, Logger &log);

    // Returns how many processes were ended.
    int endProcessesIn(const std::wstring &folder);

private:
    Platform &m_platform;
    Logger &m_log;
};

} // namespace uninstall
