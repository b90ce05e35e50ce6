// Folder listings for the file-system utility class.
#include "platform/posix/core/errno_mapping.h"
#include "platform/posix/core/posix_file_system.h"
#include "platform/posix/core/posix_paths.h"
#include "platform/windows_error.h"

#include <algorithm>
#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vesperon::platform::posix {

namespace {

namespace we = windows_error;

long listEntries(const std::string& folder, bool folders, std::vector<std::string>& paths) {
    paths.clear();
    if (!usable(folder)) {
        return we::path_not_found;
    }
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    DIR* dir = fd < 0 ? nullptr : ::fdopendir(fd);
    if (dir == nullptr) {
        const int error = errno;
        if (fd >= 0) {
            ::close(fd);
        }
        return error == ENOENT || error == ENOTDIR ? we::path_not_found : fileErrorFromErrno(error);
    }
    std::vector<std::string> names;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        struct stat st {};
        if (name == "." || name == ".." ||
            ::fstatat(::dirfd(dir), name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
            continue;
        }
        if (folders ? S_ISDIR(st.st_mode) : S_ISREG(st.st_mode)) {
            names.push_back(name);
        }
    }
    ::closedir(dir);
    std::sort(names.begin(), names.end());
    for (const auto& name : names) {
        paths.push_back(joined(folder, name));
    }
    return we::success;
}

} // namespace

long PosixFileSystem::getFolder(const std::string& path) {
    struct stat st {};
    return usable(path) && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode)
               ? we::success
               : we::path_not_found;
}

long PosixFileSystem::listFiles(const std::string& folder, std::vector<std::string>& paths) {
    return listEntries(folder, false, paths);
}

long PosixFileSystem::listSubFolders(const std::string& folder, std::vector<std::string>& paths) {
    return listEntries(folder, true, paths);
}

} // namespace vesperon::platform::posix
