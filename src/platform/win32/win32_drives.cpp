// The drives of the file-system utility class, their disk space, and the temporary folder.
#include "platform/win32/wide_text.h"
#include "platform/win32/win32_file_system.h"
#include "platform/win32/win32_paths.h"

#include <cwchar>
#include <windows.h>

namespace vesperon::platform::win32 {

namespace {

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

std::vector<std::string> Win32FileSystem::logicalDriveStrings() {
    wchar_t buffer[260] = {};
    const DWORD n = ::GetLogicalDriveStringsW(260, buffer);
    std::vector<std::string> roots;
    if (n == 0 || n > 260) {
        return roots;
    }
    for (const wchar_t* root = buffer; *root != L'\0'; root += std::wcslen(root) + 1) {
        roots.push_back(narrow(root));
    }
    return roots;
}

std::optional<std::string> Win32FileSystem::tempPath() {
    wchar_t buffer[MAX_PATH + 1] = {};
    const DWORD n = ::GetTempPathW(MAX_PATH, buffer);
    if (n == 0 || n > MAX_PATH) {
        return std::nullopt;
    }
    return narrow(std::wstring_view(buffer, n));
}

std::optional<DiskSpace> Win32FileSystem::diskFreeSpaceEx(const std::string& drive) {
    // Looked up at run time, as on systems that lacked it.
    using FreeSpaceExFn = BOOL(WINAPI*)(LPCWSTR, PULARGE_INTEGER, PULARGE_INTEGER, PULARGE_INTEGER);
    HMODULE kernel = ::LoadLibraryA("kernel32.Dll");
    if (kernel == nullptr) {
        return std::nullopt;
    }
    const auto freeSpaceEx = reinterpret_cast<FreeSpaceExFn>(
        reinterpret_cast<void*>(::GetProcAddress(kernel, "GetDiskFreeSpaceExW")));
    std::optional<DiskSpace> space;
    ULARGE_INTEGER available{}, total{}, free{};
    if (freeSpaceEx != nullptr && freeSpaceEx(widen(drive).c_str(), &available, &total, &free)) {
        space = DiskSpace{available.QuadPart, total.QuadPart, free.QuadPart};
    }
    ::FreeLibrary(kernel);
    return space;
}

std::optional<DiskGeometry> Win32FileSystem::diskFreeSpace(const std::string& drive) {
    // The root with its backslash, as the older call wants it.
    const std::string root = isBareDrive(drive) ? drive + "\\" : drive;
    DWORD sectorsPerCluster = 0, bytesPerSector = 0, freeClusters = 0, totalClusters = 0;
    if (!::GetDiskFreeSpaceW(widen(root).c_str(), &sectorsPerCluster, &bytesPerSector,
                             &freeClusters, &totalClusters)) {
        return std::nullopt;
    }
    return DiskGeometry{sectorsPerCluster, bytesPerSector, freeClusters, totalClusters};
}

} // namespace vesperon::platform::win32
