#include "platform/posix/core/atomic_file.h"

#include "platform/posix/core/fd_io.h"

#include <algorithm>
#include <cerrno>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <string>
#include <string_view>
#include <sys/file.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vesperon::platform::posix {

namespace {

constexpr std::string_view temporaryLetters =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
constexpr std::size_t temporarySuffix = 6;
// A writer holds its temporary file locked; this covers the moment between its creation and
// the lock, and between the end of the write and the rename.
constexpr std::time_t staleAfterSeconds = 10;

// A descriptor of the folder that holds a path, closed with the object; errno is kept.
class Folder {
public:
    explicit Folder(const std::string& path) {
        if (path.empty() || path.find('\0') != std::string::npos || path.back() == '/') {
            errno = path.empty() || path.back() == '/' ? EISDIR : ENOENT;
            return;
        }
        const auto slash = path.find_last_of('/');
        name_ = slash == std::string::npos ? path : path.substr(slash + 1);
        fd_ = ::open(folderOf(path).c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    }
    ~Folder() {
        if (fd_ >= 0) {
            const int error = errno;
            ::close(fd_);
            errno = error;
        }
    }
    Folder(const Folder&) = delete;
    Folder& operator=(const Folder&) = delete;
    bool open() const { return fd_ >= 0; }
    int fd() const { return fd_; }
    const std::string& name() const { return name_; }

private:
    int fd_ = -1;
    std::string name_;
};

// Closes fd, keeping errno.
void closeQuietly(int fd) {
    const int error = errno;
    ::close(fd);
    errno = error;
}

bool writeAndClose(int fd, const std::string& bytes) {
    if (!writeAll(fd, bytes)) {
        closeQuietly(fd);
        return false;
    }
    return ::close(fd) == 0;
}

// A new, empty file of a name nobody has, beside name; its descriptor, or -1 with errno.
int createTemporary(const Folder& folder, std::string& temporary) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        unsigned char random[temporarySuffix];
        if (::getrandom(random, sizeof random, 0) != static_cast<ssize_t>(sizeof random)) {
            return -1;
        }
        temporary = folder.name() + ".";
        for (unsigned char r : random) {
            temporary += temporaryLetters[r % temporaryLetters.size()];
        }
        const int fd = ::openat(folder.fd(), temporary.c_str(),
                                O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd >= 0) {
            // Held until closed: a run cleaning up stale temporaries leaves this one alone.
            ::flock(fd, LOCK_EX | LOCK_NB);
            return fd;
        }
        if (errno != EEXIST) {
            return -1;
        }
    }
    return -1;
}

bool isTemporaryOf(std::string_view entry, const std::vector<std::string>& names) {
    if (entry.size() <= temporarySuffix + 1) {
        return false;
    }
    const std::string_view suffix = entry.substr(entry.size() - temporarySuffix);
    const std::string_view base = entry.substr(0, entry.size() - temporarySuffix - 1);
    if (entry[base.size()] != '.' ||
        suffix.find_first_not_of(temporaryLetters) != std::string_view::npos) {
        return false;
    }
    return std::ranges::any_of(names, [&](const std::string& name) { return base == name; });
}

} // namespace

bool replaceFileAtomically(const std::string& path, const std::string& bytes) {
    const Folder folder(path);
    if (!folder.open()) {
        return false;
    }
    mode_t mode = 0644;
    struct stat old {};
    if (::fstatat(folder.fd(), folder.name().c_str(), &old, AT_SYMLINK_NOFOLLOW) == 0) {
        if (S_ISLNK(old.st_mode)) {
            errno = ELOOP;
            return false;
        }
        if (!S_ISREG(old.st_mode)) {
            errno = EISDIR;
            return false;
        }
        mode = old.st_mode & 07777;
    } else if (errno != ENOENT) {
        return false;
    }
    std::string temporary;
    const int fd = createTemporary(folder, temporary);
    if (fd < 0) {
        return false;
    }
    bool ok = writeAll(fd, bytes) && ::fchmod(fd, mode) == 0 && ::fsync(fd) == 0;
    int saved = errno;
    if (::close(fd) != 0 && ok) {
        ok = false;
        saved = errno;
    }
    // A link planted under the name meanwhile is replaced, never followed.
    if (ok && ::renameat(folder.fd(), temporary.c_str(), folder.fd(), folder.name().c_str()) != 0) {
        ok = false;
        saved = errno;
    }
    if (!ok) {
        ::unlinkat(folder.fd(), temporary.c_str(), 0);
        errno = saved;
        return false;
    }
    // Make the rename itself durable; a failure here loses nothing already written.
    const int dir = ::openat(folder.fd(), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    return true;
}

bool createFileExclusively(const std::string& path, const std::string& bytes) {
    const Folder folder(path);
    if (!folder.open()) {
        return false;
    }
    // O_EXCL never follows a link, not even a dangling one.
    const int fd = ::openat(folder.fd(), folder.name().c_str(),
                            O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC, 0644);
    return fd >= 0 && writeAndClose(fd, bytes);
}

bool writeFileContent(const std::string& path, const std::string& bytes, bool overwrite) {
    const Folder folder(path);
    if (!folder.open()) {
        return false;
    }
    const int flags = O_WRONLY | O_NOFOLLOW | O_NOCTTY | O_NONBLOCK | O_CLOEXEC |
                      (overwrite ? O_TRUNC : O_APPEND);
    for (int attempt = 0; attempt < 3; ++attempt) {
        int fd = ::openat(folder.fd(), folder.name().c_str(), flags);
        if (fd < 0 && errno == ENOENT) {
            fd = ::openat(folder.fd(), folder.name().c_str(), flags | O_CREAT | O_EXCL, 0644);
            if (fd < 0 && errno == EEXIST) {
                continue; // made by someone else meanwhile: open what is there now
            }
        }
        if (fd < 0) {
            return false;
        }
        struct stat info {};
        if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
            const int error = S_ISREG(info.st_mode) ? errno : EINVAL;
            ::close(fd);
            errno = error;
            return false;
        }
        return writeAndClose(fd, bytes);
    }
    return false;
}

void removeStaleTemporaries(const std::string& folder, const std::vector<std::string>& names) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    DIR* dir = fd < 0 ? nullptr : ::fdopendir(fd);
    if (dir == nullptr) {
        if (fd >= 0) {
            ::close(fd);
        }
        return;
    }
    const std::time_t before = std::time(nullptr) - staleAfterSeconds;
    while (const dirent* entry = ::readdir(dir)) {
        if (!isTemporaryOf(entry->d_name, names)) {
            continue;
        }
        const int file = ::openat(::dirfd(dir), entry->d_name,
                                  O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
        if (file < 0) {
            continue;
        }
        struct stat info {};
        if (::fstat(file, &info) == 0 && S_ISREG(info.st_mode) && info.st_mtime < before &&
            ::flock(file, LOCK_EX | LOCK_NB) == 0) {
            ::unlinkat(::dirfd(dir), entry->d_name, 0);
        }
        ::close(file);
    }
    ::closedir(dir);
}

} // namespace vesperon::platform::posix
