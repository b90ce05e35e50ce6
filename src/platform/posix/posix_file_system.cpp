#include "platform/posix/posix_file_system.h"

#include "base/path_text.h"
#include "base/text.h"
#include "platform/date_value.h"
#include "platform/posix/atomic_file.h"
#include "platform/posix/errno_mapping.h"
#include "platform/windows_error.h"

#include <algorithm>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <set>
#include <sstream>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/statvfs.h>
#include <unistd.h>

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

namespace we = windows_error;

std::int32_t attributesOf(const std::string& path, const struct stat& st) {
    namespace fa = file_attribute;
    std::int32_t attributes = 0;
    if ((st.st_mode & 0222) == 0) {
        attributes |= fa::readOnly;
    }
    if (path_text::fileNameOf(path, false).rfind('.', 0) == 0) {
        attributes |= fa::hidden;
    }
    if (S_ISDIR(st.st_mode)) {
        attributes |= fa::directory;
    }
    if (S_ISREG(st.st_mode)) {
        attributes |= fa::archive;
    }
    return attributes;
}

std::time_t createdTime(const std::string& path, const struct stat& st) {
    struct statx extended {};
    if (::statx(AT_FDCWD, path.c_str(), 0, STATX_BTIME, &extended) == 0 &&
        (extended.stx_mask & STATX_BTIME) != 0) {
        return static_cast<std::time_t>(extended.stx_btime.tv_sec);
    }
    return st.st_mtime;
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
    return pseudo.count(type) > 0;
}

} // namespace

std::vector<std::string> realMountPoints(const std::string& mountsText) {
    std::vector<std::string> roots;
    std::set<std::string> seen;
    std::istringstream lines(mountsText);
    for (std::string line; std::getline(lines, line);) {
        std::istringstream fields(line);
        std::string device, mountPoint, type;
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

std::string generalDateText(std::time_t time) {
    std::tm local{};
    if (::localtime_r(&time, &local) == nullptr) {
        return "";
    }
    char buffer[128];
    const std::size_t n = std::strftime(buffer, sizeof buffer, "%x %X", &local);
    return std::string(buffer, n);
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

long PosixFileSystem::getFile(const std::string& path, FileDetails& details) {
    struct stat st {};
    if (!statPath(path, st)) {
        return errno == ENOTDIR ? we::path_not_found : we::file_not_found;
    }
    if (S_ISDIR(st.st_mode)) {
        return we::file_not_found;
    }
    std::string full = path;
    if (full[0] != '/') {
        char* cwd = ::getcwd(nullptr, 0);
        if (cwd == nullptr) {
            return we::path_not_found;
        }
        const std::string folder = cwd;
        std::free(cwd);
        full = (folder == "/" ? folder : folder + "/") + path;
    }
    details.Drive = std::string(1, '/');
    details.Path = full;
    details.ParentFolder = path_text::posixParentFolderName(full);
    details.Size = static_cast<std::uint64_t>(st.st_size);
    const std::string extension = text::upperAscii(extensionName(full));
    details.Type = extension.empty() ? "File" : extension + " File";
    details.DateLastAccessed = generalDateText(st.st_atime);
    details.DateLastModified = generalDateText(st.st_mtime);
    details.DateCreated = generalDateText(createdTime(path, st));
    details.Attributes = attributesOf(full, st);
    return we::success;
}

std::string PosixFileSystem::extensionName(const std::string& path) {
    return path_text::extensionNameOf(path, false);
}

std::string PosixFileSystem::fileName(const std::string& path) {
    return path_text::fileNameOf(path, false);
}

std::optional<double> PosixFileSystem::dateValue(const std::string& text) {
    const std::string s = text::trimBlanks(text);
    if (s.empty()) {
        return std::nullopt;
    }
    // The locale's own forms first, then ISO dates.
    for (const char* format : {"%x %X", "%x", "%Y-%m-%d %H:%M:%S", "%Y-%m-%d"}) {
        std::tm parsed{};
        const char* end = ::strptime(s.c_str(), format, &parsed);
        if (end != nullptr && *end == '\0') {
            return basicDateValue(parsed.tm_year + 1900, parsed.tm_mon + 1, parsed.tm_mday,
                                  parsed.tm_hour, parsed.tm_min, parsed.tm_sec);
        }
    }
    return std::nullopt;
}

long PosixFileSystem::getAttributes(const std::string& path, std::int32_t& attributes) {
    struct stat st {};
    if (!statPath(path, st)) {
        return errno == ENOTDIR ? we::path_not_found : we::file_not_found;
    }
    attributes = attributesOf(path, st);
    return we::success;
}

long PosixFileSystem::setAttributes(const std::string& path, std::int32_t attributes) {
    struct stat st {};
    if (path.empty() || path.find('\0') != std::string::npos || ::lstat(path.c_str(), &st) != 0) {
        return we::file_not_found;
    }
    // A link has no mode of its own, and a folder's write bits are not its read-only flag.
    if (!S_ISREG(st.st_mode)) {
        return we::success;
    }
    const mode_t old = st.st_mode & 07777;
    mode_t mode = old;
    if ((attributes & file_attribute::readOnly) != 0) {
        mode &= ~mode_t{0222};
    } else if ((mode & 0222) == 0) {
        mode |= 0200;
    }
    if (mode != old && ::fchmodat(AT_FDCWD, path.c_str(), mode, AT_SYMLINK_NOFOLLOW) != 0) {
        return windowsErrorFromErrno(errno);
    }
    return we::success;
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
        return static_cast<std::uint32_t>(std::min<std::uint64_t>(n, 0xFFFFFFFFu));
    };
    return DiskGeometry{1, clamp(vfs.f_frsize), clamp(vfs.f_bfree), clamp(vfs.f_blocks)};
}

} // namespace vesperon::platform::posix
