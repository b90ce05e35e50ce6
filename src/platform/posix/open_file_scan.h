#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <sys/types.h>
#include <unordered_set>

namespace vesperon::platform::posix {

// Which files other processes hold open (a descriptor) or have mapped into memory, gathered
// in one pass over /proc, the way fuser sees them. Processes that vanish during the pass or
// whose entries cannot be read are passed over.
class OpenFileScan {
public:
    // self: the process to leave out; 0 means the calling process at the time of scan().
    explicit OpenFileScan(std::string procRoot = "/proc", pid_t self = 0);

    // Walks procRoot now and replaces what an earlier scan gathered; false when procRoot
    // cannot be read at all, so that nothing is known about other processes.
    bool scan();
    // Whether the file with that device and inode was held at the last scan.
    bool held(dev_t dev, ino_t ino) const;

private:
    struct FileId {
        std::uint64_t dev;
        std::uint64_t ino;
        bool operator==(const FileId&) const = default;
    };
    struct FileIdHash {
        std::size_t operator()(const FileId& id) const noexcept;
    };

    void scanDescriptors(int procFd, const std::string& pid);
    void scanMappings(int procFd, const std::string& pid);
    void noteMapping(int procFd, const std::string& pid, FileId id, std::string_view path);

    std::string procRoot_;
    pid_t self_;
    std::unordered_set<FileId, FileIdHash> held_;
    // Mapped files seen in this pass, so that each is looked at once.
    std::unordered_set<FileId, FileIdHash> mapped_;
    // Inodes of mapped files whose name could not be looked up; see noteMapping().
    std::unordered_set<std::uint64_t> heldInodes_;
    std::string buffer_;
};

} // namespace vesperon::platform::posix
