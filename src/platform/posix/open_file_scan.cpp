#include "platform/posix/open_file_scan.h"

#include <cerrno>
#include <charconv>
#include <dirent.h>
#include <fcntl.h>
#include <string_view>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>
#include <utility>

namespace vesperon::platform::posix {

namespace {

bool allDigits(const char* name) {
    if (*name == '\0') {
        return false;
    }
    for (; *name != '\0'; ++name) {
        if (*name < '0' || *name > '9') {
            return false;
        }
    }
    return true;
}

// Reads what the descriptor gives until end of file; on a read error keeps what came so far.
void readAll(int fd, std::string& out) {
    std::size_t used = 0;
    out.resize(out.capacity() < 65536 ? 65536 : out.capacity());
    for (;;) {
        if (out.size() - used < 4096) {
            out.resize(out.size() * 2);
        }
        ssize_t n = ::read(fd, out.data() + used, out.size() - used);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            break;
        }
        used += static_cast<std::size_t>(n);
    }
    out.resize(used);
}

std::string_view nextField(std::string_view& rest) {
    auto start = rest.find_first_not_of(' ');
    if (start == std::string_view::npos) {
        rest = {};
        return {};
    }
    rest.remove_prefix(start);
    auto end = rest.find(' ');
    std::string_view field = rest.substr(0, end);
    rest.remove_prefix(end == std::string_view::npos ? rest.size() : end);
    return field;
}

template <typename T> bool parseNumber(std::string_view text, T& value, int base) {
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    return ec == std::errc() && end == text.data() + text.size() && !text.empty();
}

// One line of /proc/<pid>/maps: "start-end perms offset major:minor inode   [path]",
// device numbers in hex, inode in decimal.
bool parseMapsLine(std::string_view line, std::uint64_t& dev, std::uint64_t& ino,
                   std::string_view& path) {
    for (int skip = 0; skip < 3; ++skip) {
        nextField(line);
    }
    std::string_view device = nextField(line);
    std::string_view inode = nextField(line);
    auto colon = device.find(':');
    unsigned int major = 0;
    unsigned int minor = 0;
    if (colon == std::string_view::npos || !parseNumber(device.substr(0, colon), major, 16) ||
        !parseNumber(device.substr(colon + 1), minor, 16) || !parseNumber(inode, ino, 10)) {
        return false;
    }
    dev = makedev(major, minor);
    auto start = line.find_first_not_of(' ');
    path = start == std::string_view::npos ? std::string_view{} : line.substr(start);
    return true;
}

} // namespace

std::size_t OpenFileScan::FileIdHash::operator()(const FileId& id) const noexcept {
    return std::hash<std::uint64_t>()(id.ino * 0x9E3779B97F4A7C15ull ^ id.dev);
}

OpenFileScan::OpenFileScan(std::string procRoot, pid_t self)
    : procRoot_(std::move(procRoot)), self_(self) {}

bool OpenFileScan::scan() {
    held_.clear();
    mapped_.clear();
    heldInodes_.clear();
    const std::string self = std::to_string(self_ != 0 ? self_ : ::getpid());
    int procFd = ::open(procRoot_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (procFd < 0) {
        return false;
    }
    DIR* proc = ::fdopendir(procFd);
    if (proc == nullptr) {
        ::close(procFd);
        return false;
    }
    while (const dirent* entry = ::readdir(proc)) {
        if (allDigits(entry->d_name) && self != entry->d_name) {
            scanDescriptors(procFd, entry->d_name);
            scanMappings(procFd, entry->d_name);
        }
    }
    ::closedir(proc);
    return true;
}

bool OpenFileScan::held(dev_t dev, ino_t ino) const {
    return held_.count(FileId{dev, ino}) != 0 || heldInodes_.count(ino) != 0;
}

void OpenFileScan::scanDescriptors(int procFd, const std::string& pid) {
    int fd = ::openat(procFd, (pid + "/fd").c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        return;
    }
    DIR* dir = ::fdopendir(fd);
    if (dir == nullptr) {
        ::close(fd);
        return;
    }
    while (const dirent* entry = ::readdir(dir)) {
        struct stat target {};
        // stat() follows the link to whatever the descriptor refers to. Sockets can never be
        // probed by name, so they are left out; pipes and the like are harmless to keep.
        if (entry->d_name[0] != '.' && ::fstatat(fd, entry->d_name, &target, 0) == 0 &&
            !S_ISSOCK(target.st_mode)) {
            held_.insert(FileId{target.st_dev, target.st_ino});
        }
    }
    ::closedir(dir);
}

void OpenFileScan::scanMappings(int procFd, const std::string& pid) {
    int fd = ::openat(procFd, (pid + "/maps").c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return;
    }
    readAll(fd, buffer_);
    ::close(fd);
    std::string_view rest = buffer_;
    FileId last{0, 0};
    while (!rest.empty()) {
        auto end = rest.find('\n');
        std::string_view line = rest.substr(0, end);
        rest.remove_prefix(end == std::string_view::npos ? rest.size() : end + 1);
        FileId id{0, 0};
        std::string_view path;
        // Inode 0 is an anonymous mapping; a file usually takes several lines in a row.
        if (parseMapsLine(line, id.dev, id.ino, path) && id.ino != 0 && !(id == last)) {
            last = id;
            noteMapping(procFd, pid, id, path);
        }
    }
}

void OpenFileScan::noteMapping(int procFd, const std::string& pid, FileId id,
                               std::string_view path) {
    if (!mapped_.insert(id).second) {
        return;
    }
    held_.insert(id);
    // The device in maps is the superblock's. On btrfs subvolumes and overlayfs that is not the
    // st_dev stat() gives for the same file (overlayfs may also show the inode of the layer
    // below), so the file is also looked up by its name inside the process's own root and held
    // as stat() sees it. Deleted files and pseudo files cannot be probed by name and are left
    // at that. Should the lookup fail otherwise, the inode number is held on every device: a
    // rare wrong "in use" only postpones a restart, a missed one breaks a running program.
    constexpr std::string_view deleted = " (deleted)";
    if (path.empty() || path.front() != '/' ||
        (path.size() >= deleted.size() && path.substr(path.size() - deleted.size()) == deleted)) {
        return;
    }
    std::string name = pid + "/root";
    name += path;
    struct stat target {};
    if (::fstatat(procFd, name.c_str(), &target, 0) == 0) {
        held_.insert(FileId{target.st_dev, target.st_ino});
    } else {
        heldInodes_.insert(id.ino);
    }
}

} // namespace vesperon::platform::posix
