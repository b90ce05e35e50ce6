// What the file-system utility class reads of one file or folder: presence, details,
// names, version, attributes.
#include "base/path_text.h"
#include "base/text.h"
#include "platform/win32/wide_text.h"
#include "platform/win32/win32_file_system.h"
#include "platform/win32/win32_paths.h"
#include "platform/windows_error.h"

#include <cstdio>
#include <cwchar>
#include <windows.h>
// After windows.h, which it needs.
#include <shellapi.h>

namespace vesperon::platform::win32 {

namespace {

namespace we = windows_error;

// A function of a library that is loaded when first needed and stays loaded.
template <class Function> Function libraryFunction(const char* library, const char* name) {
    HMODULE module = ::LoadLibraryA(library);
    if (module == nullptr) {
        return nullptr;
    }
    return reinterpret_cast<Function>(reinterpret_cast<void*>(::GetProcAddress(module, name)));
}

// The scripting object's Attributes: the Windows bits less those it does not report.
std::int32_t scriptingAttributes(DWORD raw) {
    constexpr DWORD unreported = FILE_ATTRIBUTE_NORMAL | FILE_ATTRIBUTE_TEMPORARY |
                                 FILE_ATTRIBUTE_SPARSE_FILE | FILE_ATTRIBUTE_REPARSE_POINT |
                                 FILE_ATTRIBUTE_OFFLINE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED |
                                 FILE_ATTRIBUTE_ENCRYPTED;
    return static_cast<std::int32_t>(raw & ~unreported);
}

// The user's general date format: short date and long time; a time of exactly midnight
// is left out, as Basic's date conversion does.
std::string generalDateText(const FILETIME& utc) {
    FILETIME local{};
    SYSTEMTIME st{};
    if (!::FileTimeToLocalFileTime(&utc, &local) || !::FileTimeToSystemTime(&local, &st)) {
        return "";
    }
    wchar_t date[128] = {};
    wchar_t time[128] = {};
    if (::GetDateFormatW(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &st, nullptr, date, 128) == 0) {
        return "";
    }
    if (st.wHour == 0 && st.wMinute == 0 && st.wSecond == 0) {
        return narrow(date);
    }
    ::GetTimeFormatW(LOCALE_USER_DEFAULT, 0, &st, nullptr, time, 128);
    return narrow(date) + " " + narrow(time);
}

std::string typeName(const std::string& path) {
    SHFILEINFOW info{};
    if (::SHGetFileInfoW(widen(path).c_str(), 0, &info, sizeof info, SHGFI_TYPENAME) != 0 &&
        info.szTypeName[0] != L'\0') {
        return narrow(info.szTypeName);
    }
    const std::string extension = text::upperAscii(path_text::extensionNameOf(path, true));
    return extension.empty() ? "File" : extension + " File";
}

// "\\server\share" of a UNC path, "C:" of a drive path.
std::string driveOf(const std::string& full) {
    if (full.size() >= 2 && full[1] == ':') {
        return text::upperAscii(full.substr(0, 1)) + ":";
    }
    if (full.rfind("\\\\", 0) == 0) {
        const auto server = full.find('\\', 2);
        const auto share = server == std::string::npos ? server : full.find('\\', server + 1);
        return full.substr(0, share);
    }
    return "";
}

} // namespace

std::string Win32FileSystem::GetParentFolderName(const std::string& path) {
    return path_text::windowsParentFolderName(path);
}

bool Win32FileSystem::FolderExists(const std::string& path) {
    // A bare drive counts as a folder when the drive exists, so files in a root can be found.
    if (isDriveText(path)) {
        return DriveExists(path);
    }
    const std::wstring name = widePath(path);
    const NativeFileSystemView native;
    const DWORD attributes = ::GetFileAttributesW(name.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool Win32FileSystem::FileExists(const std::string& path) {
    if (path.find_first_of("*?") != std::string::npos) {
        return false;
    }
    const std::wstring name = widePath(path);
    const NativeFileSystemView native;
    const DWORD attributes = ::GetFileAttributesW(name.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

long Win32FileSystem::getFile(const std::string& path, FileDetails& details) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!::GetFileAttributesExW(widen(path).c_str(), GetFileExInfoStandard, &data)) {
        const long error = lastError();
        return error == ERROR_PATH_NOT_FOUND ? we::path_not_found : we::file_not_found;
    }
    if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        return we::file_not_found;
    }
    wchar_t full[MAX_PATH] = {};
    const DWORD n = ::GetFullPathNameW(widen(path).c_str(), MAX_PATH, full, nullptr);
    details.Path = n > 0 && n < MAX_PATH ? narrow(std::wstring_view(full, n)) : path;
    details.Drive = driveOf(details.Path);
    details.ParentFolder = path_text::windowsParentFolderName(details.Path);
    details.Size = (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    details.Type = typeName(details.Path);
    details.DateLastAccessed = generalDateText(data.ftLastAccessTime);
    details.DateLastModified = generalDateText(data.ftLastWriteTime);
    details.DateCreated = generalDateText(data.ftCreationTime);
    details.Attributes = scriptingAttributes(data.dwFileAttributes);
    return we::success;
}

std::string Win32FileSystem::extensionName(const std::string& path) {
    return path_text::extensionNameOf(path, true);
}

std::string Win32FileSystem::fileName(const std::string& path) {
    return path_text::fileNameOf(path, true);
}

std::string Win32FileSystem::fileVersion(const std::string& path) {
    using SizeFn = DWORD(WINAPI*)(LPCWSTR, LPDWORD);
    using InfoFn = BOOL(WINAPI*)(LPCWSTR, DWORD, DWORD, LPVOID);
    using QueryFn = BOOL(WINAPI*)(LPCVOID, LPCWSTR, LPVOID*, PUINT);
    static const auto size = libraryFunction<SizeFn>("version.dll", "GetFileVersionInfoSizeW");
    static const auto info = libraryFunction<InfoFn>("version.dll", "GetFileVersionInfoW");
    static const auto query = libraryFunction<QueryFn>("version.dll", "VerQueryValueW");
    if (size == nullptr || info == nullptr || query == nullptr) {
        return "";
    }
    const std::wstring name = widen(path);
    DWORD ignored = 0;
    const DWORD bytes = size(name.c_str(), &ignored);
    if (bytes == 0) {
        return "";
    }
    std::vector<char> record(bytes);
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    if (!info(name.c_str(), 0, bytes, record.data()) ||
        !query(record.data(), L"\\", reinterpret_cast<LPVOID*>(&fixed), &length) ||
        fixed == nullptr || length < sizeof *fixed) {
        return "";
    }
    char text[64];
    std::snprintf(text, sizeof text, "%u.%u.%u.%u",
                  static_cast<unsigned>(HIWORD(fixed->dwFileVersionMS)),
                  static_cast<unsigned>(LOWORD(fixed->dwFileVersionMS)),
                  static_cast<unsigned>(HIWORD(fixed->dwFileVersionLS)),
                  static_cast<unsigned>(LOWORD(fixed->dwFileVersionLS)));
    return text;
}

void Win32FileSystem::showProperties(const std::string& path) {
    const std::wstring file = widen(path);
    SHELLEXECUTEINFOW request{};
    request.cbSize = sizeof request;
    request.fMask = SEE_MASK_INVOKEIDLIST;
    request.hwnd = nullptr;
    request.lpVerb = L"properties";
    request.lpFile = file.c_str();
    request.nShow = SW_SHOWNORMAL;
    ::ShellExecuteExW(&request);
}

std::optional<double> Win32FileSystem::dateValue(const std::string& text) {
    // Basic's own text-to-date conversion, in the user's locale.
    using DateFromStrFn = HRESULT(WINAPI*)(const OLECHAR*, LCID, ULONG, DATE*);
    static const auto fromText = libraryFunction<DateFromStrFn>("oleaut32.dll", "VarDateFromStr");
    if (fromText == nullptr || text.empty()) {
        return std::nullopt;
    }
    const std::wstring wide = widen(text);
    DATE value = 0;
    if (FAILED(fromText(wide.c_str(), LOCALE_USER_DEFAULT, 0, &value))) {
        return std::nullopt;
    }
    return value;
}

long Win32FileSystem::getAttributes(const std::string& path, std::int32_t& attributes) {
    const DWORD raw = ::GetFileAttributesW(widen(path).c_str());
    if (raw == INVALID_FILE_ATTRIBUTES) {
        return lastError();
    }
    attributes = static_cast<std::int32_t>(raw & 0x3F);
    return we::success;
}

} // namespace vesperon::platform::win32
