// The drives of the file-system utility class: the root and the other real mounts, their
// disk space, and the temporary folder.
#include "base/text.h"
#include "platform/posix/core/posix_file_system.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <set>
#include <sstream>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/statvfs.h>

namespace vesperon::platform::posix {

namespace {

constexpr const char* fixedDriveType = "2";

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

// "\040" and the like in a mounts line stand for the byte of that octal number.
std::string unescapeMountField(const std::string& field) {
    std::string out;
    for (std::size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size() && field[i + 1] >= '0' &&
            field[i + 1] <= '3' && field[i + 2] >= '0' && field[i + 2] <= '7' &&
            field[i + 3] >= '0' && field[i + 3] <= '7') {
            out += static_cast<char>((field[i + 1] - '0') * 64 + (field[i + 2] - '0') * 8 +
                                     (field[i + 3] - '0'));
            i += 3;
        } else {
            out += field[i];
        }
    }
    return out;
}

bool pseudoFileSystem(const std::string& type) {
    static const std::set<std::string> pseudo = {
        "autofs",      "binfmt_misc", "bpf",      "cgroup",   "cgroup2", "configfs",
        "debugfs",     "devpts",      "devtmpfs", "efivarfs", "fusectl", "hugetlbfs",
        "mqueue",      "nsfs",        "proc",     "pstore",   "ramfs",   "rpc_pipefs",
        "securityfs",  "selinuxfs",   "sysfs",    "tmpfs",    "tracefs", "fuse.gvfsd-fuse",
        "fuse.portal", "nfsd"};
    return pseudo.contains(type);
}

} // namespace

std::vector<std::string> realMountPoints(const std::string& mountsText) {
    std::vector<std::string> roots;
    std::set<std::string> seen;
    std::istringstream lines(mountsText);
    for (std::string line; std::getline(lines, line);) {
        std::istringstream fields(line);
        std::string device;
        std::string mountPoint;
        std::string type;
        if (!(fields >> device >> mountPoint >> type) || pseudoFileSystem(type)) {
            continue;
        }
        std::string root = unescapeMountField(mountPoint);
        if (root.empty() || root[0] != '/') {
            continue;
        }
        if (root.back() != '/') {
            root += '/';
        }
        if (seen.insert(root).second) {
            roots.push_back(root);
        }
    }
    return roots;
}

bool PosixFileSystem::DriveExists(const std::string& drive) {
    return drive == "/";
}

bool PosixFileSystem::IsReady(const std::string& drive) {
    return drive == "/" && snapshot().valid;
}

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

std::vector<std::string> PosixFileSystem::logicalDriveStrings() {
    std::ifstream in("/proc/self/mounts");
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::vector<std::string> roots;
    for (auto& root : realMountPoints(text)) {
        struct stat st {};
        // Single files bound into a container's tree are mounts too, but no drives.
        if (::stat(root.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
            roots.push_back(std::move(root));
        }
    }
    // The root stands for the drive whatever it is mounted as.
    if (std::find(roots.begin(), roots.end(), "/") == roots.end()) {
        roots.insert(roots.begin(), "/");
    }
    return roots;
}

std::optional<std::string> PosixFileSystem::tempPath() {
    const char* folder = std::getenv("TMPDIR");
    if (folder == nullptr || folder[0] != '/') {
        folder = "/tmp";
    }
    std::string path = folder;
    if (path.back() != '/') {
        path += '/';
    }
    return path;
}

std::optional<DiskSpace> PosixFileSystem::diskFreeSpaceEx(const std::string& drive) {
    struct statvfs vfs {};
    if (drive.find('\0') != std::string::npos || ::statvfs(drive.c_str(), &vfs) != 0) {
        return std::nullopt;
    }
    const std::uint64_t unit = vfs.f_frsize;
    return DiskSpace{vfs.f_bavail * unit, vfs.f_blocks * unit, vfs.f_bfree * unit};
}

std::optional<DiskGeometry> PosixFileSystem::diskFreeSpace(const std::string& drive) {
    struct statvfs vfs {};
    if (drive.find('\0') != std::string::npos || ::statvfs(drive.c_str(), &vfs) != 0) {
        return std::nullopt;
    }
    auto clamp = [](std::uint64_t n) {
        return static_cast<std::uint32_t>(std::min<std::uint64_t>(n, 0xFFFFFFFFU));
    };
    return DiskGeometry{1, clamp(vfs.f_frsize), clamp(vfs.f_bfree), clamp(vfs.f_blocks)};
}

} // namespace vesperon::platform::posix
