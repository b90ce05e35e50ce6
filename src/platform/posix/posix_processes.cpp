#include "platform/posix/posix_processes.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <string_view>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

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

    // The exec's outcome comes back through a pipe that closes on a successful exec.
    int report[2];
    if (::pipe2(report, O_CLOEXEC) != 0) {
        return false;
    }
    const pid_t middle = ::fork();
    if (middle < 0) {
        ::close(report[0]);
        ::close(report[1]);
        return false;
    }
    if (middle == 0) {
        // The middle process exits at once, so the program is adopted by init and
        // reaped there: the caller never waits for it and no zombie is left.
        ::setsid();
        const pid_t child = ::fork();
        if (child == 0) {
            ::execv(program.c_str(), argv.data());
            const int error = errno;
            [[maybe_unused]] auto ignored = ::write(report[1], &error, sizeof error);
            ::_exit(127);
        }
        ::_exit(child < 0 ? 1 : 0);
    }
    ::close(report[1]);
    int status = 0;
    while (::waitpid(middle, &status, 0) < 0 && errno == EINTR) {
    }
    int error = 0;
    ssize_t n;
    while ((n = ::read(report[0], &error, sizeof error)) < 0 && errno == EINTR) {
    }
    ::close(report[0]);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 && n == 0;
}

} // namespace vesperon::platform::posix
