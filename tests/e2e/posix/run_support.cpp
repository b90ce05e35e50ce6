#include "e2e/posix/run_support.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <linux/fuse.h>
#include <poll.h>
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
            // Another group than its user's, so that the user named is the owner's.
            (void)!::setgid(65534);
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

namespace {

// Answers one request of the kernel's FUSE protocol for a root folder (node 1) holding one
// read-only file "file" (node 2) of 4 KiB, nothing cached, so that every lookup asks again.
void answer(int fuse, const char* request) {
    fuse_in_header in{};
    std::memcpy(&in, request, sizeof in);
    const char* body = request + sizeof in;
    std::string reply(sizeof(fuse_out_header), '\0');
    int error = 0;
    auto attributes = [](std::uint64_t node) {
        fuse_attr attr{};
        attr.ino = node;
        attr.mode = node == FUSE_ROOT_ID ? S_IFDIR | 0755 : S_IFREG | 0444;
        attr.size = node == FUSE_ROOT_ID ? 0 : 4096;
        attr.blocks = attr.size / 512;
        attr.nlink = 1;
        attr.blksize = 4096;
        return attr;
    };
    auto append = [&reply](const auto& value) {
        reply.append(reinterpret_cast<const char*>(&value), sizeof value);
    };
    switch (in.opcode) {
    case FUSE_INIT: {
        fuse_init_in init{};
        std::memcpy(&init, body, sizeof init);
        fuse_init_out out{};
        out.major = FUSE_KERNEL_VERSION;
        out.minor = FUSE_KERNEL_MINOR_VERSION;
        out.max_readahead = init.max_readahead;
        out.max_write = 65536;
        append(out);
        break;
    }
    case FUSE_LOOKUP:
        if (in.nodeid == FUSE_ROOT_ID && std::strcmp(body, "file") == 0) {
            fuse_entry_out entry{};
            entry.nodeid = 2;
            entry.generation = 1;
            entry.attr = attributes(2);
            append(entry);
        } else {
            error = ENOENT;
        }
        break;
    case FUSE_GETATTR: {
        fuse_attr_out out{};
        out.attr = attributes(in.nodeid);
        append(out);
        break;
    }
    case FUSE_OPEN:
        append(fuse_open_out{1, 0, 0});
        break;
    case FUSE_READ: {
        fuse_read_in read{};
        std::memcpy(&read, body, sizeof read);
        reply.append(read.offset < 4096 ? std::min<std::size_t>(read.size, 4096 - read.offset) : 0,
                     'x');
        break;
    }
    case FUSE_FLUSH:
    case FUSE_RELEASE:
        break;
    case FUSE_FORGET:
    case FUSE_BATCH_FORGET:
    case FUSE_INTERRUPT:
        return; // no answer expected
    default:
        error = ENOSYS;
    }
    if (error != 0) {
        reply.resize(sizeof(fuse_out_header));
    }
    fuse_out_header out{static_cast<std::uint32_t>(reply.size()), -error, in.unique};
    std::memcpy(reply.data(), &out, sizeof out);
    (void)!::write(fuse, reply.data(), reply.size());
}

} // namespace

StalledMount::StalledMount() {
    if (::geteuid() != 0 || ::access("/dev/fuse", R_OK | W_OK) != 0) {
        missing_ = "a FUSE file system of the test's own needs root and /dev/fuse";
        return;
    }
    std::filesystem::create_directory(dir_.file("mnt"));
    int control[2];
    int ready[2];
    if (::pipe2(control, O_CLOEXEC) != 0 || ::pipe2(ready, O_CLOEXEC) != 0) {
        missing_ = "no pipe";
        return;
    }
    server_ = ::fork();
    if (server_ == 0) {
        ::close(control[1]);
        const std::string mnt = dir_.file("mnt");
        const int fuse = ::open("/dev/fuse", O_RDWR | O_CLOEXEC);
        const std::string options =
            "fd=" + std::to_string(fuse) + ",rootmode=40000,user_id=0,group_id=0,allow_other";
        if (fuse < 0 || ::unshare(CLONE_NEWNS) != 0 ||
            ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
            ::mount("vesperon-test", mnt.c_str(), "fuse", MS_NOSUID | MS_NODEV, options.c_str()) !=
                0) {
            ::_exit(1);
        }
        // The mapper, answered by the loop below, reports its pid once it maps the file.
        if (::fork() == 0) {
            ::close(fuse);
            const int fd = ::open((mnt + "/file").c_str(), O_RDONLY);
            const bool mapped =
                fd >= 0 && ::mmap(nullptr, 4096, PROT_READ, MAP_SHARED, fd, 0) != MAP_FAILED;
            ::close(fd);
            const pid_t self = mapped ? ::getpid() : -1;
            (void)!::write(ready[1], &self, sizeof self);
            for (;;) {
                ::pause();
            }
        }
        std::vector<char> buffer(FUSE_MIN_READ_BUFFER + 65536);
        for (;;) {
            pollfd both[2] = {{fuse, POLLIN, 0}, {control[0], POLLIN, 0}};
            if (::poll(both, 2, -1) < 0) {
                continue;
            }
            if (both[1].revents != 0) {
                for (;;) {
                    ::pause(); // stopped: holds the device, answers nothing, until killed
                }
            }
            const ssize_t n = ::read(fuse, buffer.data(), buffer.size());
            if (n >= static_cast<ssize_t>(sizeof(fuse_in_header))) {
                answer(fuse, buffer.data());
            } else if (n < 0 && errno == ENODEV) {
                ::_exit(0);
            }
        }
    }
    ::close(control[0]);
    ::close(ready[1]);
    control_ = control[1];
    pollfd wait{ready[0], POLLIN, 0};
    if (::poll(&wait, 1, 5000) != 1 ||
        ::read(ready[0], &mapper_, sizeof mapper_) != sizeof mapper_ || mapper_ <= 0) {
        mapper_ = -1;
        missing_ = "the FUSE file system of the test did not come up";
    }
    ::close(ready[0]);
}

StalledMount::~StalledMount() {
    // The server's end closes the device, which fails every request still waiting.
    for (pid_t pid : {mapper_, server_}) {
        if (pid > 0) {
            ::kill(pid, SIGKILL);
        }
    }
    if (server_ > 0) {
        ::waitpid(server_, nullptr, 0);
    }
    if (control_ >= 0) {
        ::close(control_);
    }
}

std::string StalledMount::file() const {
    return "/proc/" + std::to_string(mapper_) + "/root" + dir_.file("mnt/file");
}

void StalledMount::stop() {
    (void)!::write(control_, "s", 1);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
}

} // namespace vesperon::test
