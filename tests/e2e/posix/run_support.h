#pragma once

#include "support/child_process.h"
#include "support/temp_dir.h"

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <linux/io_uring.h>
#include <memory>
#include <regex>
#include <stdexcept>
#include <string>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace vesperon::test {

// The check list that a first run writes.
inline const std::string listHeader = "; ********************************************\r\n"
                                      ";     Vesperon - Configuration File\r\n"
                                      "; ********************************************\r\n"
                                      "\r\n";

inline bool contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

inline const std::string abortedHeader = " *** A Planned Shutdown was Aborted! *** \r\n";

// What the test run's syslog daemon stores (entries raw, each followed by a line "--8<--"),
// from the moment this was made on: the store holds every earlier run's entries too.
class SyslogStore {
public:
    SyslogStore() {
        const char* store = std::getenv("VESPERON_TEST_SYSLOG_FILE");
        file_ = store != nullptr ? store : "";
        std::error_code error;
        const auto size = std::filesystem::file_size(file_, error);
        start_ = error ? 0 : static_cast<std::streamoff>(size);
    }
    bool usable() const { return !file_.empty(); }

    // The texts of the stored warnings that mention marker, byte for byte, in the order they
    // came; waits a while for the first.
    std::vector<std::string> warnings(const std::string& marker) const {
        // <12>: facility user (1) * 8 + priority warning (4).
        const std::regex prefix(
            "<12>[A-Z][a-z]{2} [ 0-9]\\d \\d\\d:\\d\\d:\\d\\d Vesperon\\[\\d+\\]: ");
        std::vector<std::string> found;
        for (int i = 0; i < 300 && found.empty(); ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
            std::ifstream in(file_, std::ios::binary);
            in.seekg(start_);
            const std::string log{std::istreambuf_iterator<char>(in), {}};
            for (std::size_t at = 0, end; (end = log.find("\n--8<--\n", at)) != std::string::npos;
                 at = end + 8) {
                const std::string record = log.substr(at, end - at);
                std::smatch m;
                if (contains(record, marker) && std::regex_search(record, m, prefix) &&
                    m.position(0) == 0) {
                    found.push_back(m.suffix());
                }
            }
        }
        return found;
    }

private:
    std::string file_;
    std::streamoff start_ = 0;
};

// Undoes, by a shell command, what a test set up on the machine, even when an assertion failed.
struct Undo {
    std::string command;
    ~Undo() { (void)!std::system(command.c_str()); }
};

// Another process that holds a file open (or only mapped, or locked, or registered with an
// io_uring ring) until it is destroyed, under the command name given (as prctl sets it), if any.
class Holder {
public:
    enum class Way { Open, MappedOnly, Locked, Ring };
    Holder(const std::string& path, Way way, const std::string& commandName = "")
        : child_([&] {
              if (!commandName.empty()) {
                  ::prctl(PR_SET_NAME, commandName.c_str());
                  // Another group than its user's, so that the user named is the owner's.
                  (void)!::setgid(65534);
              }
              int fd = ::open(path.c_str(), O_RDONLY);
              if (way == Way::Locked) {
                  return ::flock(fd, LOCK_EX) == 0;
              }
              if (way == Way::MappedOnly) {
                  return ::mmap(nullptr, 1, PROT_READ, MAP_SHARED, fd, 0) != MAP_FAILED &&
                         ::close(fd) == 0;
              }
              if (way == Way::Ring) {
                  io_uring_params params{};
                  const int ring = static_cast<int>(::syscall(__NR_io_uring_setup, 4, &params));
                  return ring >= 0 &&
                         ::syscall(__NR_io_uring_register, ring, IORING_REGISTER_FILES, &fd, 1) ==
                             0 &&
                         ::close(fd) == 0;
              }
              return fd >= 0;
          }) {
        if (!child_.ready()) {
            throw std::runtime_error("could not hold " + path);
        }
    }
    pid_t pid() const { return child_.pid(); }

private:
    Child child_;
};

// A fresh folder with a copy of the program, a recording `shutdown` first on PATH, a state folder.
class Installation {
public:
    explicit Installation(const std::string& exeName = "vesperon") : exeName_(exeName) {
        std::filesystem::copy_file(VESPERON_EXECUTABLE, exe());
        std::filesystem::create_directory(dir.file("bin"));
        dir.write("bin/shutdown", "#!/bin/sh\nprintf '%s\\n' \"$@\" >\"$0.tmp\" && "
                                  "mv \"$0.tmp\" \"${0%/bin/shutdown}/shutdown-args\"\n");
        std::filesystem::permissions(dir.file("bin/shutdown"), std::filesystem::perms::owner_all);
    }
    std::string exe() const { return dir.file(exeName_); }
    std::string file(const std::string& name) const { return dir.file(name); }
    std::string out() const { return dir.read("stdout"); }
    std::string err() const { return dir.read("stderr"); }
    std::string registryFile() const { return dir.read("state/registry/HKEY_LOCAL_MACHINE.reg"); }

    // Writes the check list naming these files of the folder, each made with some data.
    void listFiles(const std::vector<std::string>& names) const {
        std::string list = listHeader;
        for (const std::string& name : names) {
            dir.write(name, "data");
            list += file(name) + "\r\n";
        }
        dir.write("vesperon.cfg", list);
    }

    // Runs the executable as a scheduler would (no display, no terminal input), standard output
    // in the file "stdout", standard error appended to "stderr"; returns its exit status.
    int run(const std::vector<std::string>& arguments) { return finish(start(arguments)); }

    // Starts it as run() does, without waiting: by its path, or (throughDescriptor) through a
    // descriptor of its file, removed by then, with argv[0] as a PATH lookup leaves it.
    pid_t start(const std::vector<std::string>& arguments, bool throughDescriptor = false) {
        std::vector<std::string> argv{throughDescriptor ? exeName_ : exe()};
        if (!setup.empty() && !throughDescriptor) {
            argv = {"/bin/sh", "-c", setup + " && exec \"$0\" \"$@\"", exe()};
            if (::geteuid() == 0) {
                argv.insert(argv.begin(), {"/usr/bin/unshare", "-m"});
            }
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
            // As a scheduler may start it: an ignored SIGCHLD stays ignored across exec.
            ::signal(SIGCHLD, SIG_IGN);
            ::setenv("PATH", path.c_str(), 1);
            ::setenv("VESPERON_STATE_DIR", dir.file("state").c_str(), 1);
            // No locks of the machine's own login manager: a test that wants a bus sets one up.
            ::setenv("DBUS_SYSTEM_BUS_ADDRESS", noBus.c_str(), 0);
            ::chdir(dir.path().c_str());
            ::dup2(::open("/dev/null", O_RDONLY), 0);
            ::dup2(::open(dir.file("stdout").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644), 1);
            ::dup2(::open(dir.file("stderr").c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644), 2);
            const int exeFd = ::open(exe().c_str(), O_RDONLY | O_CLOEXEC);
            if (throughDescriptor && ::unlink(exe().c_str()) == 0) {
                ::fexecve(exeFd, cargv.data(), environ);
            } else if (!throughDescriptor) {
                ::execve(cargv[0], cargv.data(), environ);
            }
            ::_exit(127);
        }
        return pid;
    }
    // Waits for a run and returns its exit status (128 + 9 when killed after 30 seconds).
    static int finish(pid_t pid) {
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

    // The arguments the stand-in received since last asked, a line each.
    std::string shutdownArguments(int waitMilliseconds = 3000) const {
        const auto deadline =
            std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMilliseconds);
        while (!dir.exists("shutdown-args") && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        const std::string args = dir.exists("shutdown-args") ? dir.read("shutdown-args") : "";
        std::filesystem::remove(dir.file("shutdown-args"));
        return args;
    }

    TempDir dir;
    // A shell command that runs first in the folder (as root in a mount namespace of the run's
    // own), such as mounting a full file system over the state folder; empty: none.
    std::string setup;

private:
    std::string exeName_;
};

} // namespace vesperon::test
