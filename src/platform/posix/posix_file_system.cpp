#include "platform/posix/posix_file_system.h"

#include "fso/path_text.h"

#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/statvfs.h>

namespace vesperon::platform::posix {

namespace {

constexpr const char* fixedDriveType = "2";

bool statPath(const std::string& path, struct stat& st) {
    return !path.empty() && path.find('\0') == std::string::npos && ::stat(path.c_str(), &st) == 0;
}

std::string fileSystemName(const std::string& root) {
    struct statfs fs {};
    if (::statfs(root.c_str(), &fs) != 0) {
        return "";
    }
    switch (static_cast<unsigned long>(fs.f_type)) {
    case 0xEF53:
        return "ext4";
    case 0x58465342:
        return "xfs";
    case 0x9123683E:
        return "btrfs";
    case 0x01021994:
        return "tmpfs";
    case 0x794C7630:
        return "overlay";
    case 0x6969:
        return "nfs";
    case 0x2FC12FC1:
        return "zfs";
    default:
        return "unknown";
    }
}

} // namespace

bool PosixFileSystem::DriveExists(const std::string& drive) {
    return drive == "/";
}

bool PosixFileSystem::IsReady(const std::string& drive) { return drive == "/" && snapshot().valid; }

const PosixFileSystem::Snapshot& PosixFileSystem::snapshot() {
    const auto now = std::chrono::steady_clock::now();
    if (snapshot_.valid && now - snapshot_.taken < std::chrono::seconds(1)) {
        return snapshot_;
    }
    snapshot_ = Snapshot{};
    struct statvfs vfs {};
    if (::statvfs("/", &vfs) != 0) {
        return snapshot_;
    }
    const std::uint64_t unit = vfs.f_frsize;
    snapshot_ = Snapshot{true,
                         vfs.f_blocks * unit,
                         vfs.f_bavail * unit,
                         vfs.f_bfree * unit,
                         static_cast<std::uint32_t>(vfs.f_fsid),
                         fileSystemName("/"),
                         now};
    return snapshot_;
}

std::optional<std::string> PosixFileSystem::DriveProperty(const std::string& drive,
                                                          std::string_view name) {
    if (drive != "/") {
        return std::nullopt;
    }
    if (name == "DriveLetter" || name == "ShareName" || name == "VolumeName") {
        return "";
    }
    if (name == "Path" || name == "RootFolder") {
        return "/";
    }
    if (name == "DriveType") {
        return fixedDriveType;
    }
    if (name == "IsReady") {
        return IsReady(drive) ? "True" : "False";
    }
    const Snapshot& root = snapshot();
    if (!root.valid) {
        return std::nullopt;
    }
    if (name == "FileSystem") {
        return root.fileSystem;
    }
    if (name == "SerialNumber") {
        return std::to_string(root.serial);
    }
    if (name == "TotalSize") {
        return std::to_string(root.total);
    }
    if (name == "AvailableSpace") {
        return std::to_string(root.available);
    }
    if (name == "FreeSpace") {
        return std::to_string(root.free);
    }
    return std::nullopt;
}

std::string PosixFileSystem::GetParentFolderName(const std::string& path) {
    return path_text::posixParentFolderName(path);
}

bool PosixFileSystem::FolderExists(const std::string& path) {
    const auto now = std::chrono::steady_clock::now();
    if (!path.empty() && path == lastFolder_ && now - lastFolderSeen_ < std::chrono::seconds(1)) {
        return true;
    }
    struct stat st {};
    if (!statPath(path, st) || !S_ISDIR(st.st_mode)) {
        return false;
    }
    lastFolder_ = path;
    lastFolderSeen_ = now;
    return true;
}

bool PosixFileSystem::FileExists(const std::string& path) {
    struct stat st {};
    // Only regular files: probing a device or socket could have side effects.
    return statPath(path, st) && S_ISREG(st.st_mode);
}

} // namespace vesperon::platform::posix
