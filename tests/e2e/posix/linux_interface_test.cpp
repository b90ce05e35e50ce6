#include "e2e/posix/run_support.h"
#include "support/environment_guard.h"
#include "support/private_system_bus.h"

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <optional>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>

namespace vesperon::test {
namespace {

// Names, command names and lock reasons are chosen by others: none reaches the terminal raw.
TEST(TerminalInterface, TestPrintsEachEntryAndTheDecisionAndRequestsNothing) {
    Installation app;
    app.listFiles({"job.dat", "odd\x1b[2J.dat"});
    {
        PrivateSystemBus bus;
        const bool withBus = bus.missing().empty() &&
                             bus.takeLock("shutdown", "block", "evil\r\nFile in use:  /etc/x",
                                          "\x1b[32mwould restart\x1b[0m");
        Holder held(app.file("job.dat"), Holder::Way::Open, "ev\x1b[8mil\x7f");
        EXPECT_EQ(app.run({"--test"}), 2);
        const std::string out = app.out();
        for (const std::string& line :
             {"in use        " + app.file("job.dat") + "\n",
              std::string(::geteuid() == 0 ? "user root       ev\\x1b[8mil\\x7f open for reading\n"
                                           : ""),
              "undetermined  " + app.dir.path() + "/odd\\x1b[2J.dat\n",
              std::string("would NOT restart\n"),
              std::string(
                  withBus
                      ? "inhibited     Shutdown inhibited by evil\\r\\nFile in use:  /etc/x (pid "
                      : ""),
              std::string(withBus ? "\\x1b[32mwould restart\\x1b[0m\n" : "")}) {
            EXPECT_TRUE(contains(out, line)) << line << " in:\n" << out;
        }
        EXPECT_EQ(out.find_first_of("\x1b\r\x7f"), std::string::npos)
            << "no colour when the output is no terminal, nothing raw: " << out;
        EXPECT_EQ(app.run({"--test", "--json"}), 2);
        EXPECT_EQ(app.out().find_first_of(std::string("\x1b\r\x7f\x00", 4)), std::string::npos);
    }
    // The sticky bit keeps others from replacing what lies in a folder, not from adding names
    // to it. A run bound of 0 is none.
    app.listFiles({"job.dat", "free.dat"});
    EnvironmentGuard bound("VESPERON_RUN_BOUND");
    ::setenv("VESPERON_RUN_BOUND", "0", 1);
    ASSERT_EQ(::chmod(app.dir.path().c_str(), 01777), 0);
    EXPECT_EQ(app.run({"--test"}), 0);
    EXPECT_TRUE(contains(app.out(), "would restart\n"));
    EXPECT_TRUE(contains(app.out(), app.dir.path() + "/ may be written by other users"));
    EXPECT_EQ(app.run({"--help"}), 0);
    EXPECT_TRUE(contains(app.out(), app.file("vesperon.cfg")) &&
                contains(app.out(), "Exit statuses:"));
    EXPECT_EQ(app.run({"--version"}), 0);
    EXPECT_EQ(app.out().rfind("Vesperon 1.3 (commit ", 0), 0u);
    EXPECT_EQ(app.run({"--restart"}), 1);
    EXPECT_TRUE(contains(app.err(), "vesperon --help"));
    EXPECT_TRUE(app.shutdownArguments(300).empty()) << "a test requests nothing";
}

// The kernel holds these files with no process's descriptor; a file inside an overlay's layer
// has another identity in the merged view programs use, so it cannot be told.
TEST(KernelHolders, LoopSwapRingAndOverlayLayersHoldFilesNoProcessHasOpen) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "loop devices, swap files and overlays need root";
    }
    Installation app;
    for (const char* folder : {"lower/etc", "up:per", "work", "merged", "l"}) {
        std::filesystem::create_directories(app.file(folder));
    }
    // Docker names its lower layers through short links; a colon in a lower folder's name is
    // escaped, one in the upper folder's is not.
    ASSERT_EQ(::symlink("../lower", app.file("l/a:bc").c_str()), 0);
    const std::string swap = app.file("swap image.img ");
    app.listFiles({"image.img", "swap image.img ", "registered.dat", "free.dat",
                   "lower/etc/app.conf", "up:per/new.dat"});
    app.dir.write("image.img", std::string(1 << 20, '\0'));
    app.dir.write("swap image.img ", std::string(1 << 20, '\0'));
    ASSERT_EQ(::chmod(swap.c_str(), 0600), 0);
    (void)!std::system(
        ("losetup -f --show " + app.file("image.img") + " >" + app.file("loop")).c_str());
    std::string loop = app.dir.read("loop");
    loop = loop.substr(0, loop.find('\n'));
    Undo detach{"losetup -d '" + loop + "' 2>/dev/null"};
    Undo swapOff{"swapoff '" + swap + "' 2>/dev/null"};
    if (loop.rfind("/dev/loop", 0) != 0 ||
        std::system(("mkswap -q '" + swap + "' && swapon '" + swap + "' 2>/dev/null").c_str()) !=
            0) {
        GTEST_SKIP() << "no loop device or no swap file on this system";
    }
    Holder ring(app.file("registered.dat"), Holder::Way::Ring);
    app.setup = "mount -t overlay overlay -o 'lowerdir=" + app.file("l/a\\:bc") +
                ",upperdir=" + app.file("up:per") + ",workdir=" + app.file("work") + "' " +
                app.file("merged");
    EXPECT_EQ(app.run({"--test"}), 2);
    const std::string out = app.out();
    for (const auto& [name, holder] :
         {std::pair<std::string, std::string>{"image.img", "\n              loop device " + loop},
          {"swap image.img ", "\n              swap\n"},
          {"registered.dat", "io_uring of pid " + std::to_string(ring.pid())}}) {
        SCOPED_TRACE(name);
        const auto at = out.find("in use        " + app.file(name) + "\n");
        ASSERT_NE(at, std::string::npos) << out;
        EXPECT_NE(out.find(holder, at), std::string::npos) << out;
    }
    for (const auto& [layer, merged] :
         {std::pair<std::string, std::string>{"lower/etc/app.conf", "merged/etc/app.conf"},
          {"up:per/new.dat", "merged/new.dat"}}) {
        EXPECT_TRUE(contains(out, "undetermined  " + app.file(layer) +
                                      "\n              programs see it as " + app.file(merged) +
                                      "\n"))
            << out;
    }
    EXPECT_TRUE(contains(out, "free          " + app.file("free.dat") + "\n")) << out;
    EXPECT_EQ(app.run({"--test", "--json"}), 2);
    EXPECT_TRUE(contains(app.out(), R"({"pid":0,"user":"","command":"","how":"swap"})"))
        << app.out();
    // File systems number their folders alike: only the device tells a layer from a folder
    // above the listed file's file system.
    const std::string b = app.file("b"), a = b + "/p/q/a";
    std::filesystem::create_directories(b);
    app.dir.write("vesperon.cfg", a + "/x/f\r\n");
    app.setup = "mount -t tmpfs t " + b + " && mkdir -p " + a + " && mount -t tmpfs t " + a +
                " && mkdir " + a + "/l " + a + "/m " + a + "/x && echo > " + a +
                "/x/f && mount -t overlay overlay -o lowerdir=" + a + "/l:" + a + "/m " +
                app.file("merged");
    EXPECT_EQ(app.run({"--test"}), 0) << app.out();
}

TEST(Inhibitors, BlockingShutdownLocksWithholdTheRequest) {
    PrivateSystemBus bus;
    if (!bus.missing().empty()) {
        GTEST_SKIP() << bus.missing();
    }
    const struct {
        const char* what;
        const char* mode;
        const char* settings;
        int status;
    } cases[] = {{"shutdown", "block", "", 2},
                 {"shutdown", "delay", "", 0},
                 {"sleep", "block", "", 0},
                 {"shutdown:sleep", "block", "[General]\r\nHonourInhibitors=0\r\n", 0}};
    Installation app;
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.what) + " " + c.mode + " " + c.settings);
        app.dir.write("vesperon.ini", c.settings);
        ASSERT_TRUE(bus.takeLock(c.what, c.mode));
        EXPECT_EQ(app.run({"-r"}), c.status) << "0: requested, 2: withheld";
        bus.releaseLocks();
    }
}

struct Syslog : ::testing::Test {
    void SetUp() override {
        if (!store.usable()) {
            GTEST_SKIP() << "no syslog daemon of the test run (scripts/test starts one)";
        }
    }
    SyslogStore store;
};

// A socket of the test's own, to be bound over /dev/log in a run's mount namespace.
int logSocket(const Installation& app, int type, sockaddr_un& address) {
    address.sun_family = AF_UNIX;
    app.file("log").copy(address.sun_path, sizeof address.sun_path - 1);
    const int daemon = ::socket(AF_UNIX, type | SOCK_CLOEXEC, 0);
    return ::bind(daemon, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 ? daemon : -1;
}

// Faults around the warning still leave it and hold no run; a stream socket (syslog-ng can be
// set up so) gets each record ended by a NUL, as syslog(3) sends them.
TEST_F(Syslog, BlockedRunLeavesOneWarningNamingEachFileInUseWhateverFailsAroundIt) {
    const char* faults[] = {"none",
                            "a folder where the hive file belongs",
                            "a FIFO there",
                            "the registry folder locked by a stuck process",
                            "a FIFO as the settings file",
                            "a daemon that never reads (as root only)",
                            "a daemon on a stream socket (as root only)"};
    for (int i = 0; i < 7; ++i) {
        SCOPED_TRACE(faults[i]);
        Installation app;
        app.listFiles({"a.dat", "b.dat"});
        app.dir.write("vesperon.cfg",
                      "\"" + app.file("a.dat") + "\"\r\n" + app.file("b.dat") + "\r\n");
        std::filesystem::create_directories(app.file("state/registry"));
        const std::string hive = app.file("state/registry/HKEY_LOCAL_MACHINE.reg");
        std::optional<Holder> stuck;
        int daemon = -1, filler = -1;
        sockaddr_un address{};
        std::string received;
        std::thread reader;
        if (i == 1) {
            ::mkdir(hive.c_str(), 0755);
        } else if (i == 2) {
            ::mkfifo(hive.c_str(), 0644);
        } else if (i == 3) {
            stuck.emplace(app.file("state/registry"), Holder::Way::Locked);
        } else if (i == 4) {
            ::mkfifo(app.file("vesperon.ini").c_str(), 0644);
        } else if (::geteuid() != 0) {
            continue;
        } else if (i == 5) {
            ASSERT_GE(daemon = logSocket(app, SOCK_DGRAM, address), 0);
            // Its queue is full: every further datagram waits for a read that never comes.
            filler = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
            ASSERT_EQ(::connect(filler, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
            while (::send(filler, "x", 1, 0) == 1) {
            }
        } else if (i == 6) {
            ASSERT_GE(daemon = logSocket(app, SOCK_STREAM, address), 0);
            ASSERT_EQ(::listen(daemon, 4), 0);
            reader = std::thread([&] {
                pollfd one{daemon, POLLIN, 0};
                const int connection =
                    ::poll(&one, 1, 10000) == 1 ? ::accept(daemon, nullptr, nullptr) : -1;
                char bytes[4096];
                for (ssize_t n;
                     connection >= 0 && (n = ::read(connection, bytes, sizeof bytes)) > 0;) {
                    received.append(bytes, static_cast<std::size_t>(n));
                }
            });
        }
        if (i >= 5) {
            app.setup = "mount --bind " + app.file("log") + " /dev/log";
        }
        const auto start = std::chrono::steady_clock::now();
        {
            Holder a(app.file("a.dat"), Holder::Way::Open);
            Holder b(app.file("b.dat"), Holder::Way::MappedOnly);
            EXPECT_EQ(app.run({"-s"}), 2);
        }
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
        EXPECT_TRUE(app.shutdownArguments(200).empty());
        const std::string entry = abortedHeader + "\r\nFile in use:  " + app.file("a.dat") +
                                  "\r\n\r\nFile in use:  " + app.file("b.dat") + "\r\n";
        EXPECT_EQ(store.warnings(app.dir.path()),
                  i >= 5 ? std::vector<std::string>{} : std::vector<std::string>{entry});
        EXPECT_EQ(app.err().rfind("vesperon: cannot read the settings file " +
                                  app.file("vesperon.ini") +
                                  ": not a regular file; using the defaults"),
                  i == 4 ? 0 : std::string::npos);
        EXPECT_EQ(contains(app.err(), "vesperon: the warning could not be handed to syslog "
                                      "(/dev/log): it did not take the entry within 2.0 s"),
                  i == 5)
            << app.err();
        if (i == 6) {
            reader.join();
            EXPECT_TRUE(contains(received, entry) && received.back() == '\0') << received;
        }
        ::close(filler);
        ::close(daemon);
    }
}

} // namespace
} // namespace vesperon::test
