#pragma once

#include "platform/file_system.h"
#include "platform/files.h"

#include <cstddef>
#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace vesperon::fake {

// An in-memory Windows-style disk: drive letters, folders and files, paths compared
// without regard to case, as Windows does.
struct Drive {
    bool ready = true;
    long type = 2; // fixed
};

// What a file has beyond its bytes. Read-only is kept in FakeDisk::readOnly.
struct FakeFileMeta {
    std::string spelling; // the path as first given; listings show it
    std::int32_t attributes = platform::file_attribute::archive;
    std::string accessed = "1/1/2024 12:00:00 PM";
    std::string modified = "1/1/2024 12:00:00 PM";
    std::string created = "1/1/2024 12:00:00 PM";
    std::string version;
};

class FakeDisk {
public:
    FakeDisk(); // drive C: present, ready, fixed
    // The Linux edition: "/" paths, names compared exactly, the root "/" as the one drive
    // (kept in drives under '/').
    void usePosixPaths();
    bool posixPaths() const { return posix_; }
    char separator() const { return posix_ ? '/' : '\\'; }
    // The key of a path in the disk's own edition; key() is the Windows edition's.
    std::string keyOf(const std::string& path) const { return posix_ ? path : key(path); }
    // The folder that holds a path (a parent-folder name of the disk's edition).
    std::string parentOf(const std::string& path) const;
    // The drive a path starts on, when the disk has it.
    const Drive* driveOf(const std::string& path) const;
    void addDrive(char letter, Drive drive) { drives[upper(letter)] = drive; }
    void addFolder(const std::string& path);                              // and every parent folder
    void addFile(const std::string& path, const std::string& bytes = {}); // and its folders
    bool hasFile(const std::string& path) const;
    std::string bytesOf(const std::string& path) const;
    void removeFile(const std::string& path);
    bool hasFolder(const std::string& path) const; // a bare drive counts when it is there
    FakeFileMeta& meta(const std::string& path);   // created with the path's spelling
    // The spelling of a file or folder key, or the key itself when none was given.
    std::string spellingOf(const std::string& key) const;

    static std::string key(const std::string& path);
    static char upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c; }

    std::map<char, Drive> drives;
    std::set<std::string> folders;                  // keys
    std::map<std::string, std::string> files;       // key -> bytes
    std::set<std::string> inUse;                    // keys held by another process
    std::set<std::string> unreadable;               // keys that exist but cannot be read
    std::set<std::string> readOnly;                 // keys of files or folders that refuse writes
    std::map<std::string, FakeFileMeta> metas;      // file key -> details
    std::map<std::string, std::string> folderNames; // folder key -> spelling
    std::set<std::string> cannotTell;               // keys the system cannot say anything about
    std::set<std::string> throwsOn;                 // keys whose presence query throws
    std::map<std::string, std::size_t> readFailsAt; // key -> reading fails after this many bytes
    // A read hands over at most this many bytes, as one cut short by a signal may.
    std::size_t readPiece = SIZE_MAX;
    bool fileNumbersLeft = true;
    bool replaceFails = false;
    bool holdersUnknown = false; // nothing can be seen of other processes
    std::map<std::string, std::vector<platform::FileHolder>> holders; // by key, for holdersOf()
    int probeRuns = 0;
    int endedProbeRuns = 0;
    std::vector<std::string> probed;
    std::vector<std::string> presenceAsked;
    std::size_t uninspectedProcesses = 0;
    std::set<std::string> lockedElsewhere; // keys of lock files that other processes hold
    std::set<std::string> locked;          // keys of lock files this process holds

private:
    bool posix_ = false;
};

} // namespace vesperon::fake
