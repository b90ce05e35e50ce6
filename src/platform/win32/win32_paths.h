#pragma once

// Helpers that the Windows file-system backend's files share.
#include <string>
#include <windows.h>

namespace vesperon::platform::win32 {

// Lets the calls in its scope see the file system as a 64-bit program does. On 64-bit Windows
// the system redirects this 32-bit program's System32 to SysWOW64, where a file that a 64-bit
// service holds (C:\Windows\System32\dhcp\dhcp.mdb) is not. Only for calls that load no
// library and start no program, which would find 64-bit ones; on the calling thread only.
class NativeFileSystemView {
public:
    NativeFileSystemView() : turnedOff_(::Wow64DisableWow64FsRedirection(&previous_) != 0) {}
    ~NativeFileSystemView() {
        if (turnedOff_) {
            ::Wow64RevertWow64FsRedirection(previous_);
        }
    }
    NativeFileSystemView(const NativeFileSystemView&) = delete;
    NativeFileSystemView& operator=(const NativeFileSystemView&) = delete;

private:
    PVOID previous_ = nullptr;
    bool turnedOff_;
};

inline long lastError() {
    return static_cast<long>(::GetLastError());
}

// A drive letter and its colon, such as "C:".
inline bool isDriveText(const std::string& drive) {
    return drive.size() == 2 && drive[1] == ':' &&
           ((drive[0] >= 'A' && drive[0] <= 'Z') || (drive[0] >= 'a' && drive[0] <= 'z'));
}

// A drive without its root backslash, such as "C:".
inline bool isBareDrive(const std::string& path) {
    return path.size() == 2 && path[1] == ':';
}

// The folder without a trailing backslash, so that "\\" and a name can follow; a root
// such as C:\ becomes C:.
inline std::string folderBase(const std::string& folder) {
    std::string base = folder;
    while (!base.empty() && (base.back() == '\\' || base.back() == '/')) {
        base.pop_back();
    }
    return base;
}

} // namespace vesperon::platform::win32
