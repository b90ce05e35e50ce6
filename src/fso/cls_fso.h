#pragma once

#include "fso/basic_error.h"
#include "platform/platform.h"

#include <cstdint>
#include <string>
#include <vector>

namespace vesperon {

class Form;

struct FileInfo {
    std::string Drive, Path, ParentFolder, Size, Type, Extension, DateLastAccessed,
        DateLastModified, DateCreated, Attributes;
};

struct DriveInfo {
    std::string DriveLetter, ShareName, Path, RootFolder, SerialNumber, VolumeName, TotalSize,
        AvailableSpace, FreeSpace, DriveType, FileSystem, IsReady;
};

// The events clsFSO raises to its user. dblCount is the running count or total itself:
// a handler that changes it changes the count.
class clsFSOEvents {
public:
    virtual ~clsFSOEvents() = default;
    virtual void CountFiles(double& dblCount, const std::string& strPath) = 0;
    virtual void CountTotals(double& dblCount, const std::string& strText) = 0;
};

// The file-system utility class. Paths follow the edition: "C:\dir\f.txt" on Windows,
// "/dir/f" on Linux, where the root file system stands for the drive.
// Members that let errors reach the caller throw FsoError.
class clsFSO {
public:
    explicit clsFSO(platform::Platform& platform);
    ~clsFSO();
    clsFSO(const clsFSO&) = delete;
    clsFSO& operator=(const clsFSO&) = delete;

    // Where CountFiles and CountTotals go; none by default.
    void setEvents(clsFSOEvents* events) { events_ = events; }

    std::int16_t CancelProcessing() const { return cancelProcessing_; }
    void CancelProcessing(std::int16_t value) { cancelProcessing_ = value; }
    void Count(double dblData) { count_ = dblData; }
    double Count() const { return count_; }
    void Get_FileProperties(const std::string& FullPathAndNameOfFile);
    bool KillFile(std::string strFile);
    bool KillDir(std::string strPath, bool RecreatePath);
    static std::string StripDrive(std::string strPath);
    bool IsDriveReady(std::string strDrive);
    bool Create_Dir_Struct(const std::string& strPath);
    std::string Get_Extension(const std::string& strFilename);
    std::string Get_Filename(const std::string& strFilename);
    std::string Get_Path(const std::string& strFilename);
    std::string Get_Version(const std::string& strFilename);
    bool Drive_Exist(const std::string& strSearchData, std::int32_t& lngDriveType);
    bool File_Exist(const std::string& strSearchItem);
    bool Folder_Exist(const std::string& strFolder);
    std::vector<std::string> Available_Drives();
    bool IsThisRestricted(const std::string& strPath);
    bool Get_FileInfo(const std::string& strFilename);
    static std::string Attribute_String(std::int32_t lngValue);
    bool Move_File(const std::string& strSource, const std::string& strTarget);
    bool Copy_File(const std::string& strSource, const std::string& strTarget, bool boolOverwrite);
    bool DelTree32(const std::string& strPath);
    std::string Add_Trailing_Slash(const std::string& strPath) const;
    std::string Remove_Trailing_Slash(const std::string& strPath) const;
    // The files of strPath (not its subfolders) that contain strText, compared without
    // regard to case; {"N/A", ""} when none does.
    std::vector<std::string> TextSearch(const std::string& strPath, const std::string& strText);
    std::string Get_Totals(const std::string& strPath, std::int16_t intDataType = 1,
                           const std::string& strPattern = "*.*", bool blnSearchSubfolders = true);
    // Full paths, each followed by ";". Stopped before it started, it gives an empty text.
    std::string Get_FileList(const std::string& strFolder, bool blnSearchSubfolders = true,
                             const std::string& strPattern = "*.*");
    std::string Get_DirList(const std::string& strPath);
    void AccessErrNum(std::int32_t errNum) { accessErrNum_ = errNum; }
    std::int32_t AccessErrNum() const { return accessErrNum_; }
    // strTmpFolder, when blank, is set to the system's temporary folder.
    std::string Create_Tmp_Filename(std::string& strTmpFolder);
    std::string Create_Tmp_Filename();
    std::string Create_Tmp_Folder();
    static std::string Remove_Nulls(const std::string& strInput);
    std::string Create_Tmp_Name(std::int16_t intLength);
    float Rnd2(float sngLow, float sngHigh);
    std::string BrowseForFolder(Form* frm = nullptr, const std::string& strPrompt = "");
    std::string Shrink_2_Fit(const std::string& strPath_to_Resize, std::int16_t intMaxLen) const;
    bool Get_Disk_Space(const std::string& strPath, double& dblTotalSpace, double& dblFreeSpace,
                        double& dblUsedSpace);

    const FileInfo& fileInfo() const { return fileInfo_; }
    const DriveInfo& driveInfo() const { return driveInfo_; }

private:
    void reset();
    // The drive text of a path ("C:" or "/"), or empty when the path names no drive.
    std::string driveTextOf(const std::string& path) const;
    // Lets the user interface run its handlers, which may set CancelProcessing.
    bool cancelledAfterPendingMessages();
    // The root used when the system names no temporary folder.
    std::string fallbackTempFolder() const;
    std::string systemTempFolder();
    // KillDir's message when the emptied folder cannot be made again.
    void reportRecreateFailure(const std::string& strPath);
    // Splits a list text at ";", keeping only entries inside folder: a name that holds ";"
    // splits into pieces that must not reach files elsewhere.
    std::vector<std::string> entriesInside(const std::string& list,
                                           const std::string& parent) const;

    platform::Platform& p_;
    platform::FileSystem& fs_;
    platform::Edition edition_;
    clsFSOEvents* events_ = nullptr;
    std::int16_t cancelProcessing_ = 0;
    FileInfo fileInfo_;
    DriveInfo driveInfo_;
    double count_ = 0;
    std::int32_t accessErrNum_ = 0;
    std::uint64_t randomState_ = 0x5DEECE66DULL;
};

} // namespace vesperon
