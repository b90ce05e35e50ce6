#pragma once

#include "platform/platform.h"

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace vesperon::fake {

// An in-memory Windows-style disk: drive letters, folders and files, paths compared
// without regard to case, as Windows does.
struct Drive {
    bool ready = true;
    long type = 2; // fixed
};

// What a file has beyond its bytes. Read-only is kept in FakeDisk::readOnly.
struct FakeFileMeta {
    std::string spelling; // the path as first given; listings show it
    std::int32_t attributes = platform::file_attribute::archive;
    std::string accessed = "1/1/2024 12:00:00 PM";
    std::string modified = "1/1/2024 12:00:00 PM";
    std::string created = "1/1/2024 12:00:00 PM";
    std::string version;
};

class FakeDisk {
public:
    FakeDisk(); // drive C: present, ready, fixed
    void addDrive(char letter, Drive drive) { drives[upper(letter)] = drive; }
    void addFolder(const std::string& path);                              // and every parent folder
    void addFile(const std::string& path, const std::string& bytes = {}); // and its folders
    bool hasFile(const std::string& path) const;
    std::string bytesOf(const std::string& path) const;
    void removeFile(const std::string& path);
    bool hasFolder(const std::string& path) const; // a bare drive counts when it is there
    FakeFileMeta& meta(const std::string& path);   // created with the path's spelling
    // The spelling of a file or folder key, or the key itself when none was given.
    std::string spellingOf(const std::string& key) const;

    static std::string key(const std::string& path);
    static char upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c; }

    std::map<char, Drive> drives;
    std::set<std::string> folders;                  // keys
    std::map<std::string, std::string> files;       // key -> bytes
    std::set<std::string> inUse;                    // keys held by another process
    std::set<std::string> unreadable;               // keys that exist but cannot be read
    std::set<std::string> readOnly;                 // keys of files or folders that refuse writes
    std::map<std::string, FakeFileMeta> metas;      // file key -> details
    std::map<std::string, std::string> folderNames; // folder key -> spelling
    std::set<std::string> cannotTell;               // keys the system cannot say anything about
    std::set<std::string> throwsOn;                 // keys whose presence query throws
    std::map<std::string, std::size_t> readFailsAt; // key -> reading fails after this many bytes
    bool fileNumbersLeft = true;
    bool replaceFails = false;
    bool holdersUnknown = false; // nothing can be seen of other processes
    std::map<std::string, std::vector<platform::FileHolder>> holders; // by key, for holdersOf()
    int probeRuns = 0;
    int endedProbeRuns = 0;
    std::vector<std::string> probed;
    std::vector<std::string> presenceAsked;
    std::size_t uninspectedProcesses = 0;
    std::set<std::string> lockedElsewhere; // keys of lock files that other processes hold
    std::set<std::string> locked;          // keys of lock files this process holds
};

class FakeSystem final : public platform::System {
public:
    std::string executablePath() override { return exePath; }
    std::string argumentText() override { return arguments; }
    std::int64_t localTimeWholeSeconds() override { return nowMilliseconds / 1000; }
    void sleepMilliseconds(int milliseconds) override {
        sleeps.push_back(milliseconds);
        nowMilliseconds += milliseconds;
    }
    // A Western code page: bytes 0x80-0xFF stand for U+0080-U+00FF.
    std::optional<std::string> legacyToUtf8(std::string_view bytes) override;
    std::optional<std::string> utf8ToLegacy(std::string_view text) override;
    void writeStandardError(const std::string& line) override { standardError.push_back(line); }
    std::string exePath = "C:\\Tools\\Vesperon.exe";
    std::string arguments;
    std::int64_t nowMilliseconds = 1'000'000'000'000; // a clock that only sleeps move
    std::vector<int> sleeps;
    std::vector<std::string> standardError;
};

// Processes as the Windows calls would report them.
struct FakeProcess {
    std::uint32_t id = 0;
    std::string path;          // the main module's file name
    bool opens = true;         // OpenProcess succeeds
    bool modulesListed = true; // EnumProcessModules succeeds
};

class FakeProcessListing final : public platform::ProcessListing {
public:
    std::int32_t platformId() override { return id; }
    platform::ProcessHandle createProcessSnapshot() override;
    bool process32First(platform::ProcessHandle snapshot, std::string& exeFile) override;
    bool process32Next(platform::ProcessHandle snapshot, std::string& exeFile) override;
    void enumProcesses(std::vector<std::uint32_t>& ids, std::uint32_t cb,
                       std::uint32_t& bytesReturned) override;
    platform::ProcessHandle openProcess(std::uint32_t access, bool inherit,
                                        std::uint32_t processId) override;
    bool enumProcessModules(platform::ProcessHandle process, std::uintptr_t& firstModule,
                            std::uint32_t cb, std::uint32_t& needed) override;
    std::uint32_t moduleFileName(platform::ProcessHandle process, std::uintptr_t module,
                                 std::string& buffer, std::uint32_t size) override;
    void closeHandle(platform::ProcessHandle handle) override { closed.push_back(handle); }

    std::int32_t id = 2;
    std::vector<FakeProcess> processes;
    bool snapshotFails = false;
    std::vector<std::uint32_t> enumCalls; // cb of each EnumProcesses call
    std::vector<std::uint32_t> accessAsked;
    std::vector<platform::ProcessHandle> closed;

private:
    // The process a handle from openProcess stands for.
    const FakeProcess* opened(platform::ProcessHandle process) const;
    std::size_t snapshotAt_ = 0;
};

class FakeFiles final : public platform::Files {
public:
    explicit FakeFiles(FakeDisk& disk) : disk_(disk) {}
    bool fileNumberAvailable() override { return disk_.fileNumbersLeft; }
    void beginProbeRun() override { ++disk_.probeRuns; }
    void endProbeRun() override { ++disk_.endedProbeRuns; }
    platform::Presence presenceOf(const std::string& path) override;
    platform::ProbeResult probe(const std::string& path) override;
    platform::OpenedFile openForReading(const std::string& path) override;
    std::size_t uninspectedProcesses() override { return disk_.uninspectedProcesses; }
    platform::LockAttempt lockFile(const std::string& path) override;
    platform::FileRead readWhole(const std::string& path) override;
    bool writeText(const std::string& path, const std::string& bytes, bool overwrite) override;
    bool pathAbsent(const std::string& path) override;
    bool normalFileExists(const std::string& path) override { return disk_.hasFile(path); }
    bool deleteFile(const std::string& path) override;
    bool replaceFile(const std::string& path, const std::string& bytes) override;
    void closeAll() override { ++closeAllCalls; }
    int closeAllCalls = 0;

    void describeHolders(bool on) override { describing = on; }
    std::vector<platform::FileHolder> holdersOf(const std::string& path) override {
        const auto it = disk_.holders.find(FakeDisk::key(path));
        return describing && it != disk_.holders.end() ? it->second
                                                       : std::vector<platform::FileHolder>{};
    }
    bool describing = false;

private:
    FakeDisk& disk_;
};

class FakeFileSystem final : public platform::FileSystem {
public:
    explicit FakeFileSystem(FakeDisk& disk) : disk_(disk) {}
    bool DriveExists(const std::string& drive) override;
    bool IsReady(const std::string& drive) override;
    std::optional<std::string> DriveProperty(const std::string& drive,
                                             std::string_view name) override;
    std::string GetParentFolderName(const std::string& path) override;
    bool FolderExists(const std::string& path) override;
    bool FileExists(const std::string& path) override;
    long getFile(const std::string& path, platform::FileDetails& details) override;
    std::string extensionName(const std::string& path) override;
    std::string fileName(const std::string& path) override;
    std::string fileVersion(const std::string& path) override;
    void showProperties(const std::string& path) override { propertiesShown.push_back(path); }
    // Dates as "M/D/YYYY", optionally with "h:mm:ss" and AM or PM.
    std::optional<double> dateValue(const std::string& text) override;
    long getFolder(const std::string& path) override;
    long listFiles(const std::string& folder, std::vector<std::string>& paths) override;
    long listSubFolders(const std::string& folder, std::vector<std::string>& paths) override;
    long createFolder(const std::string& path) override;
    long deleteFolder(const std::string& path, bool force) override;
    long moveFile(const std::string& source, const std::string& target) override;
    long copyFile(const std::string& source, const std::string& target, bool overwrite) override;
    long getAttributes(const std::string& path, std::int32_t& attributes) override;
    long setAttributes(const std::string& path, std::int32_t attributes) override;
    long deleteFile(const std::string& path) override;
    long writeNewFile(const std::string& path, const std::string& bytes) override;
    long appendToFile(const std::string& path, const std::string& bytes) override;
    std::vector<std::string> logicalDriveStrings() override;
    std::optional<std::string> tempPath() override { return tempFolder; }
    std::optional<std::string> tempFileName(const std::string& folder,
                                            const std::string& prefix) override;
    std::optional<platform::DiskSpace> diskFreeSpaceEx(const std::string& drive) override;
    std::optional<platform::DiskGeometry> diskFreeSpace(const std::string& drive) override;

    int queries = 0;
    std::vector<std::string> propertiesShown;
    bool driveListFails = false;
    std::optional<std::string> tempFolder = "C:\\Temp\\";
    unsigned tempNumber = 0x1A2A; // the next unique number of a temporary file name
    std::optional<platform::DiskSpace> diskSpace = platform::DiskSpace{400, 1000, 500};
    std::optional<platform::DiskGeometry> diskGeometry = platform::DiskGeometry{8, 512, 50, 100};
    std::vector<std::string> diskQueries; // "Ex C:", "C:"

private:
    const Drive* drive(const std::string& text) const;
    // The error for a new entry at path: 0 when its folder exists and takes writes.
    long folderRefuses(const std::string& path) const;
    // Puts a copy of the source file (content, details, read-only) at target.
    void placeCopy(const std::string& source, const std::string& target);
    long listEntries(const std::string& folder, bool folders, std::vector<std::string>& paths);
    FakeDisk& disk_;
};

// The profile functions' semantics over the fake disk.
class FakeProfile final : public platform::Profile {
public:
    explicit FakeProfile(FakeDisk& disk) : disk_(disk) {}
    std::string getString(const std::string& section, const std::string& key,
                          const std::string& defaultValue, std::size_t bufferSize,
                          const std::string& file) override;
    platform::ProfileWrite writeString(const std::string& section, const std::string& key,
                                       const std::string& value, const std::string& file) override;
    std::optional<std::string> whyUnreadable(const std::string& file) override;
    int reads = 0;
    int writes = 0;

private:
    FakeDisk& disk_;
};

struct RegistryValue {
    std::uint32_t type = 0;
    std::vector<std::uint8_t> data;
    bool operator==(const RegistryValue&) const = default;
};

class FakeRegistry final : public platform::Registry {
public:
    long createKey(std::uint32_t root, const std::string& path,
                   platform::RegistryHandle& handle) override;
    long setValue(platform::RegistryHandle handle, const std::string& name, std::uint32_t type,
                  const std::vector<std::uint8_t>& data) override;
    long closeKey(platform::RegistryHandle handle) override;

    // (root, key path) -> value name -> value
    std::map<std::pair<std::uint32_t, std::string>, std::map<std::string, RegistryValue>> keys;
    long createKeyError = 0;
    std::map<std::string, long> setValueErrors; // by value name
    std::vector<std::string> calls;             // "create", "set <name>", "close"

private:
    std::map<platform::RegistryHandle, std::pair<std::uint32_t, std::string>> open_;
    platform::RegistryHandle next_ = 1;
};

struct ReportedEvent {
    std::string source;
    std::uint16_t type = 0;
    std::uint16_t category = 0;
    std::uint32_t eventId = 0;
    std::vector<std::string> strings;
    std::vector<std::uint8_t> rawData;
};

class FakeEventLog final : public platform::EventLog {
public:
    platform::EventSourceHandle registerEventSource(const std::string& server,
                                                    const std::string& source) override;
    bool reportEvent(platform::EventSourceHandle handle, std::uint16_t type, std::uint16_t category,
                     std::uint32_t eventId, const std::vector<std::string>& strings,
                     const std::vector<std::uint8_t>& rawData) override;
    void deregisterEventSource(platform::EventSourceHandle handle) override;

    bool registerFails = false;
    bool reportFails = false;
    std::vector<ReportedEvent> events;
    int registrations = 0;
    int deregistrations = 0;

private:
    std::map<platform::EventSourceHandle, std::string> sources_;
};

class FakeProcesses final : public platform::Processes {
public:
    platform::StartOutcome start(const platform::StartRequest& request) override {
        started.push_back(request);
        if (failure.empty()) {
            return {true, request.commandLine, ""};
        }
        return {false, request.commandLine, failure};
    }
    std::vector<platform::StartRequest> started;
    std::string failure; // the reason every start fails with; empty: starts succeed
};

// A window that only records what it was told.
class FakeNativeWindow final : public platform::NativeWindow {
public:
    void show() override { ++shows; }
    void hide() override { ++hides; }
    void setCaption(const std::string& text) override { caption = text; }
    void setCheck(const std::string& control, int value) override { checks[control] = value; }
    void setListItems(const std::string& control, const std::vector<std::string>& items,
                      int selected) override {
        lists[control] = {items, selected};
    }
    void setText(const std::string& control, const std::string& text) override {
        texts[control] = text;
    }
    void setFocus(const std::string& control) override { focus = control; }
    platform::Rect clientArea() override { return {}; }
    std::optional<platform::Rect> controlRect(const std::string&) override { return std::nullopt; }

    int shows = 0, hides = 0;
    std::string caption, focus;
    std::map<std::string, int> checks;
    std::map<std::string, std::pair<std::vector<std::string>, int>> lists;
    std::map<std::string, std::string> texts;
};

struct ShownMessage {
    std::string prompt;
    int buttons = 0;
    std::string title;
};

struct DialogCall {
    std::string title, filter, initialName;
};

// Windows that record; message boxes and dialogs answer from scripts.
class FakeWindowing final : public platform::Windowing {
public:
    bool available() override { return displayPresent; }
    std::unique_ptr<platform::NativeWindow> createWindow(const platform::FormLayout& design,
                                                         platform::WindowEvents& events) override;
    int messageBox(const std::string& prompt, int buttons, const std::string& title) override;
    std::optional<std::string> openFileDialog(const std::string& title, const std::string& filter,
                                              const std::string& initialName) override;
    std::optional<std::string> browseForFolder(platform::NativeWindow* owner,
                                               const std::string& prompt) override;
    void processPendingMessages() override {
        ++pendingMessagePasses;
        if (onPendingMessages) {
            onPendingMessages();
        }
    }
    void runUntil(const std::function<bool()>& done) override;
    // The live window of a form, or null.
    FakeNativeWindow* window(const std::string& formName);

    bool displayPresent = true;
    std::vector<ShownMessage> messages;
    std::vector<int> answers;                              // next answers, first first
    std::vector<std::optional<std::string>> dialogResults; // nullopt: cancelled
    std::vector<DialogCall> dialogs;
    std::vector<std::optional<std::string>> folderResults; // the folder picker's answers
    std::vector<std::pair<platform::NativeWindow*, std::string>> folderBrowses; // owner, prompt
    std::map<std::string, platform::WindowEvents*> events;                      // by form name
    int pendingMessagePasses = 0;
    std::function<void()> onPendingMessages; // what the user does while messages are handled
    // Every text a label was given, by "Form.Label", kept after the window is gone.
    std::map<std::string, std::vector<std::string>> textLog;

private:
    std::map<std::string, FakeNativeWindow*> windows_;
};

// Every facility on fakes, Windows edition.
// Inhibitor locks as a test sets them.
class FakeInhibitors final : public platform::ShutdownInhibitors {
public:
    platform::InhibitorList list() override {
        ++asked;
        return answer;
    }
    platform::InhibitorList answer{platform::InhibitorList::Status::NoService, {}, "no bus"};
    int asked = 0;
};

struct FakePlatform {
    FakePlatform();
    FakeDisk disk;
    FakeSystem system;
    FakeFiles files{disk};
    FakeFileSystem fileSystem{disk};
    FakeProcesses processes;
    FakeProfile profile{disk};
    FakeRegistry registry;
    FakeEventLog eventLog;
    FakeWindowing windowing;
    FakeProcessListing processListing;
    FakeInhibitors inhibitors;
    platform::Platform platform;
};

} // namespace vesperon::fake
