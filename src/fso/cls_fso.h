#pragma once

#include "platform/file_system.h"
#include "platform/platform.h"

#include <cstdint>
#include <string>

namespace vesperon {

struct FileInfo {
    std::string Drive, Path, ParentFolder, Size, Type, Extension, DateLastAccessed,
        DateLastModified, DateCreated, Attributes;
};

struct DriveInfo {
    std::string DriveLetter, ShareName, Path, RootFolder, SerialNumber, VolumeName, TotalSize,
        AvailableSpace, FreeSpace, DriveType, FileSystem, IsReady;
};

// The file-system utility class. Paths follow the edition: "C:\dir\f.txt" on Windows,
// "/dir/f" on Linux, where the root file system stands for the drive.
class clsFSO {
public:
    clsFSO(platform::FileSystem& fileSystem, platform::Edition edition);
    ~clsFSO();
    clsFSO(const clsFSO&) = delete;
    clsFSO& operator=(const clsFSO&) = delete;

    std::int16_t CancelProcessing() const { return cancelProcessing_; }
    void CancelProcessing(std::int16_t value) { cancelProcessing_ = value; }
    void Count(double dblData) { count_ = dblData; }
    double Count() const { return count_; }
    void AccessErrNum(std::int32_t errNum) { accessErrNum_ = errNum; }
    std::int32_t AccessErrNum() const { return accessErrNum_; }

    std::string StripDrive(std::string strPath) const;
    bool IsDriveReady(std::string strDrive);
    bool Drive_Exist(std::string strSearchData, std::int32_t& lngDriveType);
    bool File_Exist(const std::string& strSearchItem);
    bool Folder_Exist(std::string strFolder);
    std::string Add_Trailing_Slash(std::string strPath) const;
    std::string Remove_Trailing_Slash(std::string strPath) const;

    const FileInfo& fileInfo() const { return fileInfo_; }
    const DriveInfo& driveInfo() const { return driveInfo_; }

private:
    void reset();
    // The drive text of a path ("C:" or "/"), or empty when the path names no drive.
    std::string driveTextOf(const std::string& path) const;

    platform::FileSystem& fs_;
    platform::Edition edition_;
    std::int16_t cancelProcessing_ = 0;
    FileInfo fileInfo_;
    DriveInfo driveInfo_;
    double count_ = 0;
    std::int32_t accessErrNum_ = 0;
};

} // namespace vesperon
