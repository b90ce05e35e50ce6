#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace vesperon::platform {

struct FileRead {
    enum class Status { Read, Absent, Unreadable };
    Status status = Status::Absent;
    std::string bytes;
};

// What the system says about a path that a check run is asked to test.
enum class Presence {
    Absent,      // the system says plainly that nothing is there
    File,        // a file the program can probe
    NotAFile,    // something else: a folder, a device, a socket
    Undetermined // the system could not say (no permission, I/O error, a stale share...)
};

// The outcome of the momentary exclusive open of an existing file.
enum class ProbeResult { Free, InUse, Undetermined };

// A file opened for reading in pieces, closed when destroyed.
class InputFile {
public:
    virtual ~InputFile() = default;
    // Up to size bytes into buffer: how many were read, 0 at the end, -1 on a read error.
    virtual long read(char* buffer, std::size_t size) = 0;
};

struct OpenedFile {
    // Absent only when nothing at all is at the path (not even a dangling link).
    FileRead::Status status = FileRead::Status::Absent;
    std::unique_ptr<InputFile> file; // set when status is Read
};

// A lock on a file, held until this object is destroyed.
class FileLock {
public:
    virtual ~FileLock() = default;
};

// A process that holds a file, as a person at a terminal would want it named; the kernel
// itself (a loop device, swap) has pid 0 and only says how.
struct FileHolder {
    std::uint32_t pid = 0;
    std::string user;    // the owner's name, or the number when it has none
    std::string command; // the process's command name
    std::string how;     // "open for reading", "mapped", "executable", ... joined by ", "
};

struct LockAttempt {
    // TimedOut: another process held the lock for the whole wait. Unavailable: the lock file
    // could not be opened or created at all.
    enum class Status { Held, TimedOut, Unavailable };
    Status status = Status::Unavailable;
    std::unique_ptr<FileLock> lock; // set when Held
};

// Plain file operations. A call closes what it opens before it returns, but for what it hands
// back (an opened file, a lock) and the one folder that the probes of a check run keep open
// between them until endProbeRun().
class Files {
public:
    virtual ~Files() = default;
    // False when the program's table of open files is full.
    virtual bool fileNumberAvailable() = 0;
    // Starts a new check run: the next probe sees which files other processes hold now.
    virtual void beginProbeRun() = 0;
    // Ends it: whatever the probes kept for the run (folders, the view of other processes)
    // is let go.
    virtual void endProbeRun() = 0;
    // What the system says about the path, asked for a check run.
    virtual Presence presenceOf(const std::string& path) = 0;
    // Opens the existing file exclusively for reading and closes it again: in use when
    // either fails or when another process holds the file; undetermined when the program
    // cannot see what other processes hold.
    virtual ProbeResult probe(const std::string& path) = 0;
    // Opens a file to be read in pieces; only regular files count as readable.
    virtual OpenedFile openForReading(const std::string& path) = 0;
    // Processes that the probes of this check run could not look into, so that what they hold
    // counts as free; 0 where a probe sees every other process by itself.
    virtual std::size_t uninspectedProcesses() = 0;
    // Asks the probe runs that follow to note which processes hold what, for holdersOf(): a
    // little more work per open descriptor of the system, so only when someone will read it.
    virtual void describeHolders(bool /*on*/) {}
    // The processes that held the file at its last probe, when they were noted; empty where
    // a probe sees no other process.
    virtual std::vector<FileHolder> holdersOf(const std::string& /*path*/) { return {}; }
    // Other paths at which programs see the file that presenceOf() last found undetermined
    // for that reason (the merged view of an overlay whose layer holds it); empty otherwise.
    virtual std::vector<std::string> seenAs(const std::string& /*path*/) { return {}; }
    // Takes the one lock on that file, waiting a bounded time while another process holds it.
    // The file is created when missing and never removed.
    virtual LockAttempt lockFile(const std::string& path) = 0;
    virtual FileRead readWhole(const std::string& path) = 0;
    // Appends (or, with overwrite, replaces the content with) the bytes given.
    virtual bool writeText(const std::string& path, const std::string& bytes, bool overwrite) = 0;
    // Creates the file holding bytes when nothing at all is at the path: never writes to what
    // is there, nor through a link planted meanwhile. False when it was not created.
    virtual bool createFile(const std::string& path, const std::string& bytes) {
        return absent(path) && writeText(path, bytes, false);
    }
    // Removes from the folder what a replace of one of the named files left behind when its
    // process was killed (replaceFile's temporary files), once no writer can still be at it.
    virtual void removeStaleTemporaries(const std::string& /*folder*/,
                                        const std::vector<std::string>& /*names*/) {}
    // For a run of the system's administrator: the folder, the one given or one it lies in,
    // that other users may change, so that they could choose what the run reads and where it
    // writes; nothing when there is none.
    virtual std::optional<std::string> changeableByOthers(const std::string& /*folder*/) {
        return std::nullopt;
    }
    // True only when the system says that nothing exists at that path.
    virtual bool absent(const std::string& path) = 0;
    // True for an existing file that is neither hidden, system nor a folder.
    virtual bool normalFilePresent(const std::string& path) = 0;
    virtual bool deleteFile(const std::string& path) = 0;
    // Replaces the file's whole content in one step: a temporary file in the same folder,
    // then renamed over it. On failure the old file is left whole.
    virtual bool replaceFile(const std::string& path, const std::string& bytes) = 0;
    // Why the last writeText() or replaceFile() that failed did, in the system's words.
    virtual std::string lastWriteFailure() = 0;
    // Closes every file the program still holds open.
    virtual void closeAll() = 0;
};

} // namespace vesperon::platform
