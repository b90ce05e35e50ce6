#include "platform/posix/core/posix_processes.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <poll.h>
#include <spawn.h>
#include <string_view>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <utility>
#include <vector>

namespace vesperon::platform::posix {

namespace {

bool isExecutableFile(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
           ::access(path.c_str(), X_OK) == 0;
}

// The arguments as a reader would type them: those with blanks or quotes in double quotes.
std::string readableCommandLine(const std::vector<std::string>& args) {
    std::string line;
    for (const auto& arg : args) {
        if (!line.empty()) {
            line += ' ';
        }
        if (!arg.empty() && arg.find_first_of(" \t\"'") == std::string::npos) {
            line += arg;
            continue;
        }
        line += '"';
        for (char c : arg) {
            if (c == '"' || c == '\\') {
                line += '\\';
            }
            line += c;
        }
        line += '"';
    }
    return line;
}

// Runs args (the program by its full path first) in a session of its own, so that nothing
// that ends this program's session or process group takes it along; its process id, or 0
// with the reason when it could not be run.
pid_t startInOwnSession(std::vector<std::string>& args, std::string& reason) {
    std::vector<char*> argv;
    argv.reserve(args.size() + 1);
    for (auto& arg : args) {
        argv.push_back(arg.data());
    }
    argv.push_back(nullptr);
    // A scheduler may have started this program with SIGCHLD ignored, which would reap
    // the command unseen and lose its exit status.
    ::signal(SIGCHLD, SIG_DFL);
    // posix_spawn returns only after the exec, with its error if it failed, and copies no
    // page tables on the way.
    posix_spawnattr_t attributes;
    int error = ::posix_spawnattr_init(&attributes);
    if (error != 0) {
        reason = std::strerror(error);
        return 0;
    }
    ::posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSID);
    pid_t child = 0;
    error = ::posix_spawn(&child, argv[0], nullptr, &attributes, argv.data(), environ);
    ::posix_spawnattr_destroy(&attributes);
    if (error != 0) {
        reason = std::string("could not be run: ") + std::strerror(error);
        return 0;
    }
    return child;
}

// Waits up to wait for the command to end and takes its verdict; one still running
// then counts as started and runs on.
void awaitVerdict(pid_t child, std::chrono::milliseconds wait, StartOutcome& outcome) {
    using namespace std::chrono;
    const auto deadline = steady_clock::now() + wait;
    // Readable once the command has ended (Linux 5.3 and later); without it, a look every
    // 10 ms. Called directly: glibc 2.36's <sys/pidfd.h> cannot be used from C++.
    const int endNotice = static_cast<int>(::syscall(SYS_pidfd_open, child, 0));
    int status = 0;
    pid_t ended;
    while ((ended = ::waitpid(child, &status, WNOHANG)) == 0 || (ended < 0 && errno == EINTR)) {
        const auto left = ceil<milliseconds>(deadline - steady_clock::now());
        if (left <= milliseconds(0)) {
            outcome.started = true;
            break;
        }
        if (endNotice >= 0) {
            pollfd notice{endNotice, POLLIN, 0};
            ::poll(&notice, 1, static_cast<int>(left.count()));
        } else {
            std::this_thread::sleep_for(std::min(milliseconds(10), left));
        }
    }
    const int waitError = errno;
    if (endNotice >= 0) {
        ::close(endNotice);
    }
    if (outcome.started) {
        return;
    }
    if (ended < 0) {
        outcome.reason = std::strerror(waitError);
    } else if (WIFEXITED(status) && WEXITSTATUS(status) == 0) {
        outcome.started = true;
    } else if (WIFEXITED(status)) {
        outcome.reason = "ended with exit status " + std::to_string(WEXITSTATUS(status));
    } else if (WIFSIGNALED(status)) {
        outcome.reason = "ended by signal " + std::to_string(WTERMSIG(status)) + " (" +
                         ::strsignal(WTERMSIG(status)) + ")";
    }
}

} // namespace

std::string findProgram(const std::string& name, const std::vector<std::string>& fallbackFolders) {
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
            // An empty or relative PATH entry means a folder that depends on where the program
            // was started: never run a program from there.
            if (!folder.empty() && folder.front() == '/') {
                folders.push_back(folder);
            }
            if (colon == std::string_view::npos) {
                break;
            }
            rest.remove_prefix(colon + 1);
        }
    }
    folders.insert(folders.end(), fallbackFolders.begin(), fallbackFolders.end());
    for (const auto& folder : folders) {
        std::string candidate = folder;
        candidate.append("/").append(name);
        if (isExecutableFile(candidate)) {
            return candidate;
        }
    }
    return {};
}

PosixProcesses::PosixProcesses(std::chrono::milliseconds wait,
                               std::vector<std::string> fallbackFolders)
    : wait_(wait), fallbackFolders_(std::move(fallbackFolders)) {}

StartOutcome PosixProcesses::start(const StartRequest& request) {
    StartOutcome outcome;
    if (request.argv.empty()) {
        outcome.reason = "no command";
        return outcome;
    }
    std::vector<std::string> args = request.argv;
    const std::string program = findProgram(args.front(), fallbackFolders_);
    if (program.empty()) {
        outcome.commandLine = readableCommandLine(args);
        outcome.reason = "not found on PATH";
        for (std::size_t i = 0; i < fallbackFolders_.size(); ++i) {
            outcome.reason += (i + 1 < fallbackFolders_.size() ? ", in " : " or in ");
            outcome.reason += fallbackFolders_[i];
        }
        return outcome;
    }
    args.front() = program;
    outcome.commandLine = readableCommandLine(args);
    const pid_t child = startInOwnSession(args, outcome.reason);
    if (child > 0) {
        awaitVerdict(child, wait_, outcome);
    }
    return outcome;
}

} // namespace vesperon::platform::posix
