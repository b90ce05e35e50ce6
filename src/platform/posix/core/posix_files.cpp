#include "platform/posix/core/posix_files.h"

#include "platform/posix/core/atomic_file.h"
#include "platform/posix/core/fd_io.h"
#include "platform/posix/proc/holder_names.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <fcntl.h>
#include <optional>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace vesperon::platform::posix {

namespace {

// A list file is a few kilobytes; anything this large is not one, and loading it would only
// exhaust memory.
constexpr std::size_t maxReadBytes = std::size_t{64} * 1024 * 1024;

bool hasNul(const std::string& path) {
    return path.find('\0') != std::string::npos;
}

bool closeChecked(int fd) {
    return ::close(fd) == 0;
}

} // namespace

PosixFiles::PosixFiles(const std::string& procRoot, std::chrono::milliseconds lockWait)
    : holderNames_(procRoot), scan_(procRoot), overlays_(procRoot + "/self/mountinfo"),
      lockWait_(lockWait) {}

std::vector<std::string> PosixFiles::seenAs(const std::string& path) {
    return path == lastLayered_ ? lastSeenAs_ : std::vector<std::string>{};
}

std::vector<FileHolder> PosixFiles::holdersOf(const std::string& path) {
    if (path != lastFile_ || !scanValid_) {
        return {};
    }
    return holderNames_.name(scan_.holdersOf(lastFileId_.first, lastFileId_.second));
}

bool PosixFiles::fileNumberAvailable() {
    // Probes keep no more open between them than one folder, so one answer serves a whole
    // check run.
    if (!fileNumberKnown_) {
        fileNumberAvailable_ = descriptorAvailable();
        fileNumberKnown_ = true;
    }
    return fileNumberAvailable_;
}

bool PosixFiles::descriptorAvailable() {
    // Duplicating a standard descriptor needs no path; only a full table makes it fail.
    for (int fd : {0, 1, 2}) {
        int copy = ::fcntl(fd, F_DUPFD_CLOEXEC, 0);
        if (copy >= 0) {
            ::close(copy);
            return true;
        }
        if (errno == EMFILE) {
            return false;
        }
    }
    int fd = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
    if (fd >= 0) {
        ::close(fd);
        return true;
    }
    return errno != EMFILE && errno != ENFILE;
}

void PosixFiles::beginProbeRun() {
    endProbeRun();
    scanStale_ = true;
    fileNumberKnown_ = false;
}

void PosixFiles::endProbeRun() {
    folder_.close();
    holderNames_.clear();
    lastFile_.clear();
    overlays_.forget();
    lastLayered_.clear();
}

Presence PosixFiles::presenceOf(const std::string& path) {
    if (hasNul(path)) {
        return Presence::Undetermined;
    }
    struct stat info {};
    const int error = folder_.stat(path, info);
    if (error == 0) {
        if (!S_ISREG(info.st_mode)) {
            return Presence::NotAFile;
        }
        // Held through the overlay, the file has the overlay's device and inode, not these.
        if (auto merged = overlays_.mergedPathsOf(path, info.st_dev); !merged.empty()) {
            lastLayered_ = path;
            lastSeenAs_ = std::move(merged);
            return Presence::Undetermined;
        }
        lastFile_ = path;
        lastFileId_ = {info.st_dev, info.st_ino};
        return Presence::File;
    }
    // Only these say that nothing is there; a refused search, an I/O error or a stale share
    // cannot tell.
    return error == ENOENT || error == ENOTDIR ? Presence::Absent : Presence::Undetermined;
}

ProbeResult PosixFiles::probe(const std::string& path) {
    if (hasNul(path)) {
        return ProbeResult::InUse;
    }
    // O_NONBLOCK so that a FIFO without a writer does not hang the check.
    const int fd = folder_.open(path, O_RDONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return ProbeResult::InUse;
    }
    // The file just found by presenceOf() is known already. The holders are a view taken once
    // per run, so a file replaced between that lookup and this open is no worse off than one
    // replaced after the view was taken.
    struct stat info {};
    bool known = path == lastFile_;
    if (known) {
        info.st_dev = lastFileId_.first;
        info.st_ino = lastFileId_.second;
    }
    const bool statted = known || ::fstat(fd, &info) == 0;
    if (!closeChecked(fd) || !statted) {
        return ProbeResult::InUse;
    }
    lastFile_ = path;
    lastFileId_ = {info.st_dev, info.st_ino};
    if (scanStale_) {
        scanValid_ = scan_.scan();
        scanStale_ = false;
    }
    // Without /proc nothing is known about other processes.
    if (!scanValid_) {
        return ProbeResult::Undetermined;
    }
    return scan_.held(info.st_dev, info.st_ino) ? ProbeResult::InUse : ProbeResult::Free;
}

namespace {

class PosixInputFile final : public InputFile {
public:
    explicit PosixInputFile(int fd) : fd_(fd) {}
    ~PosixInputFile() override { ::close(fd_); }
    PosixInputFile(const PosixInputFile&) = delete;
    PosixInputFile& operator=(const PosixInputFile&) = delete;
    long read(char* buffer, std::size_t size) override {
        for (;;) {
            const ssize_t n = ::read(fd_, buffer, size);
            if (n >= 0 || errno != EINTR) {
                return static_cast<long>(n);
            }
        }
    }

private:
    int fd_;
};

} // namespace

OpenedFile PosixFiles::openForReading(const std::string& path) {
    if (hasNul(path)) {
        return {FileRead::Status::Absent, nullptr}; // no file can have such a name
    }
    const int fd = ::open(path.c_str(), O_RDONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        // A link whose target is gone (a share not mounted) is something, not nothing.
        const bool nothingThere = (errno == ENOENT || errno == ENOTDIR) && absent(path);
        return {nothingThere ? FileRead::Status::Absent : FileRead::Status::Unreadable, nullptr};
    }
    auto file = std::make_unique<PosixInputFile>(fd);
    struct stat info {};
    // Only regular files: a folder cannot be read, a device or FIFO may never end.
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        return {FileRead::Status::Unreadable, nullptr};
    }
    return {FileRead::Status::Read, std::move(file)};
}

FileRead PosixFiles::readWhole(const std::string& path) {
    FileRead result;
    if (hasNul(path)) {
        return result; // no file can have such a name
    }
    int fd = ::open(path.c_str(), O_RDONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        result.status = errno == ENOENT || errno == ENOTDIR ? FileRead::Status::Absent
                                                            : FileRead::Status::Unreadable;
        return result;
    }
    result.status = FileRead::Status::Unreadable;
    struct stat info {};
    // Only regular files: a folder cannot be read, a device or FIFO may never end.
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) ||
        static_cast<std::uint64_t>(info.st_size) > maxReadBytes) {
        ::close(fd);
        return result;
    }
    std::string bytes(std::max<std::size_t>(static_cast<std::size_t>(info.st_size) + 1, 4096),
                      '\0');
    std::size_t used = 0;
    for (;;) {
        if (used == bytes.size()) {
            bytes.resize(std::min(bytes.size() * 2, maxReadBytes + 1));
        }
        ssize_t n = ::read(fd, bytes.data() + used, bytes.size() - used);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n == 0) {
            break;
        }
        if (n > 0) {
            used += static_cast<std::size_t>(n);
        }
        if (n < 0 || used > maxReadBytes) { // a read error, or the file grew past the limit
            ::close(fd);
            return result;
        }
    }
    ::close(fd);
    bytes.resize(used);
    result.status = FileRead::Status::Read;
    result.bytes = std::move(bytes);
    return result;
}

bool PosixFiles::writeFailed(int error) {
    lastWriteFailure_ = std::strerror(error);
    return false;
}

bool PosixFiles::writeText(const std::string& path, const std::string& bytes, bool overwrite) {
    if (hasNul(path)) {
        return writeFailed(EINVAL);
    }
    return writeFileContent(path, bytes, overwrite) || writeFailed(errno);
}

bool PosixFiles::createFile(const std::string& path, const std::string& bytes) {
    return !hasNul(path) && createFileExclusively(path, bytes);
}

void PosixFiles::removeStaleTemporaries(const std::string& folder,
                                        const std::vector<std::string>& names) {
    if (!hasNul(folder)) {
        posix::removeStaleTemporaries(folder, names);
    }
}

std::optional<std::string> PosixFiles::changeableByOthers(const std::string& folder) {
    const uid_t self = ::geteuid();
    if (self != 0 || hasNul(folder) || folder.empty() || folder.front() != '/') {
        return std::nullopt;
    }
    // The folder itself: anyone who may add a name there may plant a link under a name the
    // program means to create. A folder above it: anyone who may rename or replace what
    // lies in it, which the sticky bit keeps others from doing to root's folders.
    std::string path = folder;
    bool itself = true;
    for (;;) {
        while (path.size() > 1 && path.back() == '/') {
            path.pop_back();
        }
        struct stat info {};
        if (::lstat(path.c_str(), &info) != 0) {
            return std::nullopt;
        }
        const bool othersWrite =
            (info.st_mode & S_IWOTH) != 0 || ((info.st_mode & S_IWGRP) != 0 && info.st_gid != 0);
        const bool sticky = (info.st_mode & S_ISVTX) != 0;
        if ((info.st_uid != self && info.st_uid != 0) || (othersWrite && (itself || !sticky))) {
            return path == "/" ? path : path + "/";
        }
        if (path == "/") {
            return std::nullopt;
        }
        const auto slash = path.find_last_of('/');
        path.resize(slash == 0 ? 1 : slash);
        itself = false;
    }
}

bool PosixFiles::absent(const std::string& path) {
    if (hasNul(path)) {
        return true; // no file can have such a name, as readWhole() sees it too
    }
    struct stat info {};
    return ::lstat(path.c_str(), &info) != 0 && (errno == ENOENT || errno == ENOTDIR);
}

bool PosixFiles::normalFilePresent(const std::string& path) {
    struct stat info {};
    if (hasNul(path) || ::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) {
        return false;
    }
    auto slash = path.find_last_of('/');
    std::string_view name(path);
    name.remove_prefix(slash == std::string::npos ? 0 : slash + 1);
    return name.empty() || name.front() != '.';
}

bool PosixFiles::deleteFile(const std::string& path) {
    return !hasNul(path) && ::unlink(path.c_str()) == 0;
}

// Every operation closes what it opens before returning; nothing is left to close.
void PosixFiles::closeAll() {}

bool PosixFiles::replaceFile(const std::string& path, const std::string& bytes) {
    return replaceFileAtomically(path, bytes) || writeFailed(errno);
}

} // namespace vesperon::platform::posix
