#include "platform/posix/core/posix_files.h"
#include "support/child_process.h"
#include "support/temp_dir.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <sched.h>
#include <sys/file.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace vesperon::platform::posix {
namespace {

using test::Child;
using test::TempDir;
using Status = FileRead::Status;

// The calls of write, fsync, close and rename that the unit tests' code makes (the tests link
// with --wrap for each), recorded while a recorder lives; the first call of the kind named
// failing fails with EIO (a close still closes). One recorder at a time.
struct SyscallRecorder {
    explicit SyscallRecorder(std::string failing = "") : failing(std::move(failing)) {
        active = this;
    }
    ~SyscallRecorder() { active = nullptr; }
    std::string failing;
    std::vector<std::string> calls;
    static inline SyscallRecorder* active = nullptr;
};

// Records the call; true, with errno EIO, when it is the one to fail.
bool failsNow(const char* kind) {
    SyscallRecorder* recorder = SyscallRecorder::active;
    if (recorder == nullptr) {
        return false;
    }
    recorder->calls.push_back(kind);
    if (recorder->failing != kind) {
        return false;
    }
    recorder->failing.clear();
    errno = EIO;
    return true;
}

// A second thread opens the file and keeps it, in a descriptor table of its own or not.
bool holdInThread(const std::string& path, bool ownTable) {
    std::atomic<int> opened{0};
    std::thread([&opened, path, ownTable] {
        const bool ok = (!ownTable || ::unshare(CLONE_FILES) == 0) &&
                        ::open(path.c_str(), O_RDONLY | O_CLOEXEC) >= 0;
        opened = ok ? 1 : 2;
        for (;;) {
            ::pause();
        }
    }).detach();
    while (opened == 0) {
        std::this_thread::yield();
    }
    return opened == 1;
}

TEST(PosixFiles, ProbeSeesWhatOtherProcessesHold) {
    const struct {
        const char* name;
        bool ownTable, leaderEnds;
    } cases[] = {{"held by a thread with its own descriptor table", true, false},
                 {"held by a thread whose leader has ended", false, true}};
    PosixFiles files; // each run reads the holders again: a file held since counts
    TempDir dir;      // one folder, so that no file takes over the inode of an earlier one
    dir.write("other", "x");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        dir.write(c.name, "some bytes");
        Child child([&] { return holdInThread(dir.file(c.name), c.ownTable); }, c.leaderEnds);
        ASSERT_TRUE(child.ready());
        files.beginProbeRun();
        EXPECT_EQ(files.probe(dir.file(c.name)), ProbeResult::InUse);
        EXPECT_EQ(files.probe(dir.file("other")), ProbeResult::Free);
        files.endProbeRun();
    }
}

TEST(PosixFiles, ProbeWithoutOtherHolders) {
    TempDir dir;
    ASSERT_EQ(::mkfifo(dir.file("fifo").c_str(), 0600), 0);
    PosixFiles files;
    files.beginProbeRun();
    ::alarm(5); // a FIFO open that blocks ends the test run instead of hanging it
    EXPECT_EQ(files.probe(dir.file("fifo")), ProbeResult::Free);
    ::alarm(0);
    EXPECT_EQ(files.probe(dir.file("missing")), ProbeResult::InUse) << "vanished after the test";
    if (::geteuid() != 0) { // permissions do not bind root
        dir.write("locked", "x");
        ASSERT_EQ(::chmod(dir.file("locked").c_str(), 0), 0);
        EXPECT_EQ(files.probe(dir.file("locked")), ProbeResult::InUse);
    }
}

// Absent only when the system says plainly that nothing is there.
TEST(PosixFiles, PresenceOfListedPaths) {
    TempDir dir;
    dir.write("file", "x");
    ASSERT_EQ(::mkfifo(dir.file("fifo").c_str(), 0600), 0);
    ASSERT_EQ(::symlink(dir.file("missing").c_str(), dir.file("dangling").c_str()), 0);
    ASSERT_EQ(::symlink(dir.file("loop").c_str(), dir.file("loop").c_str()), 0);
    ASSERT_EQ(::symlink(dir.file("file").c_str(), dir.file("link").c_str()), 0);
    struct Case {
        std::string path;
        Presence presence;
    } cases[] = {{dir.file("file"), Presence::File},
                 {dir.file("link"), Presence::File},
                 {dir.file("missing"), Presence::Absent},
                 {dir.file("file/below"), Presence::Absent},
                 {dir.file("dangling"), Presence::Absent},
                 {dir.path(), Presence::NotAFile},
                 {dir.file("fifo"), Presence::NotAFile},
                 {dir.file("file/"), Presence::Absent},
                 {dir.file("loop"), Presence::Undetermined},
                 {dir.file("loop/file"), Presence::Undetermined},
                 {"/tmp", Presence::NotAFile},
                 {dir.file(std::string(300, 'n')), Presence::Undetermined},
                 {dir.file("file") + std::string(1, '\0'), Presence::Undetermined}};
    PosixFiles files;
    files.beginProbeRun();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(files.presenceOf(c.path), c.presence);
    }
    if (::geteuid() != 0) { // a folder that may not be searched hides what is in it
        ASSERT_EQ(::mkdir(dir.file("closed").c_str(), 0700), 0);
        dir.write("closed/file", "x");
        ASSERT_EQ(::chmod(dir.file("closed").c_str(), 0), 0);
        EXPECT_EQ(files.presenceOf(dir.file("closed/file")), Presence::Undetermined);
        EXPECT_EQ(files.presenceOf(dir.file("closed/missing")), Presence::Undetermined);
        ::chmod(dir.file("closed").c_str(), 0700);
    }
    files.endProbeRun();
}

// The configuration window checks again and again in one process; an overlay mounted since
// the last check (a container started) is seen by the next.
TEST(PosixFiles, ALaterCheckSeesOverlaysMountedSince) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "mounting needs root";
    }
    TempDir dir;
    for (const char* folder : {"l", "m", "merged"}) {
        ASSERT_EQ(::mkdir(dir.file(folder).c_str(), 0700), 0);
    }
    dir.write("l/f", "x");
    Child child([&] {
        PosixFiles files;
        auto presence = [&] {
            files.beginProbeRun();
            const Presence seen = files.presenceOf(dir.file("l/f"));
            files.endProbeRun();
            return seen;
        };
        const std::string options = "lowerdir=" + dir.file("l") + ":" + dir.file("m");
        return ::unshare(CLONE_NEWNS) == 0 &&
               ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0 &&
               presence() == Presence::File &&
               ::mount("overlay", dir.file("merged").c_str(), "overlay", 0, options.c_str()) == 0 &&
               presence() == Presence::Undetermined;
    });
    EXPECT_TRUE(child.ready());
}

TEST(PosixFiles, RunningOutOfDescriptorsIsNeverTakenForFree) {
    EXPECT_TRUE(PosixFiles().fileNumberAvailable());
    // In a child: a descriptor table this process filled itself.
    Child child([] {
        rlimit limit{32, 32};
        ::setrlimit(RLIMIT_NOFILE, &limit);
        int last = -1;
        for (int fd; (fd = ::open("/dev/null", O_RDONLY)) >= 0;) {
            last = fd;
        }
        const bool noneLeft = !PosixFiles().fileNumberAvailable();
        ::close(last); // room for /proc itself, none for what lies below it
        return noneLeft && !OpenFileScan().scan();
    });
    EXPECT_TRUE(child.ready());
}

TEST(PosixFiles, LockIsTakenInTurnsAndWaitedForBoundedly) {
    using Status = LockAttempt::Status;
    using std::chrono::milliseconds;
    TempDir dir;
    const std::string lock = dir.file("v.lock");
    PosixFiles files("/proc", milliseconds(300));
    {
        Child other([&] {
            const int fd = ::open(lock.c_str(), O_RDONLY | O_CREAT, 0644);
            return fd >= 0 && ::flock(fd, LOCK_EX) == 0;
        });
        ASSERT_TRUE(other.ready());
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(files.lockFile(lock).status, Status::TimedOut);
        EXPECT_GE(std::chrono::steady_clock::now() - start, milliseconds(300));
    }
    auto held = files.lockFile(lock);
    EXPECT_EQ(held.status, Status::Held);
    EXPECT_EQ(PosixFiles("/proc", milliseconds(0)).lockFile(lock).status, Status::TimedOut);
    held.lock.reset();
    EXPECT_EQ(files.lockFile(lock).status, Status::Held);
    // Nowhere to keep a lock file, or something else under its name: no lock to wait for.
    ASSERT_EQ(::mkfifo(dir.file("fifo").c_str(), 0600), 0);
    ASSERT_EQ(::symlink(lock.c_str(), dir.file("link").c_str()), 0);
    for (const char* name : {"v.lock/below", "fifo", "link"}) {
        EXPECT_EQ(files.lockFile(dir.file(name)).status, Status::Unavailable) << name;
    }
}

// Absent only when nothing is there: a loop or a folder is a file that cannot be read.
TEST(PosixFiles, ReadWholeOrInPieces) {
    TempDir dir;
    dir.write("data", std::string("a\0b\r\n", 5));
    dir.write("empty", "");
    ASSERT_EQ(::symlink(dir.file("missing").c_str(), dir.file("dangling").c_str()), 0);
    ASSERT_EQ(::symlink("loop", dir.file("loop").c_str()), 0);
    PosixFiles files;
    // Read whole (settings, registry) or in pieces (the check list, where a dangling link is
    // a share that is not mounted).
    const std::tuple<const char*, Status, Status> cases[] = {
        {"missing", Status::Absent, Status::Absent},
        {"data/below", Status::Absent, Status::Absent},
        {"dangling", Status::Absent, Status::Unreadable},
        {"loop", Status::Unreadable, Status::Unreadable},
        {"", Status::Unreadable, Status::Unreadable},
        {"empty", Status::Read, Status::Read}};
    for (const auto& [name, whole, pieces] : cases) {
        SCOPED_TRACE(name);
        EXPECT_EQ(files.readWhole(dir.file(name)).status, whole);
        EXPECT_EQ(files.openForReading(dir.file(name)).status, pieces);
    }
    EXPECT_EQ(files.readWhole(dir.file("data")).bytes, std::string("a\0b\r\n", 5));
    auto opened = files.openForReading(dir.file("data"));
    ASSERT_EQ(opened.status, Status::Read);
    char buffer[4];
    EXPECT_EQ(opened.file->read(buffer, 4), 4);
    EXPECT_EQ(opened.file->read(buffer, 4), 1);
    EXPECT_EQ(opened.file->read(buffer, 4), 0);
}

TEST(PosixFiles, WriteTextAppendsOrReplaces) {
    TempDir dir;
    PosixFiles files;
    EXPECT_TRUE(files.writeText(dir.file("log"), "ab\r\n", false));
    EXPECT_TRUE(files.writeText(dir.file("log"), "cd", false));
    EXPECT_EQ(dir.read("log"), "ab\r\ncd");
    EXPECT_TRUE(files.writeText(dir.file("log"), "x", true));
    EXPECT_EQ(dir.read("log"), "x");
    EXPECT_FALSE(files.writeText(dir.file("no/such/folder"), "x", true));
    ASSERT_EQ(::symlink("log", dir.file("link").c_str()), 0);
    EXPECT_FALSE(files.writeText(dir.file("link"), "planted", false));
    EXPECT_EQ(dir.read("log"), "x");
}

// A reader sees the old bytes or the new ones, on disk too after a crash, and never a file that
// lost its permissions.
TEST(PosixFiles, ReplaceIsWholeOrNothing) {
    TempDir dir;
    dir.write("v.reg", "old");
    ASSERT_EQ(::chmod(dir.file("v.reg").c_str(), 0640), 0);
    auto onlyTheFile = [&] {
        return std::distance(std::filesystem::directory_iterator(dir.path()),
                             std::filesystem::directory_iterator()) == 1;
    };
    PosixFiles files;
    for (const char* failing : {"write", "fsync", "close", "rename"}) {
        SCOPED_TRACE(failing);
        SyscallRecorder recorder(failing);
        EXPECT_FALSE(files.replaceFile(dir.file("v.reg"), "new"));
        EXPECT_EQ(dir.read("v.reg"), "old");
        EXPECT_TRUE(onlyTheFile());
    }
    {
        SyscallRecorder recorder;
        EXPECT_TRUE(files.replaceFile(dir.file("v.reg"), "new"));
        // The new bytes are on disk before they take the name, and the name before it returns.
        EXPECT_EQ(recorder.calls, (std::vector<std::string>{"write", "fsync", "close", "rename",
                                                            "fsync", "close", "close"}));
    }
    EXPECT_EQ(dir.read("v.reg"), "new");
    struct stat info {};
    ASSERT_EQ(::stat(dir.file("v.reg").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0640u);
    EXPECT_TRUE(onlyTheFile());
    ASSERT_EQ(::mkfifo(dir.file("fifo").c_str(), 0600), 0);
    EXPECT_FALSE(files.replaceFile(dir.file("fifo"), "x"));
    ASSERT_EQ(::stat(dir.file("fifo").c_str(), &info), 0);
    EXPECT_TRUE(S_ISFIFO(info.st_mode));
    // A link planted under the name is neither followed nor replaced.
    ASSERT_EQ(::symlink("v.reg", dir.file("link").c_str()), 0);
    EXPECT_FALSE(files.replaceFile(dir.file("link"), "x"));
    EXPECT_TRUE(std::filesystem::is_symlink(dir.file("link")));
    EXPECT_EQ(dir.read("v.reg"), "new");
}

TEST(PosixFiles, PathQueries) {
    TempDir dir;
    dir.write("file", "x");
    dir.write(".hidden", "x");
    ASSERT_EQ(::symlink(dir.file("missing").c_str(), dir.file("dangling").c_str()), 0);
    ASSERT_EQ(::symlink("loop", dir.file("loop").c_str()), 0);
    struct Case {
        std::string name;
        bool absent, normal;
    } cases[] = {{"missing", true, false},     {"file", false, true},
                 {".hidden", false, false},    {"dangling", false, false},
                 {"file/below", true, false},  {"", false, false},
                 {"loop/below", false, false}, {std::string(300, 'n'), false, false}};
    PosixFiles files;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(files.absent(dir.file(c.name)), c.absent);
        EXPECT_EQ(files.normalFilePresent(dir.file(c.name)), c.normal);
    }
}

} // namespace
} // namespace vesperon::platform::posix

using vesperon::platform::posix::failsNow;

extern "C" {
ssize_t __real_write(int fd, const void* bytes, size_t size);
int __real_fsync(int fd);
int __real_close(int fd);
int __real_renameat(int fromFolder, const char* from, int toFolder, const char* to);

ssize_t __wrap_write(int fd, const void* bytes, size_t size) {
    return failsNow("write") ? -1 : __real_write(fd, bytes, size);
}

int __wrap_fsync(int fd) {
    return failsNow("fsync") ? -1 : __real_fsync(fd);
}

int __wrap_close(int fd) {
    const int closed = __real_close(fd);
    return failsNow("close") ? -1 : closed;
}

int __wrap_renameat(int fromFolder, const char* from, int toFolder, const char* to) {
    return failsNow("rename") ? -1 : __real_renameat(fromFolder, from, toFolder, to);
}
}
