#pragma once

// The Windows edition's backends: each calls the Windows operations of its facility.
#include "platform/platform.h"

#include <map>
#include <string>

namespace vesperon::platform::win32 {

class Win32System final : public System {
public:
    std::string executablePath() override;
    std::string argumentText() override;
    std::int64_t localTimeWholeSeconds() override;
    void sleepMilliseconds(int milliseconds) override;
    std::optional<std::string> legacyToUtf8(std::string_view bytes) override;
    std::optional<std::string> utf8ToLegacy(std::string_view text) override;
    // A GUI program has a standard error handle only when its starter gave it one.
    void writeStandardError(const std::string& line) override;
};

class Win32Files final : public Files {
public:
    // lockWaitMilliseconds: how long lockFile() waits for another process to let go of the lock.
    explicit Win32Files(unsigned long lockWaitMilliseconds = 30000)
        : lockWaitMilliseconds_(lockWaitMilliseconds) {}
    bool fileNumberAvailable() override { return true; }
    void beginProbeRun() override {}
    void endProbeRun() override {}
    Presence presenceOf(const std::string& path) override;
    ProbeResult probe(const std::string& path) override;
    OpenedFile openForReading(const std::string& path) override;
    // An exclusive open sees every other process's handles by itself.
    std::size_t uninspectedProcesses() override { return 0; }
    LockAttempt lockFile(const std::string& path) override;
    FileRead readWhole(const std::string& path) override;
    bool writeText(const std::string& path, const std::string& bytes, bool overwrite) override;
    bool pathAbsent(const std::string& path) override;
    bool normalFileExists(const std::string& path) override;
    bool deleteFile(const std::string& path) override;
    bool replaceFile(const std::string& path, const std::string& bytes) override;
    void closeAll() override {}

private:
    unsigned long lockWaitMilliseconds_;
};

class Win32FileSystem final : public FileSystem {
public:
    bool DriveExists(const std::string& drive) override;
    bool IsReady(const std::string& drive) override;
    std::optional<std::string> DriveProperty(const std::string& drive,
                                             std::string_view name) override;
    std::string GetParentFolderName(const std::string& path) override;
    bool FolderExists(const std::string& path) override;
    bool FileExists(const std::string& path) override;
    long getFile(const std::string& path, FileDetails& details) override;
    std::string extensionName(const std::string& path) override;
    std::string fileName(const std::string& path) override;
    std::string fileVersion(const std::string& path) override;
    void showProperties(const std::string& path) override;
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
    std::optional<std::string> tempPath() override;
    std::optional<std::string> tempFileName(const std::string& folder,
                                            const std::string& prefix) override;
    std::optional<DiskSpace> diskFreeSpaceEx(const std::string& drive) override;
    std::optional<DiskGeometry> diskFreeSpace(const std::string& drive) override;
};

class Win32Processes final : public Processes {
public:
    // Runs shutdown.exe from the system folder, never from the current or program folder,
    // and does not wait for it.
    StartOutcome start(const StartRequest& request) override;
};

class Win32Profile final : public Profile {
public:
    std::string getString(const std::string& section, const std::string& key,
                          const std::string& defaultValue, std::size_t bufferSize,
                          const std::string& file) override;
    ProfileWrite writeString(const std::string& section, const std::string& key,
                             const std::string& value, const std::string& file) override;
    std::optional<std::string> whyUnreadable(const std::string& file) override;
};

class Win32Registry final : public Registry {
public:
    long createKey(std::uint32_t root, const std::string& path, RegistryHandle& handle) override;
    long setValue(RegistryHandle handle, const std::string& name, std::uint32_t type,
                  const std::vector<std::uint8_t>& data) override;
    long closeKey(RegistryHandle handle) override;
};

class Win32EventLog final : public EventLog {
public:
    EventSourceHandle registerEventSource(const std::string& server,
                                          const std::string& source) override;
    bool reportEvent(EventSourceHandle handle, std::uint16_t type, std::uint16_t category,
                     std::uint32_t eventId, const std::vector<std::string>& strings,
                     const std::vector<std::uint8_t>& rawData) override;
    void deregisterEventSource(EventSourceHandle handle) override;
};

class Win32ProcessListing final : public ProcessListing {
public:
    std::int32_t platformId() override;
    ProcessHandle createProcessSnapshot() override;
    bool process32First(ProcessHandle snapshot, std::string& exeFile) override;
    bool process32Next(ProcessHandle snapshot, std::string& exeFile) override;
    void enumProcesses(std::vector<std::uint32_t>& ids, std::uint32_t cb,
                       std::uint32_t& bytesReturned) override;
    ProcessHandle openProcess(std::uint32_t access, bool inherit, std::uint32_t id) override;
    bool enumProcessModules(ProcessHandle process, std::uintptr_t& firstModule, std::uint32_t cb,
                            std::uint32_t& needed) override;
    std::uint32_t moduleFileName(ProcessHandle process, std::uintptr_t module, std::string& buffer,
                                 std::uint32_t size) override;
    void closeHandle(ProcessHandle handle) override;
};

// The system folder's shutdown.exe, such as C:\Windows\system32\shutdown.exe.
std::string systemShutdownProgram();

// The system's text for an error code, such as "Access is denied. (error 5)".
std::string systemErrorText(unsigned long code);

} // namespace vesperon::platform::win32
