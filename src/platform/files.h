#pragma once

#include <string>

namespace vesperon::platform {

struct FileRead {
    enum class Status { Read, Absent, Unreadable };
    Status status = Status::Absent;
    std::string bytes;
};

// Plain file operations; every call opens, works and closes before it returns.
class Files {
public:
    virtual ~Files() = default;
    // False when the program's table of open files is full.
    virtual bool fileNumberAvailable() = 0;
    // Starts a new check run: the next probe sees which files other processes hold now.
    virtual void beginProbeRun() = 0;
    // Opens the existing file exclusively for reading and closes it again;
    // false when either fails or when another process holds the file.
    virtual bool probeExclusive(const std::string& path) = 0;
    virtual FileRead readWhole(const std::string& path) = 0;
    // Appends (or, with overwrite, replaces the content with) the bytes given.
    virtual bool writeText(const std::string& path, const std::string& bytes, bool overwrite) = 0;
    // True only when the system says that nothing exists at that path.
    virtual bool pathAbsent(const std::string& path) = 0;
    // True for an existing file that is neither hidden, system nor a folder.
    virtual bool normalFileExists(const std::string& path) = 0;
    virtual bool deleteFile(const std::string& path) = 0;
    // Replaces the file's whole content in one step: a temporary file in the same folder,
    // then renamed over it. On failure the old file is left whole.
    virtual bool replaceFile(const std::string& path, const std::string& bytes) = 0;
    // Closes every file the program still holds open.
    virtual void closeAll() = 0;
};

} // namespace vesperon::platform
