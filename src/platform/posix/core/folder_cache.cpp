#include "platform/posix/core/folder_cache.h"

#include <cerrno>
#include <fcntl.h>
#include <string_view>
#include <unistd.h>

namespace vesperon::platform::posix {

int FolderCache::folderFor(const std::string& path, const char*& name) {
    const auto slash = path.find_last_of('/');
    const std::string_view last =
        slash == std::string::npos ? std::string_view{} : std::string_view(path).substr(slash + 1);
    // A root, a trailing "/", "." and ".." are left to the system to walk whole.
    if (slash == std::string::npos || slash == 0 || last.empty() || last == "." || last == "..") {
        name = path.c_str();
        return AT_FDCWD;
    }
    name = path.c_str() + slash + 1;
    const bool cached = (fd_ >= 0 || error_ != 0) && folder_.size() == slash &&
                        path.compare(0, slash, folder_) == 0;
    if (!cached) {
        close();
        folder_.assign(path, 0, slash);
        // O_PATH needs no read permission on the folder, only the search permission
        // that a lookup of the whole path would need too.
        fd_ = ::open(folder_.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
        error_ = fd_ < 0 ? errno : 0;
    }
    if (fd_ < 0) {
        errno = error_;
    }
    return fd_;
}

int FolderCache::stat(const std::string& path, struct stat& info) {
    const char* name = nullptr;
    const int folder = folderFor(path, name);
    if (folder == -1) {
        return errno;
    }
    return ::fstatat(folder, name, &info, 0) == 0 ? 0 : errno;
}

int FolderCache::open(const std::string& path, int flags) {
    const char* name = nullptr;
    const int folder = folderFor(path, name);
    if (folder == -1) {
        return -1;
    }
    return ::openat(folder, name, flags);
}

void FolderCache::close() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
    fd_ = -1;
    error_ = 0;
    folder_.clear();
}

} // namespace vesperon::platform::posix
