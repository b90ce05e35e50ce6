// File information, folder listings and the operations that change files and folders, for
// the file-system utility class.
#include "base/path_text.h"
#include "base/text.h"
#include "platform/first_error.h"
#include "platform/win32/wide_text.h"
#include "platform/win32/win32_file_system.h"
#include "platform/windows_error.h"

#include <cstdio>
#include <cwchar>
#include <windows.h>
// After windows.h, which these need.
#include <shellapi.h>

namespace vesperon::platform::win32 {

namespace {

namespace we = windows_error;

long lastError() {
    return static_cast<long>(::GetLastError());
}

bool isBareDrive(const std::string& path) {
    return path.size() == 2 && path[1] == ':';
}

// The folder without a trailing backslash, so that "\\" and a name can follow; a root
// such as C:\ becomes C:.
std::string folderBase(const std::string& folder) {
    std::string base = folder;
    while (!base.empty() && (base.back() == '\\' || base.back() == '/')) {
        base.pop_back();
    }
    return base;
}

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
                ::SetFileAttributesW(wideChild.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
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

long Win32FileSystem::getFolder(const std::string& path) {
    return FolderExists(path) ? we::success : we::path_not_found;
}

long Win32FileSystem::listFiles(const std::string& folder, std::vector<std::string>& paths) {
    return listEntries(folder, false, paths);
}

long Win32FileSystem::listSubFolders(const std::string& folder, std::vector<std::string>& paths) {
    return listEntries(folder, true, paths);
}

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
        ::SetFileAttributesW(wideBase.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
    }
    if (!::RemoveDirectoryW(wideBase.c_str())) {
        error.note(lastError());
    }
    return error.get();
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

long Win32FileSystem::getAttributes(const std::string& path, std::int32_t& attributes) {
    const DWORD raw = ::GetFileAttributesW(widen(path).c_str());
    if (raw == INVALID_FILE_ATTRIBUTES) {
        return lastError();
    }
    attributes = static_cast<std::int32_t>(raw & 0x3F);
    return we::success;
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

std::optional<std::string> Win32FileSystem::tempFileName(const std::string& folder,
                                                         const std::string& prefix) {
    wchar_t buffer[MAX_PATH] = {};
    if (::GetTempFileNameW(widen(folder).c_str(), widen(prefix).c_str(), 0, buffer) == 0) {
        return std::nullopt;
    }
    return narrow(buffer);
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
