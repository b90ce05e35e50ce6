#include "platform/win32/win32_file_system.h"

#include "base/path_text.h"
#include "platform/win32/wide_text.h"

#include <windows.h>

namespace vesperon::platform::win32 {

namespace {

bool isDriveText(const std::string& drive) {
    return drive.size() == 2 && drive[1] == ':' &&
           ((drive[0] >= 'A' && drive[0] <= 'Z') || (drive[0] >= 'a' && drive[0] <= 'z'));
}

std::wstring rootOf(const std::string& drive) {
    return widen(drive + "\\");
}

// The scripting object's drive-type codes.
long driveTypeCode(UINT type) {
    switch (type) {
    case DRIVE_REMOVABLE:
        return 1;
    case DRIVE_FIXED:
        return 2;
    case DRIVE_REMOTE:
        return 3;
    case DRIVE_CDROM:
        return 4;
    case DRIVE_RAMDISK:
        return 5;
    default:
        return 0;
    }
}

struct Volume {
    std::string name;
    std::string fileSystem;
    DWORD serial = 0;
};

std::optional<Volume> volumeOf(const std::string& drive) {
    wchar_t name[MAX_PATH + 1] = {};
    wchar_t fileSystem[MAX_PATH + 1] = {};
    DWORD serial = 0;
    DWORD maxComponent = 0;
    DWORD flags = 0;
    // No "insert a disk" dialog for an empty removable drive.
    const UINT oldMode = ::SetErrorMode(SEM_FAILCRITICALERRORS);
    const BOOL ok = ::GetVolumeInformationW(rootOf(drive).c_str(), name, MAX_PATH + 1, &serial,
                                            &maxComponent, &flags, fileSystem, MAX_PATH + 1);
    ::SetErrorMode(oldMode);
    if (!ok) {
        return std::nullopt;
    }
    return Volume{narrow(name), narrow(fileSystem), serial};
}

} // namespace

bool Win32FileSystem::DriveExists(const std::string& drive) {
    if (!isDriveText(drive)) {
        return false;
    }
    const int bit = (drive[0] | 0x20) - 'a';
    return (::GetLogicalDrives() >> bit) & 1u;
}

bool Win32FileSystem::IsReady(const std::string& drive) {
    return DriveExists(drive) && volumeOf(drive).has_value();
}

std::optional<std::string> Win32FileSystem::DriveProperty(const std::string& drive,
                                                          std::string_view name) {
    if (!DriveExists(drive)) {
        return std::nullopt;
    }
    const std::string letter(1, static_cast<char>(drive[0] & ~0x20));
    if (name == "DriveLetter") {
        return letter;
    }
    if (name == "Path") {
        return letter + ":";
    }
    if (name == "RootFolder") {
        return letter + ":\\";
    }
    if (name == "DriveType") {
        return std::to_string(driveTypeCode(::GetDriveTypeW(rootOf(drive).c_str())));
    }
    if (name == "IsReady") {
        return IsReady(drive) ? "True" : "False";
    }
    if (name == "ShareName") {
        return ""; // the share of a mapped drive is not needed here
    }
    const auto volume = volumeOf(drive);
    if (!volume) {
        return std::nullopt;
    }
    if (name == "SerialNumber") {
        return std::to_string(static_cast<long>(volume->serial));
    }
    if (name == "VolumeName") {
        return volume->name;
    }
    if (name == "FileSystem") {
        return volume->fileSystem;
    }
    ULARGE_INTEGER available{}, total{}, free{};
    if (!::GetDiskFreeSpaceExW(rootOf(drive).c_str(), &available, &total, &free)) {
        return std::nullopt;
    }
    if (name == "TotalSize") {
        return std::to_string(total.QuadPart);
    }
    if (name == "AvailableSpace") {
        return std::to_string(available.QuadPart);
    }
    if (name == "FreeSpace") {
        return std::to_string(free.QuadPart);
    }
    return std::nullopt;
}

std::string Win32FileSystem::GetParentFolderName(const std::string& path) {
    return path_text::windowsParentFolderName(path);
}

bool Win32FileSystem::FolderExists(const std::string& path) {
    // A bare drive counts as a folder when the drive exists, so files in a root can be found.
    if (isDriveText(path)) {
        return DriveExists(path);
    }
    const DWORD attributes = ::GetFileAttributesW(widen(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool Win32FileSystem::FileExists(const std::string& path) {
    if (path.find_first_of("*?") != std::string::npos) {
        return false;
    }
    const DWORD attributes = ::GetFileAttributesW(widen(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

} // namespace vesperon::platform::win32
