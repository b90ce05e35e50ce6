#include "auxiliary/process_list_window.h"
#include "platform/posix/core/posix_files.h"
#include "platform/posix/core/posix_processes.h"
#include "platform/posix/core/posix_profile.h"
#include "platform/posix/logind/posix_shutdown_inhibitors.h"
#include "platform/posix/proc/open_file_scan.h"
#include "platform/posix/proc/posix_process_listing.h"
#include "platform/profile_cases.h"
#include "support/child_process.h"
#include "support/environment_guard.h"
#include "support/private_system_bus.h"
#include "support/temp_dir.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstddef>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <sched.h>
#include <sstream>
#include <string>
#include <sys/file.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace vesperon::platform::posix {
namespace {

using namespace std::string_literals;
using test::TempDir;
using Status = FileRead::Status;
using Answer = InhibitorList::Status;

using test::Child;

// The calls of write, fsync, close and rename that the unit tests make (linked with --wrap),
// recorded while `recording`; the first of the kind `failing` fails with EIO.
bool recording = false;
std::string failing;
std::vector<std::string> calls;

bool failsNow(const char* kind) {
    if (!recording) {
        return false;
    }
    calls.push_back(kind);
    const bool fails = failing == kind;
    if (fails) {
        failing.clear();
        errno = EIO;
    }
    return fails;
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

// Absent only when the system says plainly that nothing is there; a dangling link to a check
// list is a share that is not mounted, and a loop or a folder is a file that cannot be read.
TEST(PosixFiles, PresenceOfListedPaths) {
    TempDir dir;
    dir.write("file", std::string("a\0b\r\n", 5));
    dir.write(".hidden", "");
    ASSERT_EQ(::mkfifo(dir.file("fifo").c_str(), 0600), 0);
    ASSERT_EQ(::symlink(dir.file("missing").c_str(), dir.file("dangling").c_str()), 0);
    ASSERT_EQ(::symlink(dir.file("loop").c_str(), dir.file("loop").c_str()), 0);
    ASSERT_EQ(::symlink(dir.file("file").c_str(), dir.file("link").c_str()), 0);
    using P = Presence;
    const Status R = Status::Read, A = Status::Absent, U = Status::Unreadable;
    struct Case {
        std::string path;
        Presence presence;
        bool absent, normal;
        Status whole, pieces;
    };
    std::vector<Case> cases = {{dir.file("file"), P::File, false, true, R, R},
                               {dir.file("link"), P::File, false, true, R, R},
                               {dir.file(".hidden"), P::File, false, false, R, R},
                               {dir.file("missing"), P::Absent, true, false, A, A},
                               {dir.file("file/below"), P::Absent, true, false, A, A},
                               {dir.file("dangling"), P::Absent, false, false, A, U},
                               {dir.file("fifo"), P::NotAFile, false, false, U, U},
                               {"/tmp", P::NotAFile, false, false, U, U},
                               {dir.file("loop/file"), P::Undetermined, false, false, U, U},
                               {dir.file("file") + '\0', P::Undetermined, true, false, A, A}};
    if (::geteuid() != 0) { // permissions do not bind root
        ASSERT_EQ(::mkdir(dir.file("closed").c_str(), 0700), 0);
        dir.write("closed/file", "x");
        dir.write("locked", "x");
        ASSERT_EQ(::chmod(dir.file("locked").c_str(), 0), 0);
        ASSERT_EQ(::chmod(dir.file("closed").c_str(), 0), 0);
        cases.push_back({dir.file("locked"), P::File, false, true, U, U});
        cases.push_back({dir.file("closed/file"), P::Undetermined, false, false, U, U});
    }
    PosixFiles files;
    files.beginProbeRun();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(files.presenceOf(c.path), c.presence);
        EXPECT_EQ(files.absent(c.path), c.absent);
        EXPECT_EQ(files.normalFilePresent(c.path), c.normal);
        EXPECT_EQ(files.readWhole(c.path).status, c.whole);
        EXPECT_EQ(files.openForReading(c.path).status, c.pieces);
    }
    ::alarm(5); // a FIFO open that blocks ends the test run instead of hanging it
    EXPECT_EQ(files.probe(dir.file("fifo")), ProbeResult::Free);
    ::alarm(0);
    EXPECT_EQ(files.probe(dir.file("missing")), ProbeResult::InUse) << "vanished after the test";
    EXPECT_EQ(files.probe(dir.file("locked")), ProbeResult::InUse);
    files.endProbeRun();
    ::chmod(dir.file("closed").c_str(), 0700);
    EXPECT_EQ(files.readWhole(dir.file("file")).bytes, std::string("a\0b\r\n", 5));
}

// The configuration window checks again and again: an overlay mounted since is seen by the next.
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
    ASSERT_EQ(::symlink(lock.c_str(), dir.file("link").c_str()), 0);
    EXPECT_EQ(files.lockFile(dir.file("link")).status, Status::Unavailable);
}

TEST(PosixFiles, WritesAppendOrReplaceWholeOrNothing) {
    TempDir dir;
    PosixFiles files;
    EXPECT_TRUE(files.writeText(dir.file("v.reg"), "ab\r\n", false));
    EXPECT_TRUE(files.writeText(dir.file("v.reg"), "cd", false));
    EXPECT_EQ(dir.read("v.reg"), "ab\r\ncd");
    EXPECT_TRUE(files.writeText(dir.file("v.reg"), "old", true));
    EXPECT_EQ(dir.read("v.reg"), "old");
    ASSERT_EQ(::chmod(dir.file("v.reg").c_str(), 0640), 0);
    recording = true;
    for (const char* kind : {"write", "fsync", "close", "rename"}) {
        SCOPED_TRACE(kind);
        failing = kind;
        EXPECT_FALSE(files.replaceFile(dir.file("v.reg"), "new"));
        EXPECT_EQ(dir.read("v.reg"), "old");
    }
    calls.clear();
    EXPECT_TRUE(files.replaceFile(dir.file("v.reg"), "new"));
    recording = false;
    // The new bytes are on disk before they take the name, and the name before it returns.
    EXPECT_EQ(calls, (std::vector<std::string>{"write", "fsync", "close", "rename", "fsync",
                                               "close", "close"}));
    EXPECT_EQ(dir.read("v.reg"), "new");
    struct stat info {};
    ASSERT_EQ(::stat(dir.file("v.reg").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0640u);
    ASSERT_EQ(::mkfifo(dir.file("fifo").c_str(), 0600), 0);
    EXPECT_FALSE(files.replaceFile(dir.file("fifo"), "x"));
    ASSERT_EQ(::symlink("v.reg", dir.file("link").c_str()), 0);
    EXPECT_FALSE(files.writeText(dir.file("link"), "planted", false));
    EXPECT_FALSE(files.replaceFile(dir.file("link"), "x"));
    EXPECT_EQ(dir.read("v.reg"), "new");
    EXPECT_EQ(dir.entries(), 3) << "no temporary file left";
}

// A made-up /proc shows what a real one rarely does: maps on another device than stat() says,
// mappings without a link to follow, our own process, one process another user may not read.
TEST(OpenFileScan, ReadsDescriptorsAndMappingsAndCountsWhatItCannotLookInto) {
    TempDir dir;
    for (const char* name : {"own", "renumbered", "unlinked", "free"}) {
        dir.write(name, "x");
    }
    auto inode = [&](const char* name) {
        struct stat info {};
        ::stat(dir.file(name).c_str(), &info);
        return info;
    };
    // maps pads addresses with zeros; map_files names them without.
    auto mapsLine = [&](const char* device, const char* name) {
        return "00007f00-00007f10 r--p 00000000 " + std::string(device) + " " +
               std::to_string(inode(name).st_ino) + "    /some/name\n";
    };
    auto proc = [&](const std::string& rest) { return dir.file("proc/" + rest); };
    for (const char* folder : {"proc", "proc/10", "proc/10/fd", "proc/20", "proc/20/map_files",
                               "proc/30", "proc/42", "proc/42/fd", "proc/x", "proc/x/fd"}) {
        ASSERT_EQ(::mkdir(dir.file(folder).c_str(), 0755), 0);
    }
    ASSERT_EQ(::chmod(dir.path().c_str(), 0755), 0);
    ASSERT_EQ(::chmod(proc("10/fd").c_str(), 0700), 0);
    // The inode number is another file's: the mapping's own link decides.
    dir.write("proc/20/maps",
              "5500-5600 rw-p 00000000 00:00 0    [heap]\n" + mapsLine("ff:ff", "free"));
    ASSERT_EQ(::symlink(dir.file("renumbered").c_str(), proc("20/map_files/7f00-7f10").c_str()), 0);
    // Without a link to follow, the inode number is held on every device.
    dir.write("proc/30/maps", mapsLine("ff:fe", "unlinked") + "garbage\n");
    ASSERT_EQ(::symlink(dir.file("own").c_str(), proc("42/fd/3").c_str()), 0);
    ASSERT_EQ(::symlink(dir.file("free").c_str(), proc("x/fd/3").c_str()), 0);

    OpenFileScan scan(dir.file("proc"), 42);
    ASSERT_TRUE(scan.scan());
    for (auto [name, held] :
         {std::pair{"renumbered", true}, {"unlinked", true}, {"own", false}, {"free", false}}) {
        SCOPED_TRACE(name);
        EXPECT_EQ(scan.held(inode(name).st_dev, inode(name).st_ino), held);
    }
    EXPECT_FALSE(OpenFileScan(dir.file("missing")).scan());
    EXPECT_FALSE(OpenFileScan(dir.file("proc"), 99).scan()) << "not listing this process";
    if (::geteuid() != 0) {
        return; // becoming another user needs root
    }
    Child child([&] {
        OpenFileScan real;
        OpenFileScan madeUp(dir.file("proc"), 42);
        return ::setresgid(65534, 65534, 65534) == 0 && ::setresuid(65534, 65534, 65534) == 0 &&
               real.scan() && real.uninspectedProcesses() > 0 && madeUp.scan() &&
               madeUp.uninspectedProcesses() == 1;
    });
    EXPECT_TRUE(child.ready());
}

// PATH holds only the stand-in's folder; the real /usr/sbin and /sbin are never searched.
TEST(PosixProcesses, LookupAndStartInASessionOfItsOwn) {
    TempDir dir;
    test::EnvironmentGuard path("PATH");
    ::setenv("PATH", dir.path().c_str(), 1);
    dir.write("shutdown", "#!/bin/sh\nread -r stat </proc/$$/stat; set -- $stat\necho \"$1 $6\" >" +
                              dir.file("session") + "\nexec /bin/sleep 30\n");
    ASSERT_EQ(::chmod(dir.file("shutdown").c_str(), 0755), 0);
    const auto begin = std::chrono::steady_clock::now();
    EXPECT_TRUE(PosixProcesses(std::chrono::milliseconds(300), {})
                    .start({"", {"shutdown", "-r", "Restart by Vesperon"}, 2})
                    .started);
    EXPECT_LT(std::chrono::steady_clock::now() - begin, std::chrono::seconds(3));
    std::istringstream ids(dir.read("session"));
    pid_t pid = 0, session = 0;
    ids >> pid >> session;
    EXPECT_EQ(session, pid);
    ASSERT_EQ(::waitpid(pid, nullptr, WNOHANG), 0) << "still running";
    ::kill(pid, SIGKILL);
    ::waitpid(pid, nullptr, 0);
    // Only an executable in an absolute PATH folder, then in a fallback folder, is started.
    for (const std::string folder : {"relative", "plain", "ex ec\\", "fallback"}) {
        std::filesystem::create_directory(dir.file(folder));
        dir.write(folder + "/shutdown", "#!/bin/sh\n");
        ::chmod(dir.file(folder + "/shutdown").c_str(), folder == "plain" ? 0644 : 0755);
    }
    const std::vector<std::string> fallback{dir.file("fallback")};
    const std::string relative = std::filesystem::relative(dir.file("relative")).string();
    ::setenv("PATH", (":" + relative + ":" + dir.file("plain")).c_str(), 1);
    EXPECT_EQ(findProgram("shutdown", fallback), dir.file("fallback/shutdown"));
    EXPECT_EQ(findProgram(dir.file("plain/shutdown"), fallback), "");
    ::setenv("PATH", dir.file("ex ec\\").c_str(), 1);
    EXPECT_EQ(findProgram("shutdown", fallback), dir.file("ex ec\\/shutdown"));
    dir.write("ex ec\\/shutdown", "#!/no/such/interpreter\n");
    const StartOutcome outcome =
        PosixProcesses(std::chrono::seconds(10), fallback).start({"", {"shutdown"}, 2});
    EXPECT_FALSE(outcome.started);
    EXPECT_EQ(outcome.reason, "could not be run: No such file or directory");
    EXPECT_EQ(outcome.commandLine, "\"" + dir.file("ex ec\\\\/shutdown") + "\"");
}

TEST(PosixProcessListing, ListsTheExecutableOfEachProcess) {
    PosixProcessListing listing;
    const auto lines = listProcesses(listing);
    EXPECT_NE(
        std::find(lines.begin(), lines.end(), std::filesystem::read_symlink("/proc/self/exe")),
        lines.end());
}

// A missing file, or one that cannot be opened at all, gives the default as Windows does.
TEST(PosixProfile, ReadsTheSharedCasesAndTellsUnreadableFilesFromMissingOnes) {
    TempDir dir;
    PosixProfile profile;
    for (const auto& c : test::profileCases()) {
        dir.write("case.ini", c.file);
        EXPECT_EQ(profile.getString(c.section, c.key, "", 255, dir.file("case.ini")), c.expected)
            << c.name;
    }
    EXPECT_EQ(profile.getString("s", "k", "  ", 255, dir.file("missing.ini")), " ");
    EXPECT_EQ(profile.getString("s", "k", "dflt", 3, dir.path()), "df");
    EXPECT_EQ(profile.whyUnreadable(dir.file("missing.ini")), std::nullopt);
    EXPECT_EQ(profile.whyUnreadable(dir.file("case.ini")), std::nullopt);
    ASSERT_EQ(::mkfifo(dir.file("fifo.ini").c_str(), 0644), 0);
    EXPECT_EQ(profile.whyUnreadable(dir.file("fifo.ini")), "not a regular file") << "no wait";
    if (::geteuid() == 0) {
        return; // permissions do not bind root
    }
    ASSERT_EQ(::chmod(dir.file("case.ini").c_str(), 0), 0);
    EXPECT_EQ(profile.getString("s", "k", "d", 255, dir.file("case.ini")), "d");
    EXPECT_EQ(profile.whyUnreadable(dir.file("case.ini")), "Permission denied");
}

// A link may have been planted by another user: neither it nor what it names changes.
TEST(PosixProfile, WritesExtendTheFileButReadOnlyPlacesAndLinksChangeNothing) {
    TempDir dir;
    PosixProfile profile;
    const std::string file = dir.file("v.ini");
    ASSERT_TRUE(profile.writeString("EventLog", "WriteToNTEventLog", "1", file).written);
    ASSERT_TRUE(profile.writeString("Other", "Key", "two words", file).written);
    const std::string written = "[EventLog]\r\nWriteToNTEventLog=1\r\n[Other]\r\nKey=two words\r\n";
    EXPECT_EQ(dir.read("v.ini"), written);
    ASSERT_EQ(::symlink("v.ini", dir.file("link.ini").c_str()), 0);
    EXPECT_EQ(profile.writeString("Other", "Key", "2", dir.file("link.ini")).reason,
              "a symbolic link, which is never written through");
    for (const std::string& refused :
         {dir.file("a.ini") + "\0b"s, dir.path(), dir.file("no/such/folder.ini")}) {
        EXPECT_FALSE(profile.writeString("s", "k", "v", refused).written) << refused;
    }
    for (const std::string& utf16 : {"\xFF\xFE[\0s\0]\0"s, "\xFE\xFF\0[\0s\0]"s}) {
        dir.write("wide.ini", utf16);
        EXPECT_FALSE(profile.writeString("s", "k", "v", dir.file("wide.ini")).written);
        EXPECT_EQ(dir.read("wide.ini"), utf16);
    }
    if (::geteuid() != 0) { // permissions do not bind root
        ASSERT_EQ(::chmod(file.c_str(), 0444), 0);
        EXPECT_FALSE(profile.writeString("s", "k", "2", file).written);
        ASSERT_EQ(::chmod(dir.path().c_str(), 0555), 0);
        EXPECT_FALSE(profile.writeString("s", "k", "2", dir.file("new.ini")).written);
        ASSERT_EQ(::chmod(dir.path().c_str(), 0755), 0);
    }
    EXPECT_EQ(dir.read("v.ini"), written);
    EXPECT_EQ(dir.entries(), 3) << "nothing left beside v.ini, link.ini, wide.ini";
}

TEST(PosixShutdownInhibitors, ListsTheLocksOfARealBus) {
    test::PrivateSystemBus bus;
    if (!bus.missing().empty()) {
        GTEST_SKIP() << bus.missing();
    }
    // logind's limit of locks, each with a sentence for its reason: long, yet harmless.
    ASSERT_TRUE(bus.listDelayLocks(8192));
    const InhibitorList many = PosixShutdownInhibitors().list();
    EXPECT_EQ(many.status, Answer::Answered) << many.problem;
    ASSERT_EQ(many.locks.size(), 8192u);
    EXPECT_EQ(many.locks[8191].who, "player 8191");
    EXPECT_EQ(many.locks[8191].user, "root");
    // A login manager that is there but refuses cannot tell.
    ASSERT_TRUE(bus.refuseListing());
    EXPECT_EQ(PosixShutdownInhibitors().list().status, Answer::Undetermined);
}

TEST(PosixShutdownInhibitors, NoBusASilentOrBrokenBusOrOneThePermissionsRefuse) {
    test::TempDir dir;
    test::EnvironmentGuard bus("DBUS_SYSTEM_BUS_ADDRESS");
    ::setenv("DBUS_SYSTEM_BUS_ADDRESS", ("unix:path=" + dir.file("none")).c_str(), 1);
    EXPECT_EQ(PosixShutdownInhibitors().list().status, Answer::NoService);
    // A socket made the bus address: at a path, or (name "") at an abstract name outside the
    // file system. Connections to a stream socket wait in the backlog, never answered.
    auto busAt = [&](const std::string& name, int type) {
        const int fd = ::socket(AF_UNIX, type, 0);
        const std::string abstract = "vesperon-test-" + std::to_string(::getpid());
        const std::string path = name.empty() ? abstract : dir.file(name);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        path.copy(address.sun_path + (name.empty() ? 1 : 0), path.size());
        const auto size = offsetof(sockaddr_un, sun_path) + path.size() + 1;
        EXPECT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), static_cast<socklen_t>(size)),
                  0);
        EXPECT_TRUE(type != SOCK_STREAM || ::listen(fd, 4) == 0);
        const std::string at = name.empty() ? "unix:abstract=" + abstract : "unix:path=" + path;
        ::setenv("DBUS_SYSTEM_BUS_ADDRESS", at.c_str(), 1);
        return fd;
    };
    for (const auto& [name, type] :
         {std::pair{"silent", SOCK_STREAM}, {"", SOCK_STREAM}, {"datagrams", SOCK_DGRAM}}) {
        SCOPED_TRACE(name);
        const int fd = busAt(name, type);
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(PosixShutdownInhibitors(300).list().status, Answer::Undetermined);
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
        ::close(fd);
    }
    // Greets the next connection with `greeting`, then answers the first message with `reply`.
    auto listAnswered = [&](const char* name, const std::string& greeting,
                            const std::string& reply) {
        const int fd = busAt(name, SOCK_STREAM);
        std::thread server([&] {
            const int client = ::accept(fd, nullptr, nullptr);
            char buffer[4096];
            for (const std::string& answer : {greeting, reply}) {
                (void)!::read(client, buffer, sizeof buffer);
                (void)!::send(client, answer.data(), answer.size(), MSG_NOSIGNAL);
            }
            (void)!::read(client, buffer, sizeof buffer);
            ::close(client);
        });
        const InhibitorList list = PosixShutdownInhibitors(2000).list();
        server.join();
        ::close(fd);
        return list;
    };
    // A method return of serial 1 whose body would be 256 MiB long.
    const auto tooLong =
        listAnswered("huge", "OK 0123456789abcdef\r\n", "l\2\0\1\0\0\0\x10\1\0\0\0\0\0\0\0"s);
    EXPECT_EQ(tooLong.status, Answer::Undetermined);
    EXPECT_NE(tooLong.problem.find("larger than"), std::string::npos) << tooLong.problem;
    // Were ERROR taken for OK, the answer that follows would list no locks.
    const std::string noLocks = "l\2\0\1\10\0\0\0\2\0\0\0\x17\0\0\0\5\1u\0\2\0\0\0\10\1g\0"
                                "\ta(ssssuu)\0\0\0\0\0\0\0\0\0\0"s;
    EXPECT_EQ(listAnswered("error", "ERROR\r\n", noLocks).status, Answer::Undetermined);
    if (::geteuid() != 0) { // permissions do not bind root
        const int refusing = busAt("refusing", SOCK_STREAM);
        ASSERT_EQ(::chmod(dir.file("refusing").c_str(), 0), 0);
        EXPECT_EQ(PosixShutdownInhibitors(300).list().status, Answer::Undetermined);
        ::close(refusing);
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
