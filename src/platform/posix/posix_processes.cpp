#include "platform/posix/posix_processes.h"

#include <cstdlib>
#include <spawn.h>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace vesperon::platform::posix {

namespace {

bool isExecutableFile(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
           ::access(path.c_str(), X_OK) == 0;
}

} // namespace

std::string findProgram(const std::string& name) {
    if (name.empty() || name.find('\0') != std::string::npos) {
        return {};
    }
    if (name.find('/') != std::string::npos) {
        return isExecutableFile(name) ? name : std::string();
    }
    std::vector<std::string> folders;
    if (const char* path = std::getenv("PATH")) {
        std::string_view rest(path);
        while (true) {
            auto colon = rest.find(':');
            std::string folder(rest.substr(0, colon));
            // An empty PATH entry means the current folder: never run a program from there.
            if (!folder.empty() && folder.front() == '/') {
                folders.push_back(folder);
            }
            if (colon == std::string_view::npos) {
                break;
            }
            rest.remove_prefix(colon + 1);
        }
    }
    folders.push_back("/usr/sbin");
    folders.push_back("/sbin");
    for (const auto& folder : folders) {
        const std::string candidate = folder + "/" + name;
        if (isExecutableFile(candidate)) {
            return candidate;
        }
    }
    return {};
}

bool PosixProcesses::startWithoutWaiting(const StartRequest& request) {
    if (request.argv.empty()) {
        return false;
    }
    const std::string program = findProgram(request.argv.front());
    if (program.empty()) {
        return false;
    }
    std::vector<char*> argv;
    for (const auto& arg : request.argv) {
        argv.push_back(const_cast<char*>(arg.c_str()));
    }
    argv.push_back(nullptr);

    // posix_spawn returns only after the exec, with its error if it failed, and copies no
    // page tables on the way. In a session of its own the request outlives a closed
    // terminal; the caller ends right after, so init adopts and reaps the child.
    posix_spawnattr_t attributes;
    if (::posix_spawnattr_init(&attributes) != 0) {
        return false;
    }
    ::posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSID);
    pid_t child = -1;
    const int error =
        ::posix_spawn(&child, program.c_str(), nullptr, &attributes, argv.data(), environ);
    ::posix_spawnattr_destroy(&attributes);
    return error == 0;
}

} // namespace vesperon::platform::posix
