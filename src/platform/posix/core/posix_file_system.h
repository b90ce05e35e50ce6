#pragma once

#include "platform/file_system.h"

#include <chrono>
#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

namespace vesperon::platform::posix {

// The root file system stands for the one drive, "/": a fixed drive, always ready.
// Stand-ins for the scripting object's answers:
// - attributes: read-only (1) when no write permission bit is set, hidden (2) for a name that
//   starts with ".", directory (16), archive (32) for every regular file; system (4), volume
//   (8) and alias (64) never occur. Setting attributes changes only read-only (the write bits).
// - type: "TXT File" for a name ending in .txt (the extension upper-cased), "File" without one.
// - dates: the locale's general format, strftime "%x %X"; the creation date is the birth time
//   where the file system records one, else the last-write time.
// - no version records; no Properties window.
// - listings: regular files and real folders, sorted by name; symbolic links are neither
//   listed nor followed, so a walk never leaves its tree.
// - drives: the mount points of real file systems; disk space from statvfs.
// - every file made for a probe or as a temporary file is created exclusively and never
//   through a symbolic link.
class PosixFileSystem final : public FileSystem {
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
    std::string fileVersion(const std::string&) override { return ""; }
    void showProperties(const std::string&) override {}
    std::optional<double> dateValue(const std::string& text) override;
    long getFolder(const std::string& path) override;
    long listFiles(const std::string& folder, std::vector<std::string>& paths) override;
    long listSubFolders(const std::string& folder, std::vector<std::string>& paths) override;
    long createFolder(const std::string& path) override;
    long deleteFolder(const std::string& path, bool force) override;
    bool sameFile(const std::string& first, const std::string& second) override;
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

private:
    struct Snapshot {
        bool valid = false;
        std::uint64_t total = 0, available = 0, free = 0;
        std::uint32_t serial = 0;
        std::string fileSystem;
        std::chrono::steady_clock::time_point taken;
    };
    // Every listed file asks about the drive again; within a second the answer is the same.
    const Snapshot& snapshot();

    Snapshot snapshot_;
    // The folder last found to exist. Listed files share folders, and a folder that has
    // gone since only makes the file test after it fail, so a stale "yes" is harmless.
    std::string lastFolder_;
    std::chrono::steady_clock::time_point lastFolderSeen_;
};

// The mount points of real file systems in /proc/self/mounts text, each ending in "/",
// without repeats, in the file's order; pseudo and memory file systems are left out.
std::vector<std::string> realMountPoints(const std::string& mountsText);

// A local time in the locale's general date format ("%x %X").
std::string generalDateText(std::time_t time);

} // namespace vesperon::platform::posix
