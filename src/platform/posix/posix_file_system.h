#pragma once

#include "platform/file_system.h"

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
};

} // namespace vesperon::platform::posix
