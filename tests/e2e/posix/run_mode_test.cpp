#include "e2e/posix/run_support.h"
#include "support/environment_guard.h"

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace vesperon::test {
namespace {

// Under another name, then through a descriptor of its removed file: it keeps folder and name.
TEST(RunMode, AnythingButASwitchNeverRequestsThenARestartAndAForcedShutdown) {
    Installation app("nightly");
    EXPECT_EQ(app.run({"-r", "-f\x1b[2J"}), 1) << "no configuration window without a display";
    EXPECT_TRUE(
        contains(app.err(), "not a run mode (-r restart, -s shut down): \"-r -f\\x1b[2J\""));
    EXPECT_EQ(app.run({}), 1);
    EXPECT_TRUE(app.shutdownArguments(300).empty());
    EXPECT_EQ(app.dir.read("nightly.cfg"), listHeader) << "start-up still creates the files";
    EXPECT_EQ(app.dir.read("nightly.ini"),
              "[EventLog]\r\nWriteToNTEventLog=1\r\n[General]\r\nForceAppsToClose=0\r\n");
    EXPECT_EQ(app.run({"-r"}), 0);
    EXPECT_EQ(app.shutdownArguments(), "-r\n+1\nRestart by Vesperon\n");
    app.dir.write("nightly.ini", "[General]\r\nForceAppsToClose=1\r\n");
    EXPECT_EQ(Installation::finish(app.start({"-S"}, true)), 0);
    EXPECT_EQ(app.shutdownArguments(), "-P\n+1\nForced Shutdown by Vesperon\n");
    EXPECT_FALSE(app.dir.exists("vesperon.cfg"));
}

// Entries typed by hand, or relative to a current folder: each held file keeps the machine up.
TEST(RunMode, EntriesThatMustNeverCountAsMissing) {
    Installation app;
    const std::string name = app.file("Данные job.dat"); // UTF-8 in this source
    std::filesystem::create_directories(app.file("data"));
    app.listFiles({"Данные job.dat", "data/held.dat", "mapped.dat"});
    const struct {
        const char* what;
        std::string list;
    } cases[] = {
        {"blanks and tabs around", "\t " + name + " \t\r\n"},
        {"quoted, a blank after", "\"" + name + "\" \r\n"},
        {"relative", "data/held.dat\r\n"},
        {"relative to a home folder", "~/held.dat\r\n"},
        {"mapped only", app.file("mapped.dat") + "\r\n"},
    };
    {
        Holder held(name, Holder::Way::Open);
        Holder heldPlain(app.file("data/held.dat"), Holder::Way::Open);
        Holder mapped(app.file("mapped.dat"), Holder::Way::MappedOnly);
        for (const auto& c : cases) {
            SCOPED_TRACE(c.what);
            app.dir.write("vesperon.cfg", c.list);
            EXPECT_EQ(app.run({"-r"}), 2);
        }
    }
    EXPECT_TRUE(app.shutdownArguments(300).empty());
    EXPECT_TRUE(contains(app.registryFile(), "\"EventMessageFile\"=\"" + app.exe() + "\""))
        << "the event source is registered";
    // Released, the list lets the request through; so does a free file whose name ends in a blank.
    app.dir.write("plain.dat ", "data");
    app.dir.write("vesperon.cfg", cases[4].list + app.file("plain.dat ") + "\r\n");
    EXPECT_EQ(app.run({"-r"}), 0);
    EXPECT_EQ(app.shutdownArguments(), "-r\n+1\nRestart by Vesperon\n");
    // A list behind a link to a share that is not mounted is no missing list.
    ::unlink(app.file("vesperon.cfg").c_str());
    ASSERT_EQ(::symlink("/no/such/share/list.cfg", app.file("vesperon.cfg").c_str()), 0);
    EXPECT_EQ(app.run({"-r"}), 2);
    EXPECT_TRUE(app.shutdownArguments(300).empty());
    struct stat link {};
    EXPECT_TRUE(::lstat(app.file("vesperon.cfg").c_str(), &link) == 0 && S_ISLNK(link.st_mode))
        << "start-up wrote nothing over the link";
}

TEST(RunMode, AHugeListRunsInBoundedMemory) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the address sanitizer needs more address space than the limit leaves";
#else
    Installation app;
    app.dir.write("job.dat", "data");
    // Held as strings, two million empty lines would need twice the limit.
    app.dir.write("vesperon.cfg", std::string(2 << 20, '\n') + app.file("job.dat") + "\n");
    app.setup = "ulimit -v 32768";
    Holder held(app.file("job.dat"), Holder::Way::Open);
    EXPECT_EQ(app.run({"-r"}), 2);
#endif
}

// Covers every shutdown a search could reach with a device, which the search passes over;
// fails, so that nothing is run, when one is left.
const std::string hideSystemShutdown =
    "for f in /usr/bin/shutdown /bin/shutdown /usr/sbin/shutdown /sbin/shutdown; do"
    "  if [ -e $f ]; then mount --bind /dev/null $f || exit 1; fi; done; "
    "for f in /usr/bin/shutdown /bin/shutdown /usr/sbin/shutdown /sbin/shutdown; do"
    "  if [ -f $f ]; then exit 1; fi; done";

TEST(RunMode, RequestRefusedOrMissingFailsWithStatusOneAndSaysWhy) {
    Installation app;
    app.dir.write("bin/shutdown", "#!/bin/sh\necho 'Failed to connect to bus' >&2\nexit 1\n");
    ASSERT_EQ(::access(app.file("bin/shutdown").c_str(), X_OK), 0);
    EXPECT_EQ(app.run({"-r"}), 1);
    EXPECT_TRUE(contains(app.err(), "Failed to connect to bus\nvesperon: the shutdown "
                                    "request failed: " +
                                        app.file("bin/shutdown") +
                                        " -r +1 \"Restart by Vesperon\": ended with exit "
                                        "status 1\n"));
    if (::geteuid() != 0) {
        return; // hiding the system's own shutdown takes a mount namespace
    }
    ::unlink(app.file("bin/shutdown").c_str());
    app.setup = hideSystemShutdown;
    EXPECT_EQ(app.run({"-s"}), 1);
    EXPECT_TRUE(contains(app.err(), "vesperon: the shutdown request failed: shutdown -P +1 "
                                    "\"Shutdown by Vesperon\": not found on PATH, in "
                                    "/usr/sbin or in /sbin\n"));
}

// A process maps a file on a FUSE mount whose server then stops, as a hung NFS server does: a
// run over other files still decides at once; one that lists a file there ends at its bound.
TEST(RunConditions, AMountThatStopsAnsweringHoldsNoRunPastItsBound) {
    if (::geteuid() != 0 || std::system("command -v bindfs >/dev/null") != 0) {
        GTEST_SKIP() << "a mount of the test's own needs root and bindfs";
    }
    Installation app;
    app.listFiles({"free.dat"});
    std::filesystem::create_directories(app.file("mnt"));
    std::filesystem::create_directories(app.file("src"));
    app.dir.write("src/file", std::string(4096, 'x'));
    const pid_t bindfs = ::fork();
    if (bindfs == 0) {
        if (::unshare(CLONE_NEWNS) == 0 &&
            ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0) {
            // Nothing cached: every lookup asks bindfs again.
            ::execlp("bindfs", "bindfs", "-f", "-o", "attr_timeout=0,entry_timeout=0",
                     app.file("src").c_str(), app.file("mnt").c_str(), nullptr);
        }
        ::_exit(127);
    }
    // Its end, stopped or not, fails every request still waiting.
    const Undo end{"kill -9 " + std::to_string(bindfs)};
    // Through bindfs's root, a path that any process can walk.
    const std::string file = "/proc/" + std::to_string(bindfs) + "/root" + app.file("mnt/file");
    for (int i = 0; i < 500 && !std::filesystem::exists(file); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ASSERT_TRUE(std::filesystem::exists(file)) << "the bindfs mount did not come up";
    Holder mapper(file, Holder::Way::MappedOnly);
    ::kill(bindfs, SIGSTOP);
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(app.run({"-r"}), 0);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    EXPECT_EQ(app.shutdownArguments(), "-r\n+1\nRestart by Vesperon\n");

    const EnvironmentGuard bound("VESPERON_RUN_BOUND");
    ::setenv("VESPERON_RUN_BOUND", "2", 1);
    app.dir.write("vesperon.cfg", app.file("free.dat") + "\r\n" + file + "\r\n");
    const SyslogStore store;
    start = std::chrono::steady_clock::now();
    EXPECT_EQ(app.run({"-s"}), 2);
    EXPECT_EQ(app.run({"--test", "--json"}), 2);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
    EXPECT_TRUE(contains(app.err(), "did not finish within 2 s; " + file)) << app.err();
    EXPECT_TRUE(contains(app.out(), R"("state":"undetermined")") &&
                contains(app.out(), R"("withheld":true)"))
        << app.out();
    const std::string stuckOn = "Unable to determine if file is in use:  " + file;
    EXPECT_TRUE(!store.usable() || !store.warnings(stuckOn).empty());
    // Stuck before the check list is read (on the settings file), the run names the list.
    std::filesystem::remove(app.file("vesperon.ini"));
    std::filesystem::create_symlink(file, app.file("vesperon.ini"));
    EXPECT_EQ(app.run({"-r"}), 2);
    EXPECT_TRUE(contains(app.err(), "did not finish within 2 s; " + app.file("vesperon.cfg")))
        << app.err();
}

TEST(RunConditions, TemporariesLeftByAKilledRunAreRemoved) {
    Installation app;
    app.listFiles({"job.dat"});
    std::filesystem::create_directories(app.file("state/registry"));
    const std::pair<std::string, bool> temporaries[] = {
        // name, whether it is a stale temporary of the program's
        {"vesperon.ini.Ab12Cd", true},
        {"vesperon.cfg.zZ9yY8", true},
        {"state/registry/HKEY_LOCAL_MACHINE.reg.Q1w2E3", true},
        {"other.ini.Ab12Cd", false},
        {"vesperon.ini.Ab12Cd7", false},
        {"vesperon.ini.Ab-2Cd", false},
        {"vesperon.ini.Lk9Lk9", false}};
    const timespec anHourAgo[2] = {{::time(nullptr) - 3600, 0}, {::time(nullptr) - 3600, 0}};
    for (const auto& [name, stale] : temporaries) {
        app.dir.write(name, "half");
        ASSERT_EQ(::utimensat(AT_FDCWD, app.file(name).c_str(), anHourAgo, 0), 0);
    }
    Holder writer(app.file("vesperon.ini.Lk9Lk9"), Holder::Way::Locked);
    Holder held(app.file("job.dat"), Holder::Way::Open);
    EXPECT_EQ(app.run({"-r"}), 2);
    for (const auto& [name, stale] : temporaries) {
        EXPECT_EQ(app.dir.exists(name), !stale) << name;
    }
}

// Another user keeps planting links under the names of the missing files.
TEST(RunConditions, LinksPlantedInAFolderOthersMayWriteAreNeverFollowed) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "needs root and another user";
    }
    Installation app;
    std::filesystem::create_directories(app.file("state"));
    std::filesystem::create_directories(app.file("private"));
    app.dir.write("private/secret", "root only\n");
    app.dir.write("victim.txt", "someone's file\n");
    ASSERT_EQ(::chmod(app.file("private").c_str(), 0700), 0);
    ASSERT_EQ(::chmod(app.file("private/secret").c_str(), 0600), 0);
    // Not sticky, so that the kernel's own protection of such folders does not step in.
    ASSERT_EQ(::chmod(app.dir.path().c_str(), 0777), 0);
    const std::string targets[] = {app.file("private/secret"), app.file("victim.txt"),
                                   app.file("private/nologin")};
    const pid_t racer = ::fork();
    if (racer == 0) {
        if (::setgid(65534) != 0 || ::setuid(65534) != 0) {
            ::_exit(1);
        }
        for (unsigned round = 0;; ++round) {
            for (const char* name : {"vesperon.ini", "vesperon.cfg"}) {
                const std::string planted = app.file(name);
                ::unlink(planted.c_str());
                (void)!::symlink(targets[round % 3].c_str(), planted.c_str());
            }
        }
    }
    for (int round = 0; round < 150; ++round) {
        app.run({round % 2 == 0 ? "-r" : "--test"});
    }
    ::kill(racer, SIGKILL);
    ::waitpid(racer, nullptr, 0);
    EXPECT_EQ(app.dir.read("private/secret"), "root only\n");
    EXPECT_EQ(app.dir.read("victim.txt"), "someone's file\n");
    EXPECT_FALSE(app.dir.exists("private/nologin"));
    const std::string warning = "vesperon: " + app.dir.path() + "/ may be written by other users";
    EXPECT_TRUE(contains(app.err(), warning));
    EXPECT_TRUE(contains(app.out(), warning.substr(10)));
}

#if !defined(__SANITIZE_ADDRESS__) // the sanitizer itself cannot start without /proc
TEST(RunConditions, WithoutProcNothingPassesForFree) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "a mount namespace of its own needs root";
    }
    // Its folder comes from the name it was started by; no process can be looked at.
    Installation app;
    app.listFiles({"free.dat"});
    app.setup = "mount -t tmpfs none /proc";
    EXPECT_EQ(app.run({"-r"}), 2);
    EXPECT_TRUE(app.dir.exists("vesperon.ini"));
    EXPECT_TRUE(app.shutdownArguments(300).empty());
}
#endif

} // namespace
} // namespace vesperon::test
