#include "platform/posix/proc/posix_process_listing.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vesperon::platform::posix {

void PosixProcessListing::enumProcesses(std::vector<std::uint32_t>& ids, std::uint32_t cb,
                                        std::uint32_t& bytesReturned) {
    bytesReturned = 0;
    DIR* proc = ::opendir(procRoot_.c_str());
    if (proc == nullptr) {
        return;
    }
    const std::size_t room = std::min<std::size_t>(ids.size(), cb / 4);
    std::size_t count = 0;
    while (const dirent* entry = ::readdir(proc)) {
        char* end = nullptr;
        const unsigned long id = std::strtoul(entry->d_name, &end, 10);
        if (end == entry->d_name || *end != '\0' || id == 0) {
            continue;
        }
        if (count == room) {
            break; // full: the caller tries again with a larger buffer
        }
        ids[count++] = static_cast<std::uint32_t>(id);
    }
    ::closedir(proc);
    bytesReturned = static_cast<std::uint32_t>(count * 4);
}

ProcessHandle PosixProcessListing::openProcess(std::uint32_t /*access*/, bool /*inherit*/,
                                               std::uint32_t id) {
    struct stat st {};
    const std::string folder = procRoot_ + "/" + std::to_string(id);
    if (::stat(folder.c_str(), &st) != 0) {
        return 0; // gone since it was listed
    }
    open_[next_] = static_cast<pid_t>(id);
    return next_++;
}

std::string PosixProcessListing::executableOf(ProcessHandle process) const {
    auto it = open_.find(process);
    if (it == open_.end()) {
        return {};
    }
    const std::string link = procRoot_ + "/" + std::to_string(it->second) + "/exe";
    char target[PATH_MAX];
    const ssize_t n = ::readlink(link.c_str(), target, sizeof target);
    return n > 0 ? std::string(target, static_cast<std::size_t>(n)) : std::string();
}

bool PosixProcessListing::enumProcessModules(ProcessHandle process, std::uintptr_t& firstModule,
                                             std::uint32_t /*cb*/, std::uint32_t& needed) {
    // A process whose executable cannot be read (another user's, a kernel thread) has none.
    needed = 0;
    firstModule = 0;
    if (executableOf(process).empty()) {
        return false;
    }
    firstModule = 1;
    needed = sizeof(std::uintptr_t);
    return true;
}

std::uint32_t PosixProcessListing::moduleFileName(ProcessHandle process, std::uintptr_t /*module*/,
                                                  std::string& buffer, std::uint32_t size) {
    const std::string path = executableOf(process);
    const std::size_t n = std::min<std::size_t>(path.size(), size > 0 ? size - 1 : 0);
    buffer.resize(std::max<std::size_t>(buffer.size(), n));
    buffer.replace(0, n, path, 0, n);
    return static_cast<std::uint32_t>(n);
}

} // namespace vesperon::platform::posix
