// Folder listings for the file-system utility class.
#include "base/text.h"
#include "platform/win32/wide_text.h"
#include "platform/win32/win32_file_system.h"
#include "platform/win32/win32_paths.h"
#include "platform/windows_error.h"

#include <windows.h>

namespace vesperon::platform::win32 {

namespace {

namespace we = windows_error;

long listEntries(const std::string& folder, bool folders, std::vector<std::string>& paths) {
    paths.clear();
    const std::string base = folderBase(folder);
    WIN32_FIND_DATAW found{};
    HANDLE search = ::FindFirstFileW(widen(base + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) {
        const long error = lastError();
        // An empty root has not even "." in it.
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_NO_MORE_FILES) {
            const DWORD attributes = ::GetFileAttributesW(widen(base + "\\").c_str());
            return attributes != INVALID_FILE_ATTRIBUTES &&
                           (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0
                       ? we::success
                       : we::path_not_found;
        }
        return error == ERROR_DIRECTORY ? we::path_not_found : error;
    }
    do {
        const std::string name = narrow(found.cFileName);
        const bool isFolder = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        if (name != "." && name != ".." && isFolder == folders) {
            paths.push_back(base + "\\" + name);
        }
    } while (::FindNextFileW(search, &found));
    ::FindClose(search);
    return we::success;
}

} // namespace

long Win32FileSystem::getFolder(const std::string& path) {
    return FolderExists(path) ? we::success : we::path_not_found;
}

long Win32FileSystem::listFiles(const std::string& folder, std::vector<std::string>& paths) {
    return listEntries(folder, false, paths);
}

long Win32FileSystem::listSubFolders(const std::string& folder, std::vector<std::string>& paths) {
    return listEntries(folder, true, paths);
}

} // namespace vesperon::platform::win32
