// The operations of the file-system utility class that change files and folders.
#include "base/text.h"
#include "platform/first_error.h"
#include "platform/win32/wide_text.h"
#include "platform/win32/win32_file_system.h"
#include "platform/win32/win32_paths.h"
#include "platform/windows_error.h"

#include <cwchar>
#include <optional>
#include <utility>
#include <windows.h>

namespace vesperon::platform::win32 {

namespace {

namespace we = windows_error;

void removeTree(const std::string& base, bool force, FirstError& error) {
    WIN32_FIND_DATAW found{};
    HANDLE search = ::FindFirstFileW(widen(base + "\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            const std::string name = narrow(found.cFileName);
            if (name == "." || name == "..") {
                continue;
            }
            const std::string child = base + "\\" + name;
            const std::wstring wideChild = widen(child);
            const DWORD attributes = found.dwFileAttributes;
            if (force && (attributes & FILE_ATTRIBUTE_READONLY) != 0) {
                ::SetFileAttributesW(wideChild.c_str(),
                                     attributes & ~DWORD{FILE_ATTRIBUTE_READONLY});
            }
            if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
                if (!::DeleteFileW(wideChild.c_str())) {
                    error.note(lastError());
                }
                continue;
            }
            // A junction goes as itself; what it points to is left alone.
            if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) {
                removeTree(child, force, error);
            }
            if (!::RemoveDirectoryW(wideChild.c_str())) {
                error.note(lastError());
            }
        } while (::FindNextFileW(search, &found));
        ::FindClose(search);
    }
}

long writeBytes(const std::string& path, const std::string& bytes, DWORD access,
                DWORD disposition) {
    HANDLE file = ::CreateFileW(widen(path).c_str(), access, 0, nullptr, disposition,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return lastError();
    }
    DWORD written = 0;
    const BOOL ok =
        bytes.empty() ||
        ::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    const long error = ok ? we::success : lastError();
    ::CloseHandle(file);
    return error;
}

} // namespace

long Win32FileSystem::createFolder(const std::string& path) {
    if (path.empty()) {
        return we::invalid_parameter;
    }
    if (isBareDrive(path)) {
        return DriveExists(path) ? we::already_exists : we::path_not_found;
    }
    return ::CreateDirectoryW(widen(path).c_str(), nullptr) ? we::success : lastError();
}

long Win32FileSystem::deleteFolder(const std::string& path, bool force) {
    const std::string base = folderBase(path);
    if (base.empty() || isBareDrive(base)) {
        return base.empty() ? we::path_not_found : we::access_denied; // never a whole drive
    }
    const std::wstring wideBase = widen(base);
    const DWORD attributes = ::GetFileAttributesW(wideBase.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
        return we::path_not_found;
    }
    FirstError error;
    if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) {
        removeTree(base, force, error);
    }
    if (force && (attributes & FILE_ATTRIBUTE_READONLY) != 0) {
        ::SetFileAttributesW(wideBase.c_str(), attributes & ~DWORD{FILE_ATTRIBUTE_READONLY});
    }
    if (!::RemoveDirectoryW(wideBase.c_str())) {
        error.note(lastError());
    }
    return error.get();
}

namespace {

// The volume and index that name a file whatever path reached it; nullopt when it cannot be
// opened even to read its attributes.
std::optional<std::pair<DWORD, ULONGLONG>> fileIdentity(const std::string& path) {
    const HANDLE h = ::CreateFileW(widePath(path).c_str(), FILE_READ_ATTRIBUTES,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                   OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        return std::nullopt;
    }
    BY_HANDLE_FILE_INFORMATION info{};
    const BOOL ok = ::GetFileInformationByHandle(h, &info);
    ::CloseHandle(h);
    if (!ok) {
        return std::nullopt;
    }
    return std::pair{info.dwVolumeSerialNumber,
                     (ULONGLONG{info.nFileIndexHigh} << 32) | info.nFileIndexLow};
}

} // namespace

bool Win32FileSystem::sameFile(const std::string& first, const std::string& second) {
    const auto a = fileIdentity(first);
    return a && a == fileIdentity(second);
}

long Win32FileSystem::moveFile(const std::string& source, const std::string& target) {
    return ::MoveFileW(widen(source).c_str(), widen(target).c_str()) ? we::success : lastError();
}

long Win32FileSystem::copyFile(const std::string& source, const std::string& target,
                               bool overwrite) {
    return ::CopyFileW(widen(source).c_str(), widen(target).c_str(), overwrite ? FALSE : TRUE)
               ? we::success
               : lastError();
}

long Win32FileSystem::setAttributes(const std::string& path, std::int32_t attributes) {
    const DWORD settable =
        static_cast<DWORD>(attributes) & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN |
                                          FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE);
    return ::SetFileAttributesW(widen(path).c_str(),
                                settable == 0 ? FILE_ATTRIBUTE_NORMAL : settable)
               ? we::success
               : lastError();
}

long Win32FileSystem::deleteFile(const std::string& path) {
    return ::DeleteFileW(widen(path).c_str()) ? we::success : lastError();
}

long Win32FileSystem::writeNewFile(const std::string& path, const std::string& bytes) {
    return writeBytes(path, bytes, GENERIC_WRITE, CREATE_ALWAYS);
}

long Win32FileSystem::appendToFile(const std::string& path, const std::string& bytes) {
    return writeBytes(path, bytes, FILE_APPEND_DATA, OPEN_EXISTING);
}

std::optional<std::string> Win32FileSystem::tempFileName(const std::string& folder,
                                                         const std::string& prefix) {
    wchar_t buffer[MAX_PATH] = {};
    if (::GetTempFileNameW(widen(folder).c_str(), widen(prefix).c_str(), 0, buffer) == 0) {
        return std::nullopt;
    }
    return narrow(buffer);
}

} // namespace vesperon::platform::win32
