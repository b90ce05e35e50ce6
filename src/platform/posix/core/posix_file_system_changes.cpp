// The operations of the file-system utility class that change files and folders.
#include "base/text.h"
#include "platform/first_error.h"
#include "platform/posix/core/errno_mapping.h"
#include "platform/posix/core/fd_io.h"
#include "platform/posix/core/posix_file_system.h"
#include "platform/posix/core/posix_paths.h"
#include "platform/windows_error.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vesperon::platform::posix {

namespace {

namespace we = windows_error;

// ENOENT on a new name means that its folder is missing.
long errorForNewName(int error) {
    return error == ENOENT || error == ENOTDIR ? we::path_not_found : fileErrorFromErrno(error);
}

bool readOnlyMode(mode_t mode) {
    return (mode & 0222) == 0;
}

// Deletes everything inside the open folder fd, depth first, without following links.
void emptyFolder(int fd, bool force, FirstError& error) {
    struct stat self {};
    if (force && ::fstat(fd, &self) == 0 && (self.st_mode & 0300) != 0300) {
        ::fchmod(fd, (self.st_mode & 07777) | 0700); // a read-only folder's content goes too
    }
    const int listing = ::openat(fd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    DIR* dir = listing < 0 ? nullptr : ::fdopendir(listing);
    if (dir == nullptr) {
        error.note(fileErrorFromErrno(errno));
        if (listing >= 0) {
            ::close(listing);
        }
        return;
    }
    std::vector<std::string> names;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (name != "." && name != "..") {
            names.push_back(name);
        }
    }
    ::closedir(dir);
    for (const auto& name : names) {
        struct stat st {};
        if (::fstatat(fd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
            error.note(fileErrorFromErrno(errno));
            continue;
        }
        if (S_ISDIR(st.st_mode)) {
            const int sub =
                ::openat(fd, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
            if (sub < 0) {
                error.note(fileErrorFromErrno(errno));
                continue;
            }
            emptyFolder(sub, force, error);
            ::close(sub);
            if (::unlinkat(fd, name.c_str(), AT_REMOVEDIR) != 0) {
                error.note(fileErrorFromErrno(errno));
            }
        } else if (!force && S_ISREG(st.st_mode) && readOnlyMode(st.st_mode)) {
            error.note(we::access_denied);
        } else if (::unlinkat(fd, name.c_str(), 0) != 0) {
            error.note(fileErrorFromErrno(errno));
        }
    }
}

// Copies source into a new file beside target, then renames it into place, so a failed
// copy never leaves a half-written target.
long copyInto(const std::string& source, const std::string& target, bool overwrite) {
    const int in = ::open(source.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0) {
        return errno == ENOENT || errno == ENOTDIR ? we::file_not_found : fileErrorFromErrno(errno);
    }
    struct stat st {};
    if (::fstat(in, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(in);
        return we::access_denied;
    }
    std::string temp = joined(folderOf(target), ".vesperon-copy-XXXXXX");
    const int out = ::mkostemp(temp.data(), O_CLOEXEC);
    if (out < 0) {
        const long error = errorForNewName(errno);
        ::close(in);
        return error;
    }
    long result = we::success;
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(in, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0 || (n > 0 && !writeAll(out, std::string(buffer, static_cast<std::size_t>(n))))) {
            result = fileErrorFromErrno(errno);
            break;
        }
        if (n == 0) {
            break;
        }
    }
    ::close(in);
    if (result == we::success && ::fchmod(out, st.st_mode & 07777) != 0) {
        result = fileErrorFromErrno(errno);
    }
    if (::close(out) != 0 && result == we::success) {
        result = fileErrorFromErrno(errno);
    }
    if (result == we::success) {
        const int moved = overwrite ? ::rename(temp.c_str(), target.c_str())
                                    : ::renameat2(AT_FDCWD, temp.c_str(), AT_FDCWD, target.c_str(),
                                                  RENAME_NOREPLACE);
        if (moved != 0) {
            result = fileErrorFromErrno(errno);
        }
    }
    if (result != we::success) {
        ::unlink(temp.c_str());
    }
    return result;
}

} // namespace

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

long PosixFileSystem::createFolder(const std::string& path) {
    lastFolder_.clear();
    if (path.empty()) {
        return we::invalid_parameter;
    }
    if (!usable(path)) {
        return we::invalid_name;
    }
    return ::mkdir(path.c_str(), 0777) == 0 ? we::success : errorForNewName(errno);
}

long PosixFileSystem::deleteFolder(const std::string& path, bool force) {
    lastFolder_.clear();
    struct stat st {};
    if (!usable(path) || ::lstat(path.c_str(), &st) != 0) {
        return we::path_not_found;
    }
    if (S_ISLNK(st.st_mode)) {
        // A link to a folder goes as a link: what it points to is left alone.
        struct stat target {};
        if (::stat(path.c_str(), &target) != 0 || !S_ISDIR(target.st_mode)) {
            return we::path_not_found;
        }
        return ::unlink(path.c_str()) == 0 ? we::success : fileErrorFromErrno(errno);
    }
    if (!S_ISDIR(st.st_mode)) {
        return we::path_not_found;
    }
    char* resolved = ::realpath(path.c_str(), nullptr);
    const bool root = resolved != nullptr && std::string(resolved) == "/";
    std::free(resolved);
    if (root) {
        return we::access_denied;
    }
    FirstError error;
    const int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        error.note(fileErrorFromErrno(errno));
    } else {
        emptyFolder(fd, force, error);
        ::close(fd);
    }
    if (::rmdir(path.c_str()) != 0) {
        error.note(fileErrorFromErrno(errno));
    }
    return error.get();
}

bool PosixFileSystem::sameFile(const std::string& first, const std::string& second) {
    struct stat a {};
    struct stat b {};
    return usable(first) && usable(second) && ::stat(first.c_str(), &a) == 0 &&
           ::stat(second.c_str(), &b) == 0 && a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

long PosixFileSystem::moveFile(const std::string& source, const std::string& target) {
    struct stat st {};
    if (!usable(source) || ::lstat(source.c_str(), &st) != 0 || S_ISDIR(st.st_mode)) {
        return we::file_not_found;
    }
    if (!usable(target)) {
        return we::invalid_name;
    }
    if (::renameat2(AT_FDCWD, source.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE) == 0) {
        return we::success;
    }
    int error = errno;
    if (error == EINVAL || error == ENOSYS) { // a file system without the no-replace rename
        struct stat existing {};
        if (::lstat(target.c_str(), &existing) == 0) {
            return we::already_exists;
        }
        if (::rename(source.c_str(), target.c_str()) == 0) {
            return we::success;
        }
        error = errno;
    }
    if (error == EXDEV) {
        const long copied = copyInto(source, target, false);
        if (copied != we::success) {
            return copied;
        }
        if (::unlink(source.c_str()) != 0) {
            const long removeError = fileErrorFromErrno(errno);
            ::unlink(target.c_str()); // one file, not two
            return removeError;
        }
        return we::success;
    }
    return errorForNewName(error);
}

long PosixFileSystem::copyFile(const std::string& source, const std::string& target,
                               bool overwrite) {
    if (!usable(source)) {
        return we::file_not_found;
    }
    if (!usable(target)) {
        return we::invalid_name;
    }
    struct stat existing {};
    if (::lstat(target.c_str(), &existing) == 0) {
        if (!overwrite) {
            return we::file_exists;
        }
        // As on Windows, a read-only target is not overwritten.
        if (S_ISDIR(existing.st_mode) ||
            (S_ISREG(existing.st_mode) && readOnlyMode(existing.st_mode))) {
            return we::access_denied;
        }
    }
    return copyInto(source, target, overwrite);
}

long PosixFileSystem::deleteFile(const std::string& path) {
    struct stat st {};
    if (!usable(path) || ::lstat(path.c_str(), &st) != 0) {
        return errno == ENOTDIR ? we::path_not_found : we::file_not_found;
    }
    // Like DeleteFile, a read-only file stays: clearing read-only comes first.
    if (S_ISDIR(st.st_mode) || (S_ISREG(st.st_mode) && readOnlyMode(st.st_mode))) {
        return we::access_denied;
    }
    return ::unlink(path.c_str()) == 0 ? we::success : fileErrorFromErrno(errno);
}

long PosixFileSystem::writeNewFile(const std::string& path, const std::string& bytes) {
    if (!usable(path)) {
        return we::invalid_name;
    }
    struct stat st {};
    if (::lstat(path.c_str(), &st) == 0) {
        if (S_ISDIR(st.st_mode) || (S_ISREG(st.st_mode) && readOnlyMode(st.st_mode))) {
            return we::access_denied;
        }
        // Replaced by a new file, never written through: a link planted under this name
        // goes, and what it pointed to stays as it was.
        if (::unlink(path.c_str()) != 0 && errno != ENOENT) {
            return fileErrorFromErrno(errno);
        }
    }
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) {
        return errorForNewName(errno);
    }
    const bool written = writeAll(fd, bytes);
    const int error = errno;
    if (::close(fd) != 0 || !written) {
        return fileErrorFromErrno(written ? errno : error);
    }
    return we::success;
}

long PosixFileSystem::appendToFile(const std::string& path, const std::string& bytes) {
    if (!usable(path)) {
        return we::file_not_found;
    }
    const int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        return errno == ENOENT ? we::file_not_found : fileErrorFromErrno(errno);
    }
    const bool written = writeAll(fd, bytes);
    const int error = errno;
    if (::close(fd) != 0 || !written) {
        return fileErrorFromErrno(written ? errno : error);
    }
    return we::success;
}

std::optional<std::string> PosixFileSystem::tempFileName(const std::string& folder,
                                                         const std::string& prefix) {
    if (!usable(folder)) {
        return std::nullopt;
    }
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    const unsigned start =
        static_cast<unsigned>(now.tv_nsec / 1000) ^ static_cast<unsigned>(::getpid());
    for (unsigned i = 0; i < 0x10000; ++i) {
        const unsigned unique = (start + i) & 0xFFFF;
        if (unique == 0) {
            continue;
        }
        char hex[8];
        std::snprintf(hex, sizeof hex, "%X", unique);
        const std::string path = joined(folder, prefix.substr(0, 3) + hex + ".TMP");
        const int fd =
            ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd >= 0) {
            ::close(fd);
            return path;
        }
        if (errno != EEXIST) {
            return std::nullopt;
        }
    }
    return std::nullopt;
}

} // namespace vesperon::platform::posix
