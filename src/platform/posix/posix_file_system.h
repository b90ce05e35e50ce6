#pragma once

#include "platform/file_system.h"

#include <chrono>
#include <cstdint>

namespace vesperon::platform::posix {

// The root file system stands for the one drive, "/": a fixed drive, always ready.
class PosixFileSystem final : public FileSystem {
public:
    bool DriveExists(const std::string& drive) override;
    bool IsReady(const std::string& drive) override;
    std::optional<std::string> DriveProperty(const std::string& drive,
                                             std::string_view name) override;
    std::string GetParentFolderName(const std::string& path) override;
    bool FolderExists(const std::string& path) override;
    bool FileExists(const std::string& path) override;

private:
    struct Snapshot {
        bool valid = false;
        std::uint64_t total = 0, available = 0, free = 0;
        std::uint32_t serial = 0;
        std::string fileSystem;
        std::chrono::steady_clock::time_point taken;
    };
    // Every listed file asks about the drive again; within a second the answer is the same.
    const Snapshot& snapshot();

    Snapshot snapshot_;
    // The folder last found to exist. Listed files share folders, and a folder that has
    // gone since only makes the file test after it fail, so a stale "yes" is harmless.
    std::string lastFolder_;
    std::chrono::steady_clock::time_point lastFolderSeen_;
};

} // namespace vesperon::platform::posix
