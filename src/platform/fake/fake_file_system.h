#pragma once

#include "platform/fake/fake_disk.h"
#include "platform/file_system.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vesperon::fake {

class FakeFileSystem final : public platform::FileSystem {
public:
    explicit FakeFileSystem(FakeDisk& disk) : disk_(disk) {}
    bool DriveExists(const std::string& text) override;
    bool IsReady(const std::string& text) override;
    std::optional<std::string> DriveProperty(const std::string& text,
                                             std::string_view name) override;
    std::string GetParentFolderName(const std::string& path) override;
    bool FolderExists(const std::string& path) override;
    bool FileExists(const std::string& path) override;
    long getFile(const std::string& path, platform::FileDetails& details) override;
    std::string extensionName(const std::string& path) override;
    std::string fileName(const std::string& path) override;
    std::string fileVersion(const std::string& path) override;
    void showProperties(const std::string& path) override { propertiesShown.push_back(path); }
    // Dates as "M/D/YYYY", optionally with "h:mm:ss" and AM or PM.
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
    std::optional<std::string> tempPath() override { return tempFolder; }
    std::optional<std::string> tempFileName(const std::string& folder,
                                            const std::string& prefix) override;
    std::optional<platform::DiskSpace> diskFreeSpaceEx(const std::string& drive) override;
    std::optional<platform::DiskGeometry> diskFreeSpace(const std::string& drive) override;

    int queries = 0;
    std::vector<std::string> propertiesShown;
    bool driveListFails = false;
    std::optional<std::string> tempFolder = "C:\\Temp\\";
    unsigned tempNumber = 0x1A2A; // the next unique number of a temporary file name
    std::optional<platform::DiskSpace> diskSpace = platform::DiskSpace{400, 1000, 500};
    std::optional<platform::DiskGeometry> diskGeometry = platform::DiskGeometry{8, 512, 50, 100};

private:
    const Drive* drive(const std::string& text) const;
    // The error for a new entry at path: 0 when its folder exists and takes writes.
    long folderRefuses(const std::string& path) const;
    // Puts a copy of the source file (content, details, read-only) at target.
    void placeCopy(const std::string& source, const std::string& target);
    long listEntries(const std::string& folder, bool folders, std::vector<std::string>& paths);
    FakeDisk& disk_;
};

} // namespace vesperon::fake
