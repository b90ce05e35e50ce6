#pragma once

#include "platform/file_system.h"

#include <string>

namespace vesperon::platform::win32 {

class Win32FileSystem final : public FileSystem {
public:
    bool DriveExists(const std::string& drive) override;
    bool IsReady(const std::string& drive) override;
    std::optional<std::string> DriveProperty(const std::string& drive,
                                             std::string_view name) override;
    std::string GetParentFolderName(const std::string& path) override;
    bool FolderExists(const std::string& path) override;
    bool FileExists(const std::string& path) override;
    long getFile(const std::string& path, FileDetails& details) override;
    std::string extensionName(const std::string& path) override;
    std::string fileName(const std::string& path) override;
    std::string fileVersion(const std::string& path) override;
    void showProperties(const std::string& path) override;
    std::optional<double> dateValue(const std::string& text) override;
    long getFolder(const std::string& path) override;
    long listFiles(const std::string& folder, std::vector<std::string>& paths) override;
    long listSubFolders(const std::string& folder, std::vector<std::string>& paths) override;
    long createFolder(const std::string& path) override;
    long deleteFolder(const std::string& path, bool force) override;
    bool sameFile(const std::string& first, const std::string& second) override;
    long moveFile(const std::string& source, const std::string& target) override;
    long copyFile(const std::string& source, const std::string& target, bool overwrite) override;
    long getAttributes(const std::string& path, std::int32_t& attributes) override;
    long setAttributes(const std::string& path, std::int32_t attributes) override;
    long deleteFile(const std::string& path) override;
    long writeNewFile(const std::string& path, const std::string& bytes) override;
    long appendToFile(const std::string& path, const std::string& bytes) override;
    std::vector<std::string> logicalDriveStrings() override;
    std::optional<std::string> tempPath() override;
    std::optional<std::string> tempFileName(const std::string& folder,
                                            const std::string& prefix) override;
    std::optional<DiskSpace> diskFreeSpaceEx(const std::string& drive) override;
    std::optional<DiskGeometry> diskFreeSpace(const std::string& drive) override;
};

} // namespace vesperon::platform::win32
