#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace vesperon::platform {

// The scripting file-system object's drive, folder and file questions.
// A "drive" is a drive text such as "C:" on Windows and "/" on Linux.
class FileSystem {
public:
    virtual ~FileSystem() = default;
    virtual bool DriveExists(const std::string& drive) = 0;
    virtual bool IsReady(const std::string& drive) = 0;
    // One property of the drive object by name ("DriveLetter", "TotalSize", ...), as text;
    // nullopt when reading it fails. Numbers come as decimal text, IsReady as "True"/"False".
    virtual std::optional<std::string> DriveProperty(const std::string& drive,
                                                     std::string_view name) = 0;
    virtual std::string GetParentFolderName(const std::string& path) = 0;
    virtual bool FolderExists(const std::string& path) = 0;
    virtual bool FileExists(const std::string& path) = 0;
};

} // namespace vesperon::platform
