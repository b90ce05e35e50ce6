#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vesperon::platform {

// The scripting object's attribute numbers.
namespace file_attribute {
inline constexpr std::int32_t normal = 0, readOnly = 1, hidden = 2, system = 4, volume = 8,
                              directory = 16, archive = 32, alias = 64;
} // namespace file_attribute

// What the scripting object's file object tells about one file.
struct FileDetails {
    std::string Drive;        // such as C:
    std::string Path;         // the full path
    std::string ParentFolder; // the full path of the folder holding the file
    std::uint64_t Size = 0;
    std::string Type; // the type description, such as "TXT File"
    // Local date and time in the user's general date format.
    std::string DateLastAccessed, DateLastModified, DateCreated;
    std::int32_t Attributes = 0; // file_attribute bits
};

// GetDiskFreeSpaceEx's figures, in bytes.
struct DiskSpace {
    std::uint64_t availableToCaller = 0, total = 0, free = 0;
};

// GetDiskFreeSpace's figures.
struct DiskGeometry {
    std::uint32_t sectorsPerCluster = 0, bytesPerSector = 0, freeClusters = 0, totalClusters = 0;
};

// The scripting file-system object's drive, folder and file questions, and the few kernel and
// shell calls the file-system utility class makes beside it.
// A "drive" is a drive text such as "C:" on Windows and "/" on Linux.
// Calls that return long give 0 on success, otherwise a Windows error code (windows_error.h).
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

    // --- File information ---
    // The file object's properties; an error for a missing file or a folder.
    virtual long getFile(const std::string& path, FileDetails& details) = 0;
    // The text after the last "." of the last component, without the dot; empty when none.
    virtual std::string extensionName(const std::string& path) = 0;
    // The last component of the path.
    virtual std::string fileName(const std::string& path) = 0;
    // "a.b.c.d" from the file's version record; empty when it has none.
    virtual std::string fileVersion(const std::string& path) = 0;
    // Opens the system's Properties window for the file without waiting.
    virtual void showProperties(const std::string& path) = 0;
    // The user's locale's text-to-date conversion, as a Basic date value (days since
    // 30 December 1899, the time as the fraction); nullopt for a text that is no date.
    virtual std::optional<double> dateValue(const std::string& text) = 0;

    // --- Folders and their contents ---
    // 0 when the folder exists, else path_not_found.
    virtual long getFolder(const std::string& path) = 0;
    // Full paths of the folder's files, or of its immediate subfolders, in the platform's order.
    virtual long listFiles(const std::string& folder, std::vector<std::string>& paths) = 0;
    virtual long listSubFolders(const std::string& folder, std::vector<std::string>& paths) = 0;
    // One level; fails when it exists, when the parent is missing or the name is invalid.
    virtual long createFolder(const std::string& path) = 0;
    // The folder with everything in it; force includes read-only contents. What can be
    // deleted is deleted; the first failure is reported.
    virtual long deleteFolder(const std::string& path, bool force) = 0;

    // --- Files ---
    // True when both paths reach one existing file as the file system resolves them: letter
    // case on Windows, links, another name of the same file.
    virtual bool sameFile(const std::string& first, const std::string& second) = 0;
    // Fails when the target exists.
    virtual long moveFile(const std::string& source, const std::string& target) = 0;
    virtual long copyFile(const std::string& source, const std::string& target, bool overwrite) = 0;
    virtual long getAttributes(const std::string& path, std::int32_t& attributes) = 0;
    // SetFileAttributes: read-only, hidden, system and archive bits; the rest are ignored.
    virtual long setAttributes(const std::string& path, std::int32_t attributes) = 0;
    // DeleteFile: one file; a read-only one stays.
    virtual long deleteFile(const std::string& path) = 0;
    // A new file with these bytes, replacing one of that name; never written through a link.
    virtual long writeNewFile(const std::string& path, const std::string& bytes) = 0;
    // Appends to an existing file.
    virtual long appendToFile(const std::string& path, const std::string& bytes) = 0;

    // --- Drives and temporary files ---
    // The drive roots, such as C:\ (GetLogicalDriveStrings); empty when the call fails.
    virtual std::vector<std::string> logicalDriveStrings() = 0;
    // The system's temporary folder, ending in a separator; nullopt when there is none.
    virtual std::optional<std::string> tempPath() = 0;
    // GetTempFileName with unique number 0: creates an empty file named from the first three
    // characters of prefix in folder and returns its path; nullopt on failure.
    virtual std::optional<std::string> tempFileName(const std::string& folder,
                                                    const std::string& prefix) = 0;
    virtual std::optional<DiskSpace> diskFreeSpaceEx(const std::string& drive) = 0;
    virtual std::optional<DiskGeometry> diskFreeSpace(const std::string& drive) = 0;
};

} // namespace vesperon::platform
