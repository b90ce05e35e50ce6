// What the file-system utility class reads of one file or folder: presence, details,
// names, attributes.
#include "base/path_text.h"
#include "base/text.h"
#include "platform/date_value.h"
#include "platform/posix/core/posix_file_system.h"
#include "platform/windows_error.h"

#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vesperon::platform::posix {

namespace {

namespace we = windows_error;

bool statPath(const std::string& path, struct stat& st) {
    return !path.empty() && path.find('\0') == std::string::npos && ::stat(path.c_str(), &st) == 0;
}

std::int32_t attributesOf(const std::string& path, const struct stat& st) {
    namespace fa = file_attribute;
    std::int32_t attributes = 0;
    if ((st.st_mode & 0222) == 0) {
        attributes |= fa::readOnly;
    }
    if (path_text::fileNameOf(path, false).rfind('.', 0) == 0) {
        attributes |= fa::hidden;
    }
    if (S_ISDIR(st.st_mode)) {
        attributes |= fa::directory;
    }
    if (S_ISREG(st.st_mode)) {
        attributes |= fa::archive;
    }
    return attributes;
}

std::time_t createdTime(const std::string& path, const struct stat& st) {
    struct statx extended {};
    if (::statx(AT_FDCWD, path.c_str(), 0, STATX_BTIME, &extended) == 0 &&
        (extended.stx_mask & STATX_BTIME) != 0) {
        return static_cast<std::time_t>(extended.stx_btime.tv_sec);
    }
    return st.st_mtime;
}

} // namespace

std::string generalDateText(std::time_t time) {
    std::tm local{};
    if (::localtime_r(&time, &local) == nullptr) {
        return "";
    }
    char buffer[128];
    const std::size_t n = std::strftime(buffer, sizeof buffer, "%x %X", &local);
    return std::string(buffer, n);
}

std::string PosixFileSystem::GetParentFolderName(const std::string& path) {
    return path_text::posixParentFolderName(path);
}

bool PosixFileSystem::FolderExists(const std::string& path) {
    const auto now = std::chrono::steady_clock::now();
    if (!path.empty() && path == lastFolder_ && now - lastFolderSeen_ < std::chrono::seconds(1)) {
        return true;
    }
    struct stat st {};
    if (!statPath(path, st) || !S_ISDIR(st.st_mode)) {
        return false;
    }
    lastFolder_ = path;
    lastFolderSeen_ = now;
    return true;
}

bool PosixFileSystem::FileExists(const std::string& path) {
    struct stat st {};
    // Only regular files: probing a device or socket could have side effects.
    return statPath(path, st) && S_ISREG(st.st_mode);
}

long PosixFileSystem::getFile(const std::string& path, FileDetails& details) {
    struct stat st {};
    if (!statPath(path, st)) {
        return errno == ENOTDIR ? we::path_not_found : we::file_not_found;
    }
    if (S_ISDIR(st.st_mode)) {
        return we::file_not_found;
    }
    std::string full = path;
    if (full[0] != '/') {
        char* cwd = ::getcwd(nullptr, 0);
        if (cwd == nullptr) {
            return we::path_not_found;
        }
        const std::string folder = cwd;
        std::free(cwd);
        full = (folder == "/" ? folder : folder + "/") + path;
    }
    details.Drive = std::string(1, '/');
    details.Path = full;
    details.ParentFolder = path_text::posixParentFolderName(full);
    details.Size = static_cast<std::uint64_t>(st.st_size);
    const std::string extension = text::upperAscii(extensionName(full));
    details.Type = extension.empty() ? "File" : extension + " File";
    details.DateLastAccessed = generalDateText(st.st_atime);
    details.DateLastModified = generalDateText(st.st_mtime);
    details.DateCreated = generalDateText(createdTime(path, st));
    details.Attributes = attributesOf(full, st);
    return we::success;
}

std::string PosixFileSystem::extensionName(const std::string& path) {
    return path_text::extensionNameOf(path, false);
}

std::string PosixFileSystem::fileName(const std::string& path) {
    return path_text::fileNameOf(path, false);
}

std::optional<double> PosixFileSystem::dateValue(const std::string& text) {
    const std::string s = text::trimBlanks(text);
    if (s.empty()) {
        return std::nullopt;
    }
    // The locale's own forms first, then ISO dates.
    for (const char* format : {"%x %X", "%x", "%Y-%m-%d %H:%M:%S", "%Y-%m-%d"}) {
        std::tm parsed{};
        const char* end = ::strptime(s.c_str(), format, &parsed);
        if (end != nullptr && *end == '\0') {
            return basicDateValue(parsed.tm_year + 1900, parsed.tm_mon + 1, parsed.tm_mday,
                                  parsed.tm_hour, parsed.tm_min, parsed.tm_sec);
        }
    }
    return std::nullopt;
}

long PosixFileSystem::getAttributes(const std::string& path, std::int32_t& attributes) {
    struct stat st {};
    if (!statPath(path, st)) {
        return errno == ENOTDIR ? we::path_not_found : we::file_not_found;
    }
    attributes = attributesOf(path, st);
    return we::success;
}

} // namespace vesperon::platform::posix
