#include "platform/fake/fake_platform.h"

#include "app/text.h"
#include "fso/path_text.h"
#include "platform/profile_text.h"
#include "platform/windows_error.h"

#include <algorithm>

namespace vesperon::fake {

namespace {

std::string parentKey(const std::string& key) {
    return path_text::windowsParentFolderName(key);
}

} // namespace

FakeDisk::FakeDisk() {
    drives['C'] = Drive{};
}

std::string FakeDisk::key(const std::string& path) {
    return text::lowerAscii(path);
}

void FakeDisk::addFolder(const std::string& path) {
    std::string k = key(path_text::removeTrailingSeparator(path, '\\'));
    while (k.size() > 2) {
        folders.insert(k);
        std::string parent = path_text::removeTrailingSeparator(parentKey(k), '\\');
        if (parent == k) {
            break;
        }
        k = parent;
    }
}

void FakeDisk::addFile(const std::string& path, const std::string& bytes) {
    addFolder(parentKey(path));
    files[key(path)] = bytes;
}

bool FakeDisk::hasFile(const std::string& path) const {
    return files.count(key(path)) > 0;
}

std::string FakeDisk::bytesOf(const std::string& path) const {
    auto it = files.find(key(path));
    return it == files.end() ? std::string() : it->second;
}

void FakeDisk::removeFile(const std::string& path) {
    files.erase(key(path));
}

bool FakeFiles::probeExclusive(const std::string& path) {
    disk_.probed.push_back(path);
    const std::string k = FakeDisk::key(path);
    return disk_.files.count(k) > 0 && disk_.inUse.count(k) == 0 && disk_.unreadable.count(k) == 0;
}

platform::FileRead FakeFiles::readWhole(const std::string& path) {
    const std::string k = FakeDisk::key(path);
    if (disk_.unreadable.count(k) > 0) {
        return {platform::FileRead::Status::Unreadable, {}};
    }
    auto it = disk_.files.find(k);
    if (it == disk_.files.end()) {
        return {platform::FileRead::Status::Absent, {}};
    }
    return {platform::FileRead::Status::Read, it->second};
}

bool FakeFiles::writeText(const std::string& path, const std::string& bytes, bool overwrite) {
    const std::string k = FakeDisk::key(path);
    const std::string folder = parentKey(k);
    if (disk_.readOnly.count(k) > 0 || disk_.readOnly.count(folder) > 0 ||
        (folder.size() > 3 && disk_.folders.count(folder) == 0)) {
        return false;
    }
    if (overwrite) {
        disk_.files[k] = bytes;
    } else {
        disk_.files[k] += bytes;
    }
    return true;
}

bool FakeFiles::pathAbsent(const std::string& path) {
    const std::string k = FakeDisk::key(path);
    return disk_.files.count(k) == 0 && disk_.folders.count(k) == 0 &&
           disk_.unreadable.count(k) == 0;
}

bool FakeFiles::deleteFile(const std::string& path) {
    const std::string k = FakeDisk::key(path);
    if (disk_.readOnly.count(k) > 0 || disk_.inUse.count(k) > 0) {
        return false;
    }
    return disk_.files.erase(k) > 0;
}

bool FakeFiles::replaceFile(const std::string& path, const std::string& bytes) {
    if (disk_.replaceFails) {
        return false;
    }
    return writeText(path, bytes, true);
}

const Drive* FakeFileSystem::drive(const std::string& text) const {
    if (text.size() != 2 || text[1] != ':') {
        return nullptr;
    }
    auto it = disk_.drives.find(FakeDisk::upper(text[0]));
    return it == disk_.drives.end() ? nullptr : &it->second;
}

bool FakeFileSystem::DriveExists(const std::string& text) {
    ++queries;
    return drive(text) != nullptr;
}

bool FakeFileSystem::IsReady(const std::string& text) {
    ++queries;
    const Drive* d = drive(text);
    return d != nullptr && d->ready;
}

std::optional<std::string> FakeFileSystem::DriveProperty(const std::string& text,
                                                         std::string_view name) {
    ++queries;
    const Drive* d = drive(text);
    if (d == nullptr || (!d->ready && name != "DriveLetter" && name != "Path" &&
                         name != "DriveType" && name != "IsReady")) {
        return std::nullopt;
    }
    const std::string letter(1, FakeDisk::upper(text[0]));
    if (name == "DriveLetter") {
        return letter;
    }
    if (name == "Path") {
        return letter + ":";
    }
    if (name == "RootFolder") {
        return letter + ":\\";
    }
    if (name == "SerialNumber") {
        return "439041101"; // 0x1A2B3C4D
    }
    if (name == "TotalSize") {
        return "1000000";
    }
    if (name == "AvailableSpace" || name == "FreeSpace") {
        return "500000";
    }
    if (name == "DriveType") {
        return std::to_string(d->type);
    }
    if (name == "FileSystem") {
        return "NTFS";
    }
    if (name == "IsReady") {
        return d->ready ? "True" : "False";
    }
    return "";
}

std::string FakeFileSystem::GetParentFolderName(const std::string& path) {
    ++queries;
    return path_text::windowsParentFolderName(path);
}

bool FakeFileSystem::FolderExists(const std::string& path) {
    ++queries;
    if (path.size() == 2 && path[1] == ':') {
        return drive(path) != nullptr;
    }
    return disk_.folders.count(FakeDisk::key(path)) > 0;
}

bool FakeFileSystem::FileExists(const std::string& path) {
    ++queries;
    return disk_.hasFile(path);
}

std::string FakeProfile::getString(const std::string& section, const std::string& key,
                                   const std::string& defaultValue, std::size_t bufferSize,
                                   const std::string& file) {
    ++reads;
    if (disk_.hasFile(file) && disk_.unreadable.count(FakeDisk::key(file)) == 0) {
        if (auto raw = platform::profile_text::findRawValue(disk_.bytesOf(file), section, key)) {
            return platform::profile_text::copyToBuffer(*raw, bufferSize);
        }
    }
    if (bufferSize == 0) {
        return {};
    }
    return defaultValue.substr(0, bufferSize - 1);
}

bool FakeProfile::writeString(const std::string& section, const std::string& key,
                              const std::string& value, const std::string& file) {
    ++writes;
    const std::string k = FakeDisk::key(file);
    if (disk_.readOnly.count(k) > 0 || disk_.readOnly.count(parentKey(k)) > 0 ||
        disk_.unreadable.count(k) > 0) {
        return false;
    }
    disk_.files[k] = platform::profile_text::setValue(disk_.bytesOf(file), section, key, value);
    return true;
}

long FakeRegistry::createKey(std::uint32_t root, const std::string& path,
                             platform::RegistryHandle& handle) {
    calls.push_back("create");
    if (createKeyError != 0) {
        return createKeyError;
    }
    keys[{root, path}];
    handle = next_++;
    open_[handle] = {root, path};
    return 0;
}

long FakeRegistry::setValue(platform::RegistryHandle handle, const std::string& name,
                            std::uint32_t type, const std::vector<std::uint8_t>& data) {
    calls.push_back("set " + name);
    auto it = open_.find(handle);
    if (it == open_.end()) {
        return platform::windows_error::invalid_handle;
    }
    if (auto error = setValueErrors.find(name); error != setValueErrors.end()) {
        return error->second;
    }
    keys[it->second][name] = RegistryValue{type, data};
    return 0;
}

long FakeRegistry::closeKey(platform::RegistryHandle handle) {
    calls.push_back("close");
    return open_.erase(handle) > 0 ? 0 : platform::windows_error::invalid_handle;
}

platform::EventSourceHandle FakeEventLog::registerEventSource(const std::string& /*server*/,
                                                              const std::string& source) {
    ++registrations;
    if (registerFails) {
        return 0;
    }
    const platform::EventSourceHandle handle = 100 + sources_.size();
    sources_[handle] = source;
    return handle;
}

bool FakeEventLog::reportEvent(platform::EventSourceHandle handle, std::uint16_t type,
                               std::uint16_t category, std::uint32_t eventId,
                               const std::vector<std::string>& strings,
                               const std::vector<std::uint8_t>& rawData) {
    if (reportFails || sources_.count(handle) == 0) {
        return false;
    }
    events.push_back({sources_[handle], type, category, eventId, strings, rawData});
    return true;
}

void FakeEventLog::deregisterEventSource(platform::EventSourceHandle handle) {
    ++deregistrations;
    sources_.erase(handle);
}

namespace {

// Forgets its window in the fake's table when the form lets it go.
class TrackedWindow final : public platform::NativeWindow {
public:
    TrackedWindow(std::map<std::string, FakeNativeWindow*>& table,
                  std::map<std::string, std::vector<std::string>>& textLog, std::string name)
        : table_(table), textLog_(textLog), name_(std::move(name)) {
        table_[name_] = &window_;
    }
    ~TrackedWindow() override { table_.erase(name_); }
    void show() override { window_.show(); }
    void hide() override { window_.hide(); }
    void setCaption(const std::string& text) override { window_.setCaption(text); }
    void setCheck(const std::string& c, int v) override { window_.setCheck(c, v); }
    void setListItems(const std::string& c, const std::vector<std::string>& items,
                      int selected) override {
        window_.setListItems(c, items, selected);
    }
    void setText(const std::string& c, const std::string& t) override {
        window_.setText(c, t);
        textLog_[name_ + "." + c].push_back(t);
    }
    void setFocus(const std::string& c) override { window_.setFocus(c); }
    platform::Rect clientArea() override { return {}; }
    std::optional<platform::Rect> controlRect(const std::string&) override { return std::nullopt; }

private:
    std::map<std::string, FakeNativeWindow*>& table_;
    std::map<std::string, std::vector<std::string>>& textLog_;
    std::string name_;
    FakeNativeWindow window_;
};

} // namespace

std::unique_ptr<platform::NativeWindow> FakeWindowing::createWindow(const platform::FormSpec& spec,
                                                                    platform::WindowEvents& e) {
    events[spec.name] = &e;
    return std::make_unique<TrackedWindow>(windows_, textLog, spec.name);
}

FakeNativeWindow* FakeWindowing::window(const std::string& formName) {
    auto it = windows_.find(formName);
    return it == windows_.end() ? nullptr : it->second;
}

int FakeWindowing::messageBox(const std::string& prompt, int buttons, const std::string& title) {
    messages.push_back({prompt, buttons, title});
    if (answers.empty()) {
        return platform::msgbox::ok;
    }
    const int answer = answers.front();
    answers.erase(answers.begin());
    return answer;
}

std::optional<std::string> FakeWindowing::openFileDialog(const std::string& title,
                                                         const std::string& filter,
                                                         const std::string& initialName) {
    dialogs.push_back({title, filter, initialName});
    if (dialogResults.empty()) {
        return std::nullopt;
    }
    auto result = dialogResults.front();
    dialogResults.erase(dialogResults.begin());
    return result;
}

void FakeWindowing::runUntil(const std::function<bool()>& /*done*/) {
    // Nothing happens on its own here: a test drives the handlers itself.
}

platform::ProcessHandle FakeProcessListing::createProcessSnapshot() {
    snapshotAt_ = 0;
    return snapshotFails ? 0 : 7;
}

bool FakeProcessListing::process32First(platform::ProcessHandle snapshot, std::string& exeFile) {
    snapshotAt_ = 0;
    return process32Next(snapshot, exeFile);
}

bool FakeProcessListing::process32Next(platform::ProcessHandle, std::string& exeFile) {
    if (snapshotAt_ >= processes.size()) {
        return false;
    }
    // The record's 260-character field: the name, then zeros.
    exeFile = processes[snapshotAt_++].path;
    exeFile.resize(260, '\0');
    return true;
}

void FakeProcessListing::enumProcesses(std::vector<std::uint32_t>& ids, std::uint32_t cb,
                                       std::uint32_t& bytesReturned) {
    enumCalls.push_back(cb);
    const std::size_t n = std::min<std::size_t>(processes.size(), cb / 4);
    for (std::size_t i = 0; i < n && i < ids.size(); ++i) {
        ids[i] = processes[i].id;
    }
    bytesReturned = static_cast<std::uint32_t>(n * 4);
}

platform::ProcessHandle FakeProcessListing::openProcess(std::uint32_t access, bool,
                                                        std::uint32_t processId) {
    accessAsked.push_back(access);
    for (const auto& p : processes) {
        if (p.id == processId && p.opens) {
            return 1000 + processId;
        }
    }
    return 0;
}

bool FakeProcessListing::enumProcessModules(platform::ProcessHandle process,
                                            std::uintptr_t& firstModule, std::uint32_t,
                                            std::uint32_t&) {
    for (const auto& p : processes) {
        if (1000 + p.id == process) {
            firstModule = process;
            return p.modulesListed;
        }
    }
    return false;
}

std::uint32_t FakeProcessListing::moduleFileName(platform::ProcessHandle process, std::uintptr_t,
                                                 std::string& buffer, std::uint32_t size) {
    for (const auto& p : processes) {
        if (1000 + p.id == process) {
            const std::size_t n = std::min<std::size_t>(p.path.size(), size);
            buffer.replace(0, n, p.path.substr(0, n));
            return static_cast<std::uint32_t>(n);
        }
    }
    return 0;
}

FakePlatform::FakePlatform()
    : platform{platform::windowsEdition,
               system,
               files,
               fileSystem,
               processes,
               profile,
               registry,
               eventLog,
               windowing,
               processListing} {
    disk.addFolder("C:\\Tools");
}

} // namespace vesperon::fake
