#include "platform/posix/core/posix_profile.h"

#include "platform/files.h"
#include "platform/posix/core/atomic_file.h"
#include "platform/profile_text.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <optional>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

namespace vesperon::platform::posix {

namespace {

namespace text = vesperon::platform::profile_text;

bool usablePath(const std::string& path) {
    return !path.empty() && path.find('\0') == std::string::npos;
}

// Opened for reading and writing before a write, as Wine does, so that a file the user
// may not change is refused even when its folder would allow replacing it. Nothing there
// reads as absent; what cannot be read is said in problem.
FileRead readProfile(const std::string& path, bool forWriting, std::string& problem) {
    FileRead result;
    // A file about to be replaced is never one a link leads to: the link may have been
    // planted by another user in a folder others can write.
    int flags = (forWriting ? O_RDWR | O_NOFOLLOW : O_RDONLY) | O_CLOEXEC | O_NOCTTY | O_NONBLOCK;
    int fd = ::open(path.c_str(), flags);
    if (fd < 0) {
        const bool absent = errno == ENOENT || errno == ENOTDIR;
        result.status = absent ? FileRead::Status::Absent : FileRead::Status::Unreadable;
        problem = errno == ELOOP && forWriting ? "a symbolic link, which is never written through"
                                               : std::strerror(errno);
        return result;
    }
    struct stat info {};
    bool ok = ::fstat(fd, &info) == 0;
    if (!ok) {
        problem = std::strerror(errno);
    } else if (!S_ISREG(info.st_mode)) {
        ok = false;
        problem = S_ISDIR(info.st_mode) ? std::strerror(EISDIR) : "not a regular file";
    }
    char buffer[8192];
    while (ok) {
        ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            problem = std::strerror(errno);
        }
        if (n <= 0) {
            ok = n == 0;
            break;
        }
        result.bytes.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(fd);
    result.status = ok ? FileRead::Status::Read : FileRead::Status::Unreadable;
    if (!ok) {
        result.bytes.clear();
    }
    return result;
}

// GetPrivateProfileString drops trailing spaces of the default but always keeps its
// first character.
std::string_view trimDefault(const std::string& defaultValue) {
    std::string_view value(defaultValue);
    value = value.substr(0, value.find('\0'));
    std::size_t length = value.size();
    while (length > 1 && value[length - 1] == ' ') {
        --length;
    }
    return value.substr(0, length);
}

} // namespace

std::string PosixProfile::getString(const std::string& section, const std::string& key,
                                    const std::string& defaultValue, std::size_t bufferSize,
                                    const std::string& file) {
    if (bufferSize == 0) {
        return {};
    }
    std::string_view fallback = trimDefault(defaultValue);
    FileRead current;
    current.status = FileRead::Status::Unreadable;
    std::string problem;
    if (usablePath(file)) {
        current = readProfile(file, false, problem);
    }
    if (current.status == FileRead::Status::Unreadable) {
        // A file that cannot be opened gives the default as it is, quotes included.
        return std::string(fallback.substr(0, bufferSize - 1));
    }
    std::optional<std::string> raw;
    if (current.status == FileRead::Status::Read && !text::isUtf16(current.bytes)) {
        raw = text::findRawValue(current.bytes, section, key);
    }
    return text::copyToBuffer(raw ? std::string_view(*raw) : fallback, bufferSize);
}

ProfileWrite PosixProfile::writeString(const std::string& section, const std::string& key,
                                       const std::string& value, const std::string& file) {
    if (!usablePath(file)) {
        return {false, std::strerror(EINVAL)};
    }
    std::string problem;
    FileRead current = readProfile(file, true, problem);
    if (current.status == FileRead::Status::Unreadable) {
        return {false, problem};
    }
    if (text::isUtf16(current.bytes)) {
        // Appending single-byte text would leave a file in two encodings.
        return {false, "the file is in UTF-16, which is only read"};
    }
    std::string updated = text::setValue(current.bytes, section, key, value);
    if (current.status == FileRead::Status::Read && updated == current.bytes) {
        return {true, ""};
    }
    if (!replaceFileAtomically(file, updated)) {
        return {false, std::strerror(errno)};
    }
    return {true, ""};
}

void PosixProfile::createWith(const std::string& file, const std::vector<Value>& values) {
    std::string bytes;
    for (const Value& v : values) {
        bytes = text::setValue(bytes, v.section, v.key, v.value);
    }
    // Whole, in one step, and only where nothing is: never a second time, never through a link.
    if (usablePath(file)) {
        createFileExclusively(file, bytes);
    }
}

std::optional<std::string> PosixProfile::whyUnreadable(const std::string& file) {
    std::string problem;
    if (!usablePath(file) ||
        readProfile(file, false, problem).status != FileRead::Status::Unreadable) {
        return std::nullopt;
    }
    return problem;
}

} // namespace vesperon::platform::posix
