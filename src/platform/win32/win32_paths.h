#pragma once

// Helpers that the Windows file-system backend's files share.
#include <string>
#include <windows.h>

namespace vesperon::platform::win32 {

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
