#include "platform/posix/regedit/posix_registry.h"

#include "platform/posix/core/atomic_file.h"
#include "platform/posix/core/errno_mapping.h"
#include "platform/posix/regedit/regedit_text.h"
#include "platform/windows_error.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <functional>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <utility>
#include <vector>

namespace vesperon::platform::posix {

namespace we = vesperon::platform::windows_error;

namespace {

std::string environment(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? std::string(value) : std::string();
}

// Like mkdir -p; errno is set when false.
bool makeFolders(const std::string& path) {
    for (std::size_t slash = path.find('/', 1);; slash = path.find('/', slash + 1)) {
        std::string part = path.substr(0, slash);
        if (!part.empty() && ::mkdir(part.c_str(), 0755) != 0) {
            int error = errno;
            struct stat st {};
            if (error != EEXIST || ::stat(part.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
                errno = error == EEXIST ? ENOTDIR : error;
                return false;
            }
        }
        if (slash == std::string::npos) {
            return true;
        }
    }
}

// The store holds a few hundred bytes; this leaves room for whatever is kept there by
// hand while a runaway file is refused before it is read, let alone parsed.
constexpr off_t maxHiveSize = 1 << 20;

// A missing file reads as empty. Only a regular file of at most maxHiveSize bytes is
// read, never through a link and never waiting for a writer; errno is set when false.
bool readHive(const std::string& path, std::string& bytes) {
    bytes.clear();
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NOFOLLOW | O_NONBLOCK);
    if (fd < 0) {
        return errno == ENOENT;
    }
    struct stat info {};
    bool ok = ::fstat(fd, &info) == 0;
    if (ok && !S_ISREG(info.st_mode)) {
        ok = false;
        errno = S_ISDIR(info.st_mode) ? EISDIR : EINVAL;
    } else if (ok && info.st_size > maxHiveSize) {
        ok = false;
        errno = EFBIG;
    }
    char buffer[8192];
    while (ok) {
        ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            ok = n == 0;
            break;
        }
        bytes.append(buffer, static_cast<std::size_t>(n));
        if (bytes.size() > static_cast<std::size_t>(maxHiveSize)) { // it grew while read
            ok = false;
            errno = EFBIG;
        }
    }
    int error = errno;
    ::close(fd);
    errno = error;
    return ok;
}

// Held while a hive file is read, changed and replaced, so that two runs of the
// program at once cannot lose each other's values. A holder needs it for milliseconds;
// one that keeps it longer than the wait left is not waited for again, so that a stuck
// process can delay a run only so much. Where the folder cannot be locked at all (no
// locks on that file system) the update goes ahead.
class FolderLock {
public:
    FolderLock(const std::string& folder, std::chrono::steady_clock::duration& waitLeft)
        : fd_(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)) {
        if (fd_ < 0) {
            return;
        }
        using clock = std::chrono::steady_clock;
        const auto deadline = clock::now() + waitLeft;
        for (;;) {
            if (::flock(fd_, LOCK_EX | LOCK_NB) == 0 || (errno != EWOULDBLOCK && errno != EINTR)) {
                break;
            }
            const auto now = clock::now();
            if (now >= deadline) {
                busy_ = true;
                break;
            }
            std::this_thread::sleep_for(
                std::min<clock::duration>(std::chrono::milliseconds(10), deadline - now));
        }
        waitLeft = std::max(clock::duration::zero(), deadline - clock::now());
    }
    ~FolderLock() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;

    // Another process held the lock for longer than the wait allowed.
    bool busy() const { return busy_; }

private:
    int fd_;
    bool busy_ = false;
};

bool writable(const std::string& name) {
    return name.find_first_of(std::string("\r\n\0", 3)) == std::string::npos;
}

std::string fullKeyPath(std::uint32_t root, const std::string& path) {
    std::string full = regedit_text::hiveName(root);
    if (!path.empty()) {
        full += '\\';
        full += path;
    }
    return full;
}

// Reads the hive file, applies change and writes the result back when it differs.
long updateHive(const std::string& stateFolder, std::uint32_t root,
                std::chrono::steady_clock::duration& lockWaitLeft,
                const std::function<std::string(const std::string&)>& change) {
    std::string folder = stateFolder + "/registry";
    if (!makeFolders(folder)) {
        return windowsErrorFromErrno(errno);
    }
    FolderLock lock(folder, lockWaitLeft);
    if (lock.busy()) {
        return we::sharing_violation;
    }
    // Every writer holds the lock, so a temporary file of a hive is a killed writer's.
    std::vector<std::string> hives;
    for (std::uint32_t predefined = 0x80000000; predefined <= 0x80000006; ++predefined) {
        if (const std::string hive = regedit_text::hiveName(predefined); !hive.empty()) {
            hives.push_back(hive + ".reg");
        }
    }
    removeStaleTemporaries(folder, hives);
    std::string file = folder + "/" + regedit_text::hiveName(root) + ".reg";
    std::string before;
    if (!readHive(file, before)) {
        return windowsErrorFromErrno(errno);
    }
    std::string after = change(before);
    if (after != before && !replaceFileAtomically(file, after)) {
        return windowsErrorFromErrno(errno);
    }
    return we::success;
}

} // namespace

std::string defaultRegistryFolder() {
    std::string explicitFolder = environment("VESPERON_STATE_DIR");
    if (!explicitFolder.empty()) {
        return explicitFolder;
    }
    if (::geteuid() == 0) {
        return "/var/lib/vesperon";
    }
    // Relative values are to be ignored, as the XDG base directory rules say.
    std::string stateHome = environment("XDG_STATE_HOME");
    if (stateHome.starts_with('/')) {
        return stateHome + "/vesperon";
    }
    std::string home = environment("HOME");
    if (home.empty()) {
        if (const passwd* entry = ::getpwuid(::geteuid());
            entry != nullptr && (entry->pw_dir != nullptr)) {
            home = entry->pw_dir;
        }
    }
    if (home.empty()) {
        // Without a home folder, fail with a clear permission error rather than write
        // into whatever the current folder happens to be.
        return "/var/lib/vesperon";
    }
    return home + "/.local/state/vesperon";
}

PosixRegistry::PosixRegistry(std::string stateFolder, std::chrono::milliseconds lockWait)
    : stateFolder_(std::move(stateFolder)), lockWaitLeft_(lockWait) {}

long PosixRegistry::createKey(std::uint32_t root, const std::string& path, RegistryHandle& handle) {
    handle = 0;
    if (regedit_text::hiveName(root).empty()) {
        return we::invalid_handle;
    }
    std::string key = path;
    while (!key.empty() && key.back() == '\\') {
        key.pop_back(); // Windows takes "Software\\" for "Software" too
    }
    if (!writable(key)) {
        return we::invalid_parameter;
    }
    std::string full = fullKeyPath(root, key);
    long status = updateHive(stateFolder_, root, lockWaitLeft_, [&](const std::string& bytes) {
        return regedit_text::ensureKey(bytes, full);
    });
    if (status != we::success) {
        return status;
    }
    handle = nextHandle_++;
    open_[handle] = OpenKey{root, key};
    return we::success;
}

long PosixRegistry::setValue(RegistryHandle handle, const std::string& name, std::uint32_t type,
                             const std::vector<std::uint8_t>& data) {
    auto it = open_.find(handle);
    if (it == open_.end()) {
        return we::invalid_handle;
    }
    if (!writable(name)) {
        return we::invalid_parameter;
    }
    std::uint32_t root = it->second.root;
    std::string full = fullKeyPath(root, it->second.path);
    return updateHive(stateFolder_, root, lockWaitLeft_, [&](const std::string& bytes) {
        return regedit_text::setValue(bytes, full, name, type, data);
    });
}

long PosixRegistry::closeKey(RegistryHandle handle) {
    if (open_.erase(handle) == 0) {
        return we::invalid_handle;
    }
    return we::success;
}

} // namespace vesperon::platform::posix
