#include "uninstaller.h"

#include "foldercleaner.h"
#include "pathcompare.h"
#include "platform.h"
#include "processterminator.h"
#include "productsearch.h"

namespace uninstall {

namespace {

constexpr const wchar_t *kTitle = L"Удаление программы";
constexpr std::size_t kMaxMessageChars = 1023;

} // namespace

Uninstaller::Uninstaller(Platform &platform)
    : m_platform(platform)
    , m_tempFolder(platform.tempFolder())
    , m_log(platform, logPath(m_tempFolder))
{}

std::wstring Uninstaller::logPath(const std::wstring &tempFolder)
{
    return tempFolder + L"TavUninstall.log";
}

std::wstring Uninstaller::workerPath(const std::wstring &tempFolder)
{
    return tempFolder + L"TavUninstall_worker.exe";
}

std::wstring Uninstaller::notFoundMessage(const std::wstring &tempFolder)
{
    static constexpr std::wstring_view format =
        L"Установленная программа в этой папке не найдена.\r\n"
        L"\r\n"
        L"Возможные причины:\r\n"
        L"  1. В MSI не добавлено SetProperty ARPINSTALLLOCATION\r\n"
        L"     (MSI не сохраняет папку установки по умолчанию);\r\n"
        L"  2. Программа уже удалена.\r\n"
        L"\r\n"
        L"Диагностика: %lsTavUninstall.log\r\n"
        L"\r\n"
        L"Если программа точно установлена, удалите её так:\r\n"
        L"  uninstall.exe --product={GUID}\r\n"
        L"(GUID — из «Установка и удаление программ», строка UninstallString),\r\n"
        L"или через «Установку и удаление программ».";
    return formatText(format, {tempFolder}, kMaxMessageChars);
}

int Uninstaller::run()
{
    m_log.LogLine(L"==================================================");
    const std::wstring commandLine = m_platform.commandLine();
    m_log.LogLine(L"Запуск uninstall.exe v6 (Аргументы: %ls)", {commandLine});
    const RunParameters params = RunParameters::parse(m_platform.splitCommandLine(commandLine));
    return params.hasTarget ? runWorker(params) : runLauncher(params);
}

int Uninstaller::runLauncher(const RunParameters &params)
{
    const std::wstring self = m_platform.ownExecutablePath();
    const std::size_t separator = self.rfind(L'\\');
    const std::wstring target =
        separator == std::wstring::npos ? std::wstring() : self.substr(0, separator);

    const std::wstring copy = workerPath(m_tempFolder);
    if (m_platform.copyFile(self, copy) != 0) {
        // A copy left by an earlier run may be read-only or half written.
        m_platform.deleteFile(copy);
        const ErrorCode error = m_platform.copyFile(self, copy);
        if (error != 0) {
            m_log.LogLine(L"Не удалось создать копию в %ls, ошибка %lu", {copy, error});
            return kExitFailed;
        }
    }

    std::wstring parameters = L"--target=\"" + target + L"\"";
    if (params.silent)
        parameters += L" /S";
    // The product goes on unquoted, so it is cut at the first blank or quote: otherwise the text
    // could smuggle switches, such as another --target, into the elevated copy.
    const std::wstring product = params.product.substr(0, params.product.find_first_of(L" \t\""));
    if (!product.empty())
        parameters += formatText(L" --product=%ls", {product}, 1023);

    m_log.LogLine(L"Передаю работу копии: %ls %ls", {copy, parameters});
    const ErrorCode error = m_platform.startElevated(copy, parameters);
    if (error == 0)
        return kExitOk;

    m_log.LogLine(L"Не удалось запустить копию, ошибка %lu (UAC отклонён?)", {error});
    if (!params.silent && error != kErrorCancelled) {
        m_platform.messageBox(L"Не удалось запустить удаление (нет прав администратора).\r\n"
                              L"Подробности: %TEMP%\\TavUninstall.log",
                              kTitle, MessageIcon::Error);
    }
    return kExitOk;
}

int Uninstaller::runWorker(const RunParameters &params)
{
    const std::wstring &target = params.target;
    m_log.LogLine(L"Рабочая копия из %%TEMP%%. Целевая папка: %ls", {target});
    m_platform.setCurrentDirectory(m_tempFolder);

    const bool unsafeTarget = isUnsafeTarget(target);
    if (unsafeTarget) {
        m_log.LogLine(L"Целевая папка пуста или является корнем диска: процессы не завершаются, "
                      L"папки не удаляются.");
    }

    const std::vector<std::wstring> products = findProducts(params);
    if (products.empty()) {
        FolderCleaner cleaner(m_platform, m_log);
        if (!unsafeTarget &&
            FolderCleaner::holdsOnlyUninstaller(m_platform.listDirectory(target)) &&
            cleaner.selfClean(target)) {
            m_log.LogLine(L"ИТОГ: продукт не найден, оставшаяся папка зачищена.");
            return kExitOk;
        }
        m_log.LogLine(L"ИТОГ: продукт не найден. Тихий режим: %d", {params.silent ? 1 : 0});
        if (!params.silent)
            m_platform.messageBox(notFoundMessage(m_tempFolder), kTitle, MessageIcon::Information);
        return kExitFailed;
    }

    m_log.LogLine(L"Найдено продуктов для удаления: %d", {static_cast<int>(products.size())});
    if (!unsafeTarget)
        ProcessTerminator(m_platform, m_log).endProcessesIn(target);
    removeProducts(products, params.silent);
    if (!unsafeTarget)
        cleanUp(target);
    m_log.LogLine(L"ИТОГ: обработка завершена.");
    return kExitOk;
}

std::vector<std::wstring> Uninstaller::findProducts(const RunParameters &params)
{
    if (!params.product.empty() && params.product.front() == L'{') {
        m_log.LogLine(L"ProductCode задан явно: %ls", {params.product});
        return {params.product};
    }
    ProductSearch search(m_platform, m_log);
    std::vector<std::wstring> products = search.findByInstaller(params.target);
    if (products.empty())
        products = search.findInRegistry(params.target);
    return products;
}

void Uninstaller::removeProducts(const std::vector<std::wstring> &products, bool silent)
{
    for (const std::wstring &code : products) {
        const std::wstring parameters = formatText(L"/x%s%s", {code, silent ? L" /qn" : L""}, 1023);
        m_log.LogLine(L"[msiexec] Запускаю: msiexec.exe %ls", {parameters});
        const RunResult result =
            m_platform.runAndWait(L"msiexec.exe", parameters,
                                  silent ? ShowMode::Hidden : ShowMode::Normal, kMsiexecTimeoutMs);
        if (!result.started) {
            m_log.LogLine(L"[msiexec] Не удалось запустить, ошибка %u", {result.startError});
            continue;
        }
        m_log.LogLine(L"[msiexec] %ls завершился с кодом %lu",
                      {code, result.exitCode.value_or(0xFFFFFFFFu)});
    }
}

void Uninstaller::cleanUp(const std::wstring &target)
{
    // The installer's own processes may still be letting go of the folder.
    m_platform.sleep(1000);
    FolderCleaner cleaner(m_platform, m_log);
    for (int attempt = 1; attempt <= kCleanupAttempts; ++attempt) {
        if (cleaner.RemoveEmptyDirsRec(target, attempt == kCleanupAttempts))
            break;
        m_log.LogLine(L"[cleanup] Попытка %d не удалась, повтор через 2 с…", {attempt});
        m_platform.sleep(2000);
    }
}

} // namespace uninstall
