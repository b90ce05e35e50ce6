#pragma once

#include <string>
#include <sys/stat.h>

namespace vesperon::platform::posix {

// Looks names up relative to a descriptor of their folder, kept while the following names
// are in the same folder: a check list usually names many files of few folders, and one
// lookup of the last component is cheaper than a walk of the whole path each time.
class FolderCache {
public:
    FolderCache() = default;
    ~FolderCache() { close(); }
    FolderCache(const FolderCache&) = delete;
    FolderCache& operator=(const FolderCache&) = delete;

    // stat() of path: 0, or the errno it failed with.
    int stat(const std::string& path, struct stat& info);
    // open() of path: a descriptor, or -1 with errno set.
    int open(const std::string& path, int flags);
    void close();

private:
    // Points the cache at path's folder; returns the descriptor to look name up in (AT_FDCWD
    // for a path it does not split), or -1 with errno set when the folder cannot be opened.
    int folderFor(const std::string& path, const char*& name);

    std::string folder_;
    int fd_ = -1;
    int error_ = 0; // why the cached folder could not be opened
};

} // namespace vesperon::platform::posix
