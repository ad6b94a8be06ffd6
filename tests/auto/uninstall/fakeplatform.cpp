#include "fakeplatform.h"

#include "pathcompare.h"

#include <QString>

using namespace uninstall;

namespace {

class FakeRegistryKey : public RegistryKey
{
public:
    explicit FakeRegistryKey(const std::vector<FakePlatform::RegistryEntry> *entries,
                             const FakePlatform::RegistryEntry *entry = nullptr)
        : m_entries(entries)
        , m_entry(entry)
    {}

    std::optional<std::wstring> subkeyName(std::uint32_t index) override
    {
        if (m_entry || index >= m_entries->size())
            return std::nullopt;
        return (*m_entries)[index].name;
    }

    std::unique_ptr<RegistryKey> openSubkey(const std::wstring &name) override
    {
        for (const auto &entry : *m_entries) {
            if (equalsIgnoreCase(entry.name, name))
                return std::make_unique<FakeRegistryKey>(m_entries, &entry);
        }
        return nullptr;
    }

    std::optional<std::wstring> stringValue(const std::wstring &name) override
    {
        if (!m_entry || name != L"InstallLocation" || !m_entry->plainString)
            return std::nullopt;
        return m_entry->location;
    }

private:
    const std::vector<FakePlatform::RegistryEntry> *m_entries;
    const FakePlatform::RegistryEntry *m_entry;
};

class FakeProcessHandle : public ProcessHandle
{
public:
    explicit FakeProcessHandle(FakePlatform::Process &process)
        : m_process(process)
    {}
    std::optional<std::wstring> imagePath() override { return m_process.image; }
    bool terminate(std::uint32_t) override
    {
        m_process.terminated = true;
        return true;
    }
    void wait(std::uint32_t) override {}

private:
    FakePlatform::Process &m_process;
};

} // namespace

FakePlatform::FakePlatform()
{
    addFolder(L"C:\\Users\\pupil\\AppData\\Local\\Temp");
}

std::wstring FakePlatform::key(const std::wstring &path)
{
    std::wstring k = TrimTrailingSlashesAndSpaces(toBackslashes(path));
    for (wchar_t &c : k)
        c = foldCase(c);
    return k;
}

std::wstring FakePlatform::parentKey(const std::wstring &key)
{
    const std::size_t separator = key.rfind(L'\\');
    return separator == std::wstring::npos ? std::wstring() : key.substr(0, separator);
}

void FakePlatform::addFolder(const std::wstring &path)
{
    std::wstring k = key(path);
    while (!k.empty() && !m_nodes.count(k)) {
        m_nodes[k] = Node{path.substr(0, k.size()), true};
        k = parentKey(k);
    }
}

void FakePlatform::addFile(const std::wstring &path, bool readOnly)
{
    addFolder(path.substr(0, path.rfind(L'\\')));
    m_nodes[key(path)] = Node{path, false, false, readOnly};
}

void FakePlatform::lock(const std::wstring &path, ErrorCode error)
{
    if (Node *n = node(path))
        n->lockedWith = error;
}

bool FakePlatform::exists(const std::wstring &path) const
{
    return m_nodes.count(key(path)) != 0;
}

FakePlatform::Node *FakePlatform::node(const std::wstring &path)
{
    auto it = m_nodes.find(key(path));
    return it == m_nodes.end() ? nullptr : &it->second;
}

std::wstring FakePlatform::logPath() const
{
    return m_temp + L"TavUninstall.log";
}

QString FakePlatform::log() const
{
    auto it = m_files.find(logPath());
    return it == m_files.end() ? QString() : QString::fromStdString(it->second);
}

std::vector<std::wstring> FakePlatform::splitCommandLine(const std::wstring &commandLine)
{
    std::vector<std::wstring> arguments;
    std::wstring current;
    bool quoted = false;
    bool any = false;
    for (wchar_t c : commandLine) {
        if (c == L'"') {
            quoted = !quoted;
            any = true;
        } else if (c == L' ' && !quoted) {
            if (any)
                arguments.push_back(current);
            current.clear();
            any = false;
        } else {
            current += c;
            any = true;
        }
    }
    if (any)
        arguments.push_back(current);
    return arguments;
}

ErrorCode FakePlatform::setCurrentDirectory(const std::wstring &path)
{
    m_currentDirectory = path;
    return 0;
}

ErrorCode FakePlatform::copyFile(const std::wstring &, const std::wstring &to)
{
    if (m_copyFailures > 0) {
        --m_copyFailures;
        return m_copyError;
    }
    addFile(to);
    return 0;
}

ErrorCode FakePlatform::deleteFile(const std::wstring &path)
{
    Node *n = node(path);
    if (!n || n->isDirectory)
        return kErrorFileNotFound;
    if (n->lockedWith)
        return n->lockedWith;
    if (n->readOnly)
        return kErrorAccessDenied;
    m_deleted.push_back(path);
    m_nodes.erase(key(path));
    return 0;
}

ErrorCode FakePlatform::setNormalAttributes(const std::wstring &path)
{
    Node *n = node(path);
    if (!n)
        return kErrorFileNotFound;
    n->readOnly = false;
    return 0;
}

ErrorCode FakePlatform::removeDirectory(const std::wstring &path)
{
    Node *n = node(path);
    if (!n)
        return kErrorFileNotFound;
    if (!n->isDirectory)
        return 267; // ERROR_DIRECTORY
    if (n->lockedWith)
        return n->lockedWith;
    if (n->readOnly)
        return kErrorAccessDenied;
    if (!n->isLink && !listDirectory(path).empty())
        return kErrorDirNotEmpty;
    m_nodes.erase(key(path));
    return 0;
}

std::vector<DirEntry> FakePlatform::listDirectory(const std::wstring &path)
{
    std::vector<DirEntry> entries;
    const std::wstring k = key(path);
    const Node *folder = node(path);
    if (!folder || !folder->isDirectory || folder->isLink)
        return entries;
    for (const auto &[childKey, child] : m_nodes) {
        if (parentKey(childKey) == k) {
            const std::wstring name = child.path.substr(child.path.rfind(L'\\') + 1);
            entries.push_back({name, child.isDirectory, child.isLink});
        }
    }
    return entries;
}

bool FakePlatform::appendToFile(const std::wstring &path, std::string_view bytes)
{
    if (!m_logWritable)
        return false;
    m_files[path].append(bytes);
    return true;
}

ErrorCode FakePlatform::startElevated(const std::wstring &program, const std::wstring &parameters)
{
    m_elevated.push_back({program, parameters});
    return m_elevationError;
}

RunResult FakePlatform::runAndWait(const std::wstring &program, const std::wstring &parameters,
                                   ShowMode show, std::uint32_t timeoutMs)
{
    const std::wstring code = parameters.substr(2, 38);
    RunResult result;
    if (auto it = m_msiexecStartErrors.find(code); it != m_msiexecStartErrors.end()) {
        result.startError = it->second;
        return result;
    }
    m_ran.push_back({program, parameters, show, timeoutMs});
    result.started = true;
    if (!m_msiexecNoExitCode.count(code)) {
        auto it = m_msiexecExitCodes.find(code);
        result.exitCode = it == m_msiexecExitCodes.end() ? 0u : it->second;
    }
    if (m_onMsiexec)
        m_onMsiexec(code);
    return result;
}

std::optional<std::wstring> FakePlatform::installedProduct(std::uint32_t index)
{
    if (index >= m_products.size())
        return std::nullopt;
    return m_products[index].code;
}

std::optional<std::wstring> FakePlatform::productInstallLocation(const std::wstring &productCode)
{
    for (const Product &product : m_products) {
        if (product.code == productCode)
            return product.location;
    }
    return std::nullopt;
}

std::unique_ptr<RegistryKey> FakePlatform::openRegistryKey(RegistryRoot root, RegistryView view,
                                                           const std::wstring &path)
{
    auto it = m_registry.find({root, view});
    if (it == m_registry.end() ||
        path != L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall")
        return nullptr;
    return std::make_unique<FakeRegistryKey>(&it->second);
}

std::vector<ProcessEntry> FakePlatform::processes()
{
    std::vector<ProcessEntry> list;
    for (const Process &process : m_processes)
        list.push_back({process.pid, process.exeName});
    return list;
}

std::unique_ptr<ProcessHandle> FakePlatform::openProcess(std::uint32_t pid)
{
    for (Process &process : m_processes) {
        if (process.pid == pid && process.openable)
            return std::make_unique<FakeProcessHandle>(process);
    }
    return nullptr;
}

void FakePlatform::messageBox(const std::wstring &text, const std::wstring &title, MessageIcon icon)
{
    m_boxes.push_back({text, title, icon});
}
