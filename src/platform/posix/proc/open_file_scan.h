#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <sys/types.h>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace vesperon::platform::posix {

// Which files other processes hold open (a descriptor) or have mapped into memory, gathered
// in one pass over /proc, the way fuser sees them, and also through threads that keep a
// descriptor table of their own or outlived their leader. Processes that end during the pass
// are passed over. The same pass finds the files that the kernel holds with no descriptor in
// any process: the backing files of loop devices, active swap files, and files registered
// with an io_uring ring and closed since. The pass never looks a name up inside another
// process's file system, so a mount there that stops answering cannot hold it.
class OpenFileScan {
public:
    // self: the process to leave out; 0 means the calling process at the time of scan().
    explicit OpenFileScan(std::string procRoot = "/proc", pid_t self = 0);

    // Walks procRoot now and replaces what an earlier scan gathered. False when the pass could
    // not be made whole (procRoot unreadable or not listing this process, no descriptor or
    // memory left for the pass itself, a held file that does not say what it is), so that
    // nothing is known about other processes.
    bool scan();
    // Whether the file with that device and inode was held at the last scan.
    bool held(dev_t dev, ino_t ino) const;
    // Processes of the last scan that could not be looked into (another user's, without the
    // right to trace it): what they hold counts as free.
    std::size_t uninspectedProcesses() const { return uninspected_; }

    // How a process, or the kernel, holds a file.
    enum class Hold : std::uint8_t {
        Read,
        Write,
        ReadWrite,
        Mapped,
        Executable,
        Registered, // with an io_uring ring of the process
        LoopDevice, // the kernel's: the backing file of loop device number `device`
        Swap        // the kernel's: an active swap file
    };
    struct Holding {
        pid_t pid; // 0 for the kernel's
        Hold how;
        std::uint32_t device = 0;
    };
    // Whether the next scans note who holds what (a little more work per descriptor).
    void noteHolders(bool on) { noteHolders_ = on; }
    // Who held the file at the last scan, when noted; one entry per process and way.
    std::vector<Holding> holdersOf(dev_t dev, ino_t ino) const;

private:
    struct FileId {
        std::uint64_t dev;
        std::uint64_t ino;
        bool operator==(const FileId&) const = default;
    };
    struct FileIdHash {
        std::size_t operator()(const FileId& id) const noexcept;
    };
    // How looking at one part of a process went, from best to worst.
    enum class Look { Done, Gone, Denied, Failed };
    static Look lookOf(int error);

    Look scanProcess(int procFd, const std::string& pid);
    // task: "<pid>" or "<pid>/task/<tid>".
    Look scanDescriptors(int procFd, const std::string& task);
    Look scanMappings(int procFd, const std::string& task);
    Look scanThreads(int procFd, const std::string& pid, Look leaderLook);
    Look scanLoopDevices();
    Look scanSwapFiles();
    // A descriptor that names an anonymous inode of its own; an io_uring ring's files are held.
    void noteRing(int fdFolder, const char* fd, const std::string& task, std::uint64_t ring);
    // The file a name the kernel gave stands for now, looked up without waiting on a server.
    std::optional<FileId> noteNamed(std::string_view escapedName, Holding holding);
    // range: the mapping's addresses as maps shows them, "7f0a1000-7f0a3000".
    void noteMapping(int procFd, const std::string& task, FileId id, std::string_view range);
    void noteHolding(FileId id, const std::string& task, Hold how);
    void noteExecutable(int procFd, const std::string& pid);

    std::string procRoot_;
    pid_t self_;
    std::unordered_set<FileId, FileIdHash> held_;
    // Mapped files seen in this pass, so that each is looked at once.
    std::unordered_set<FileId, FileIdHash> mapped_;
    // Inodes of mapped files whose name could not be looked up; see noteMapping().
    std::unordered_set<std::uint64_t> heldInodes_;
    bool noteHolders_ = false;
    std::unordered_multimap<FileId, Holding, FileIdHash> holdings_;
    // The file stat() names for a mapping whose maps entry says otherwise (see noteMapping).
    std::unordered_map<FileId, FileId, FileIdHash> mappedAs_;
    std::size_t uninspected_ = 0;
    std::string buffer_;
    // The anonymous inode that eventfd, epoll and the like share; a ring has one of its own.
    FileId sharedAnonymous_{0, 0};
    // The files registered with each ring seen in this pass, by the ring's inode.
    std::unordered_map<std::uint64_t, std::vector<FileId>> rings_;
};

} // namespace vesperon::platform::posix
