#include "e2e/posix/run_support.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <sched.h>
#include <sstream>
#include <stdexcept>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/mount.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace vesperon::test {

namespace {

const char* standIn =
    "#!/bin/sh\n"
    "# Records its arguments instead of shutting anything down.\n"
    "printf '%s\\n' \"$@\" > \"$(dirname \"$0\")/../shutdown-args.tmp\"\n"
    "mv \"$(dirname \"$0\")/../shutdown-args.tmp\" \"$(dirname \"$0\")/../shutdown-args\"\n";

} // namespace

Installation::Installation(const std::string& exeName) : exeName_(exeName) {
    std::filesystem::copy_file(VESPERON_EXECUTABLE, exe());
    std::filesystem::create_directory(dir.file("bin"));
    dir.write("bin/shutdown", standIn);
    std::filesystem::permissions(dir.file("bin/shutdown"), std::filesystem::perms::owner_all);
}

void Installation::listFiles(const std::vector<std::string>& names) const {
    std::string list = listHeader;
    for (const std::string& name : names) {
        dir.write(name, "data");
        list += file(name) + "\r\n";
    }
    dir.write("vesperon.cfg", list);
}

int Installation::run(const std::vector<std::string>& arguments) {
    return finish(start(arguments));
}

int Installation::runHolding(const std::string& name, const std::vector<std::string>& arguments,
                             Holder::Way way) {
    Holder holder(file(name), way);
    return run(arguments);
}

pid_t Installation::start(const std::vector<std::string>& arguments, Exec exec, bool withoutProc) {
    std::vector<std::string> argv{exec == Exec::ByPath ? exe() : exeName_};
    if (!mountSetup.empty() && exec == Exec::ByPath) {
        argv = {"/usr/bin/unshare",
                "-m",
                "/bin/sh",
                "-c",
                mountSetup + " && exec \"$0\" \"$@\"",
                exe()};
    }
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    std::vector<char*> cargv;
    for (auto& a : argv) {
        cargv.push_back(a.data());
    }
    cargv.push_back(nullptr);
    const std::string path = dir.file("bin") + ":/usr/bin:/bin";
    const std::string noBus = "unix:path=" + dir.file("no-system-bus");

    const pid_t pid = ::fork();
    if (pid == 0) {
        ::unsetenv("DISPLAY");
        ::setenv("PATH", path.c_str(), 1);
        ::setenv("VESPERON_STATE_DIR", dir.file("state").c_str(), 1);
        // No locks of the machine's own login manager: a test that wants a bus sets one up.
        ::setenv("DBUS_SYSTEM_BUS_ADDRESS", noBus.c_str(), 0);
        ::chdir(dir.path().c_str());
        ::dup2(::open("/dev/null", O_RDONLY), 0);
        ::dup2(::open(dir.file("stdout").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644), 1);
        ::dup2(::open(dir.file("stderr").c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644), 2);
        const int exeFd = ::open(exe().c_str(), O_RDONLY | O_CLOEXEC);
        if ((exec == Exec::ByDescriptorOfRemovedFile && ::unlink(exe().c_str()) != 0) ||
            (withoutProc && (::unshare(CLONE_NEWNS) != 0 ||
                             ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
                             ::mount("none", "/proc", "tmpfs", 0, nullptr) != 0))) {
            ::_exit(126);
        }
        if (addressSpaceLimit != 0) {
            const rlimit limit{addressSpaceLimit, addressSpaceLimit};
            ::setrlimit(RLIMIT_AS, &limit);
        }
        if (exec != Exec::ByPath) {
            ::fexecve(exeFd, cargv.data(), environ);
        } else {
            ::execve(cargv[0], cargv.data(), environ);
        }
        ::_exit(127);
    }
    return pid;
}

int Installation::finish(pid_t pid) {
    int status = 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (::waitpid(pid, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, &status, 0);
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

std::vector<std::string> Installation::shutdownArguments(int waitMilliseconds) const {
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMilliseconds);
    while (!dir.exists("shutdown-args") && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    std::istringstream text(dir.exists("shutdown-args") ? dir.read("shutdown-args") : "");
    std::vector<std::string> args;
    for (std::string line; std::getline(text, line);) {
        args.push_back(line);
    }
    return args;
}

std::string Installation::registryFile() const {
    return dir.read("state/registry/HKEY_LOCAL_MACHINE.reg");
}

Holder::Holder(const std::string& path, Way way, const std::string& commandName) {
    int ready[2];
    if (::pipe(ready) != 0) {
        throw std::runtime_error("pipe");
    }
    pid_ = ::fork();
    if (pid_ == 0) {
        ::close(ready[0]);
        if (!commandName.empty()) {
            ::prctl(PR_SET_NAME, commandName.c_str());
        }
        int fd = ::open(path.c_str(), O_RDONLY);
        struct stat st {};
        ::fstat(fd, &st);
        if (way == Way::Locked) {
            ::flock(fd, LOCK_EX);
        }
        if (way == Way::MappedOnly) {
            ::mmap(nullptr, st.st_size > 0 ? static_cast<std::size_t>(st.st_size) : 1, PROT_READ,
                   MAP_SHARED, fd, 0);
            ::close(fd);
        }
        char c = 'x';
        [[maybe_unused]] auto n = ::write(ready[1], &c, 1);
        ::pause();
        ::_exit(0);
    }
    ::close(ready[1]);
    char c;
    [[maybe_unused]] auto n = ::read(ready[0], &c, 1);
    ::close(ready[0]);
}

Holder::~Holder() {
    if (pid_ > 0) {
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
    }
}

} // namespace vesperon::test
