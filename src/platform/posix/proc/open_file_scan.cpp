#include "platform/posix/proc/open_file_scan.h"

#include "platform/posix/proc/proc_maps_line.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <dirent.h>
#include <fcntl.h>
#include <linux/kcmp.h>
#include <linux/loop.h>
#include <optional>
#include <string_view>
#include <sys/eventfd.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/sysmacros.h>
#include <thread>
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

// Reads what the descriptor gives until end of file; 0, or the errno of a failed read.
int readAll(int fd, std::string& out) {
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
        if (n < 0) {
            const int error = errno;
            out.clear();
            return error;
        }
        if (n == 0) {
            break;
        }
        used += static_cast<std::size_t>(n);
    }
    out.resize(used);
    return 0;
}

// Whether two tasks share the kernel object named by type (their descriptor table, their
// memory); a task that cannot be compared counts as not sharing it.
bool sameAs(pid_t leader, pid_t thread, int type) {
    return ::syscall(SYS_kcmp, leader, thread, type, 0, 0) == 0;
}

template <typename T> bool parseNumber(std::string_view text, T& value, int base) {
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    return ec == std::errc() && end == text.data() + text.size() && !text.empty();
}

// A name as /proc and /sys show it: blanks, tabs, line ends and backslashes as "\ooo".
std::string unescaped(std::string_view text) {
    std::string out;
    for (std::size_t at = 0; at < text.size(); ++at) {
        unsigned value = 0;
        if (text[at] == '\\' && at + 3 < text.size() &&
            parseNumber(text.substr(at + 1, 3), value, 8)) {
            out += static_cast<char>(value);
            at += 3;
        } else {
            out += text[at];
        }
    }
    return out;
}

// Reads a small file of /proc or /sys whole: 0, or the errno that kept it from being read.
int readSmall(int folder, const char* name, std::string& out) {
    const int fd = ::openat(folder, name, O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return errno;
    }
    const int error = readAll(fd, out);
    ::close(fd);
    return error;
}

} // namespace

std::size_t OpenFileScan::FileIdHash::operator()(const FileId& id) const noexcept {
    return std::hash<std::uint64_t>()(id.ino * 0x9E3779B97F4A7C15ULL ^ id.dev);
}

OpenFileScan::OpenFileScan(std::string procRoot, pid_t self)
    : procRoot_(std::move(procRoot)), self_(self) {}

OpenFileScan::Look OpenFileScan::lookOf(int error) {
    switch (error) {
    case ENOENT:
    case ESRCH:
        return Look::Gone; // it ended meanwhile
    case EACCES:
    case EPERM:
        return Look::Denied;
    default: // EMFILE, ENFILE, ENOMEM and anything unforeseen: the pass is not whole
        return Look::Failed;
    }
}

bool OpenFileScan::scan() {
    held_.clear();
    mapped_.clear();
    heldInodes_.clear();
    holdings_.clear();
    mappedAs_.clear();
    rings_.clear();
    uninspected_ = 0;
    sharedAnonymous_ = {0, 0};
    if (const int probe = ::eventfd(0, EFD_CLOEXEC); probe >= 0) {
        struct stat anonymous {};
        if (::fstat(probe, &anonymous) == 0) {
            sharedAnonymous_ = {anonymous.st_dev, anonymous.st_ino};
        }
        ::close(probe);
    }

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
    bool whole = true;
    // A folder that does not list this very process is not this system's /proc (an empty
    // mount point, say), and its silence would pass for "nothing is held".
    bool sawSelf = false;
    for (;;) {
        errno = 0;
        const dirent* entry = ::readdir(proc);
        if (entry == nullptr) {
            whole = errno == 0 && sawSelf;
            break;
        }
        if (self == entry->d_name) {
            sawSelf = true;
            continue;
        }
        if (!allDigits(entry->d_name)) {
            continue;
        }
        const Look look = scanProcess(procFd, entry->d_name);
        if (look == Look::Failed) {
            whole = false;
            break;
        }
        if (look == Look::Denied) {
            ++uninspected_;
        }
    }
    ::closedir(proc);
    // What the kernel holds itself, once the processes have been looked into.
    return whole && scanLoopDevices() != Look::Failed && scanSwapFiles() != Look::Failed;
}

bool OpenFileScan::held(dev_t dev, ino_t ino) const {
    return held_.contains(FileId{dev, ino}) || heldInodes_.contains(ino);
}

std::vector<OpenFileScan::Holding> OpenFileScan::holdersOf(dev_t dev, ino_t ino) const {
    std::vector<Holding> holders;
    const auto [first, last] = holdings_.equal_range(FileId{dev, ino});
    for (auto it = first; it != last; ++it) {
        const bool seen = std::any_of(holders.begin(), holders.end(), [&](const Holding& h) {
            return h.pid == it->second.pid && h.how == it->second.how &&
                   h.device == it->second.device;
        });
        if (!seen) {
            holders.push_back(it->second);
        }
    }
    return holders;
}

void OpenFileScan::noteHolding(FileId id, const std::string& task, Hold how) {
    pid_t pid = 0;
    parseNumber(std::string_view(task).substr(0, task.find('/')), pid, 10);
    holdings_.emplace(id, Holding{pid, how});
}

void OpenFileScan::noteExecutable(int procFd, const std::string& pid) {
    // The link leads straight to the file; cached attributes are enough for its identity.
    struct statx target {};
    if (::statx(procFd, (pid + "/exe").c_str(), AT_STATX_DONT_SYNC, STATX_INO, &target) == 0) {
        noteHolding(FileId{makedev(target.stx_dev_major, target.stx_dev_minor), target.stx_ino},
                    pid, Hold::Executable);
    }
}

OpenFileScan::Look OpenFileScan::scanProcess(int procFd, const std::string& pid) {
    if (noteHolders_) {
        noteExecutable(procFd, pid);
    }
    const Look look = std::max(scanDescriptors(procFd, pid), scanMappings(procFd, pid));
    return look == Look::Failed ? look : scanThreads(procFd, pid, look);
}

OpenFileScan::Look OpenFileScan::scanDescriptors(int procFd, const std::string& task) {
    int fd = ::openat(procFd, (task + "/fd").c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        return lookOf(errno);
    }
    DIR* dir = ::fdopendir(fd);
    if (dir == nullptr) {
        const int error = errno;
        ::close(fd);
        return lookOf(error);
    }
    Look look = Look::Done;
    for (;;) {
        errno = 0;
        const dirent* entry = ::readdir(dir);
        if (entry == nullptr) {
            look = errno == 0 ? look : lookOf(errno);
            break;
        }
        if (entry->d_name[0] == '.') {
            continue;
        }
        // The link leads to whatever the descriptor refers to. Cached attributes are enough
        // for its identity, so a file on an unreachable server answers without a round trip.
        struct statx target {};
        if (::statx(fd, entry->d_name, AT_STATX_DONT_SYNC, STATX_TYPE | STATX_INO, &target) != 0) {
            look = lookOf(errno);
            if (look == Look::Gone) { // closed meanwhile
                continue;
            }
            break;
        }
        // Sockets can never be probed by name; pipes and the like are harmless to keep.
        if (S_ISSOCK(target.stx_mode)) {
            continue;
        }
        const FileId id{makedev(target.stx_dev_major, target.stx_dev_minor), target.stx_ino};
        // An anonymous inode has no file type. eventfd, epoll and their kind share one; an
        // io_uring ring has its own, and the files registered with it stay held after their
        // descriptors are closed.
        if ((target.stx_mode & S_IFMT) == 0 && !(id == sharedAnonymous_)) {
            noteRing(fd, entry->d_name, task, id.ino);
            continue;
        }
        held_.insert(id);
        // The link's own permission bits tell how the descriptor was opened.
        struct statx link {};
        if (noteHolders_ && ::statx(fd, entry->d_name, AT_SYMLINK_NOFOLLOW | AT_STATX_DONT_SYNC,
                                    STATX_MODE, &link) == 0) {
            const bool reads = (link.stx_mode & S_IRUSR) != 0;
            const bool writes = (link.stx_mode & S_IWUSR) != 0;
            noteHolding(id, task,
                        reads && writes ? Hold::ReadWrite
                        : writes        ? Hold::Write
                                        : Hold::Read);
        }
    }
    ::closedir(dir);
    return look;
}

OpenFileScan::Look OpenFileScan::scanMappings(int procFd, const std::string& task) {
    int fd = ::openat(procFd, (task + "/maps").c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return lookOf(errno);
    }
    const int error = readAll(fd, buffer_);
    ::close(fd);
    if (error != 0) {
        return lookOf(error);
    }
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
            noteMapping(procFd, task, id, line.substr(0, line.find(' ')));
        }
    }
    return Look::Done;
}

// Threads share their leader's descriptor table and memory, so /proc/<pid> shows what they
// hold, except for a thread that unshared its table and for a leader that has ended while
// its threads run on: its table and memory then read as empty, and as root's to anyone else,
// so that a leader that refused (leaderLook Denied) is no refusal when its threads answer.
OpenFileScan::Look OpenFileScan::scanThreads(int procFd, const std::string& pid, Look leaderLook) {
    struct stat tasks {};
    if (::fstatat(procFd, (pid + "/task").c_str(), &tasks, 0) != 0) {
        return std::max(leaderLook, lookOf(errno));
    }
    // The task folder counts its two dot entries and one link per thread.
    if (tasks.st_nlink <= 3) {
        return leaderLook;
    }
    int fd = ::openat(procFd, (pid + "/task").c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    DIR* dir = fd < 0 ? nullptr : ::fdopendir(fd);
    if (dir == nullptr) {
        const Look look = std::max(leaderLook, lookOf(errno));
        if (fd >= 0) {
            ::close(fd);
        }
        return look;
    }
    pid_t leader = 0;
    parseNumber(pid, leader, 10);
    bool memoryCompared = false;
    bool tableRead = false;
    Look look = Look::Done;
    for (;;) {
        errno = 0;
        const dirent* entry = ::readdir(dir);
        if (entry == nullptr) {
            look = errno == 0 ? look : std::max(look, lookOf(errno));
            break;
        }
        pid_t thread = 0;
        if (pid == entry->d_name || !parseNumber(std::string_view(entry->d_name), thread, 10)) {
            continue;
        }
        const std::string task = pid + "/task/" + entry->d_name;
        if (!sameAs(leader, thread, KCMP_FILES)) {
            const Look table = scanDescriptors(procFd, task);
            tableRead = tableRead || table == Look::Done;
            look = std::max(look, table);
        }
        // All threads share one memory: one comparison tells whether the leader still has it.
        if (!memoryCompared) {
            memoryCompared = true;
            if (!sameAs(leader, thread, KCMP_VM)) {
                look = std::max(look, scanMappings(procFd, task));
            }
        }
        if (look >= Look::Denied) {
            break;
        }
    }
    ::closedir(dir);
    return leaderLook == Look::Denied && !tableRead ? std::max(look, leaderLook) : look;
}

void OpenFileScan::noteMapping(int procFd, const std::string& task, FileId id,
                               std::string_view range) {
    if (noteHolders_) {
        noteHolding(id, task, Hold::Mapped);
        if (const auto as = mappedAs_.find(id); as != mappedAs_.end()) {
            noteHolding(as->second, task, Hold::Mapped);
        }
    }
    if (!mapped_.insert(id).second) {
        return;
    }
    held_.insert(id);
    // The device in maps is the superblock's. On btrfs subvolumes and overlayfs that is not the
    // st_dev stat() gives for the same file (overlayfs may also show the inode of the layer
    // below), so the file is also taken as stat() sees it, through the mapping's own link in
    // map_files: that leads to the file without a lookup of its name in the process's file
    // system, where a server that stopped answering would hold the pass for ever. Without the
    // right to follow that link (it takes CAP_SYS_ADMIN or CAP_CHECKPOINT_RESTORE), the inode
    // number is held on every device: a rare wrong "in use" only postpones a restart, a
    // missed one breaks a running program.
    std::string link = task + "/map_files/";
    for (const std::string_view half :
         {range.substr(0, range.find('-')),
          range.substr(std::min(range.size(), range.find('-') + 1))}) {
        // maps pads the addresses with zeros, map_files names them without.
        const auto digits = half.find_first_not_of('0');
        link += digits == std::string_view::npos ? std::string_view("0") : half.substr(digits);
        link += '-';
    }
    link.pop_back();
    struct statx target {};
    if (::statx(procFd, link.c_str(), AT_STATX_DONT_SYNC, STATX_INO, &target) == 0) {
        const FileId as{makedev(target.stx_dev_major, target.stx_dev_minor), target.stx_ino};
        held_.insert(as);
        if (noteHolders_ && !(as == id)) {
            mappedAs_.emplace(id, as);
            noteHolding(as, task, Hold::Mapped);
        }
    } else {
        heldInodes_.insert(id.ino);
    }
}

std::optional<OpenFileScan::FileId> OpenFileScan::noteNamed(std::string_view escapedName,
                                                            Holding holding) {
    constexpr std::string_view deleted = " (deleted)";
    if (escapedName.ends_with(deleted)) {
        return std::nullopt; // no listed path can name it any more
    }
    const std::string name = unescaped(escapedName);
    struct statx target {};
    if (name.empty() || name.front() != '/' ||
        ::statx(AT_FDCWD, name.c_str(), AT_STATX_DONT_SYNC, STATX_TYPE | STATX_INO, &target) != 0) {
        return std::nullopt;
    }
    const FileId id{makedev(target.stx_dev_major, target.stx_dev_minor), target.stx_ino};
    held_.insert(id);
    if (noteHolders_) {
        holdings_.emplace(id, holding);
    }
    return id;
}

void OpenFileScan::noteRing(int fdFolder, const char* fd, const std::string& task,
                            std::uint64_t ring) {
    pid_t pid = 0;
    parseNumber(std::string_view(task).substr(0, task.find('/')), pid, 10);
    const Holding holding{pid, Hold::Registered, 0};
    // A ring shared by several processes is read once.
    if (const auto known = rings_.find(ring); known != rings_.end()) {
        for (const FileId& id : known->second) {
            if (noteHolders_) {
                holdings_.emplace(id, holding);
            }
        }
        return;
    }
    char link[64];
    const ssize_t length = ::readlinkat(fdFolder, fd, link, sizeof link);
    if (length <= 0 ||
        std::string_view(link, static_cast<std::size_t>(length)) != "anon_inode:[io_uring]") {
        return;
    }
    std::vector<FileId>& files = rings_[ring];
    // fdinfo names the registered files: "UserFiles:\t<slots>", then "<slot>: <name>" for each
    // slot in use. The kernel leaves the names out while the ring is busy, so a table with
    // slots and no names is read again a few times (a sparse table may have none in use).
    const std::string info = procRoot_ + "/" + task + "/fdinfo/" + fd;
    std::string text;
    for (int attempt = 0; attempt < 5; ++attempt) {
        if (readSmall(AT_FDCWD, info.c_str(), text) != 0) {
            return;
        }
        constexpr std::string_view label = "\nUserFiles:\t";
        const auto at = text.find(label);
        if (at == std::string::npos) {
            return;
        }
        std::string_view rest = std::string_view(text).substr(at + label.size());
        auto lineEnd = rest.find('\n');
        std::size_t slots = 0;
        if (!parseNumber(rest.substr(0, lineEnd), slots, 10) || slots == 0) {
            return;
        }
        bool named = false;
        while (lineEnd != std::string_view::npos) {
            rest.remove_prefix(lineEnd + 1);
            lineEnd = rest.find('\n');
            const std::string_view line = rest.substr(0, lineEnd);
            const auto number = line.find_first_not_of(' ');
            const auto colon = line.find(": ");
            std::size_t slot = 0;
            if (number == std::string_view::npos || colon == std::string_view::npos ||
                colon < number || !parseNumber(line.substr(number, colon - number), slot, 10)) {
                break;
            }
            named = true;
            if (const auto id = noteNamed(line.substr(colon + 2), holding)) {
                files.push_back(*id);
            }
        }
        if (named) {
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

OpenFileScan::Look OpenFileScan::scanLoopDevices() {
    const int sys = ::open("/sys/block", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (sys < 0) {
        return errno == ENOENT ? Look::Done : Look::Failed; // no sysfs: no loop devices
    }
    DIR* block = ::fdopendir(sys);
    if (block == nullptr) {
        ::close(sys);
        return Look::Failed;
    }
    Look look = Look::Done;
    while (const dirent* entry = ::readdir(block)) {
        std::uint32_t number = 0;
        const std::string_view name(entry->d_name);
        if (!name.starts_with("loop") || !parseNumber(name.substr(4), number, 10)) {
            continue;
        }
        // Only a bound device has its loop folder.
        const std::string backing = std::string(name) + "/loop/backing_file";
        struct stat bound {};
        if (::fstatat(::dirfd(block), backing.c_str(), &bound, 0) != 0) {
            continue;
        }
        const Holding holding{0, Hold::LoopDevice, number};
        // The device tells the backing file's device and inode; its name may be stale.
        const int device =
            ::open(("/dev/" + std::string(name)).c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        if (device < 0 && lookOf(errno) == Look::Failed) {
            look = Look::Failed; // out of descriptors: the pass is not whole
            break;
        }
        loop_info64 status{};
        if (device >= 0 && ::ioctl(device, LOOP_GET_STATUS64, &status) == 0) {
            const FileId id{status.lo_device, status.lo_inode};
            held_.insert(id);
            if (noteHolders_) {
                holdings_.emplace(id, holding);
            }
        } else {
            std::string file;
            if (readSmall(::dirfd(block), backing.c_str(), file) == 0) {
                noteNamed(std::string_view(file).substr(0, file.find('\n')), holding);
            }
        }
        if (device >= 0) {
            ::close(device);
        }
    }
    ::closedir(block);
    return look;
}

OpenFileScan::Look OpenFileScan::scanSwapFiles() {
    std::string swaps;
    const int error = readSmall(AT_FDCWD, (procRoot_ + "/swaps").c_str(), swaps);
    if (error != 0) {
        return error == ENOENT ? Look::Done : Look::Failed; // ENOENT: a kernel without swap
    }
    // "Filename Type Size Used Priority", then one line per area; blanks in a name are escaped.
    std::string_view rest = swaps;
    rest.remove_prefix(std::min(rest.size(), rest.find('\n') + 1));
    while (!rest.empty()) {
        const auto end = rest.find('\n');
        std::string_view line = rest.substr(0, end);
        rest.remove_prefix(end == std::string_view::npos ? rest.size() : end + 1);
        const auto blank = line.find_first_of(" \t");
        if (blank == std::string_view::npos) {
            continue;
        }
        const std::string_view type = line.substr(line.find_first_not_of(" \t", blank));
        if (type.starts_with("file")) {
            noteNamed(line.substr(0, blank), Holding{0, Hold::Swap, 0});
        }
    }
    return Look::Done;
}

} // namespace vesperon::platform::posix
