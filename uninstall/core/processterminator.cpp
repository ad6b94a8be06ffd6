#include "processterminator.h"

#include "logger.h"
#include "pathcompare.h"
#include "platform.h"

namespace uninstall {

ProcessTerminator::ProcessTerminator(Platform &platform, Logger &log)
    : m_platform(platform)
    , m_log(log)
{}

int ProcessTerminator::endProcessesIn(const std::wstring &folder)
{
    const std::uint32_t self = m_platform.currentProcessId();
    int ended = 0;
    for (const ProcessEntry &process : m_platform.processes()) {
        if (process.pid == 0 || process.pid == self)
            continue;
        const std::unique_ptr<ProcessHandle> handle = m_platform.openProcess(process.pid);
        if (!handle)
            continue;
        const std::optional<std::wstring> image = handle->imagePath();
        if (!image || !isInsideFolder(*image, folder))
            continue;
        m_log.LogLine(L"[kill] Завершаю процесс %ls (pid %lu): %ls",
                      {process.exeName, process.pid, *image});
        if (handle->terminate(0)) {
            handle->wait(kWaitMs);
            ++ended;
        }
    }
    return ended;
}

} // namespace uninstall
