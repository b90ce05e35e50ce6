#include "platform/posix/atomic_file.h"

#include "platform/windows_error.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace vesperon::platform::posix {

namespace {

bool writeAll(int fd, const std::string& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

std::string folderOf(const std::string& path) {
    auto slash = path.find_last_of('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

} // namespace

bool replaceFileAtomically(const std::string& path, const std::string& bytes) {
    if (path.empty() || path.find('\0') != std::string::npos) {
        errno = ENOENT;
        return false;
    }
    mode_t mode = 0644;
    struct stat old {};
    if (::stat(path.c_str(), &old) == 0) {
        if (!S_ISREG(old.st_mode)) {
            errno = EISDIR;
            return false;
        }
        mode = old.st_mode & 07777;
    }
    std::string temp = path + ".XXXXXX";
    int fd = ::mkostemp(temp.data(), O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    bool ok = writeAll(fd, bytes) && ::fchmod(fd, mode) == 0 && ::fsync(fd) == 0;
    int saved = errno;
    if (::close(fd) != 0 && ok) {
        ok = false;
        saved = errno;
    }
    if (ok && ::rename(temp.c_str(), path.c_str()) != 0) {
        ok = false;
        saved = errno;
    }
    if (!ok) {
        ::unlink(temp.c_str());
        errno = saved;
        return false;
    }
    // Make the rename itself durable; a failure here loses nothing already written.
    int dir = ::open(folderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    return true;
}

long windowsErrorFromErrno(int error) {
    namespace we = vesperon::platform::windows_error;
    switch (error) {
    case 0:
        return we::success;
    case ENOENT:
        return we::file_not_found;
    case ENOTDIR:
        return we::path_not_found;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
        return we::access_denied;
    case ENOMEM:
        return we::not_enough_memory;
    case ENOSPC:
    case EDQUOT:
        return we::disk_full;
    case EBUSY:
    case ETXTBSY:
        return we::sharing_violation;
    case EIO:
        return we::write_fault;
    case EFBIG:
        return we::file_too_large;
    default:
        return we::invalid_function;
    }
}

} // namespace vesperon::platform::posix
