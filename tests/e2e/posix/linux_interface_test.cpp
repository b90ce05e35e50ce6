#include "e2e/posix/run_support.h"
#include "support/environment_guard.h"
#include "support/private_system_bus.h"

#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <linux/io_uring.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

namespace vesperon::test {
namespace {

bool contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

// What a run over a held file, a free one, a missing one and one whose name holds an escape
// prints, and that it never asks for anything. The odd name, the holder's command name (prctl)
// and a lock's who and why are chosen by others: none of their control characters reaches
// root's terminal raw. A list line with a control character names nothing for sure: it is
// undetermined.
TEST(TerminalInterface, TestPrintsEachEntryAndTheDecisionAndRequestsNothing) {
    Installation app;
    const std::string odd = "odd\x1b[2J.dat";
    app.listFiles({"job.dat", "free.dat", "gone.dat", odd});
    std::filesystem::remove(app.file("gone.dat"));
    {
        PrivateSystemBus bus;
        const bool withBus = bus.missing().empty() &&
                             bus.takeLock("shutdown", "block", "evil\r\nFile in use:  /etc/x",
                                          "\x1b[32mwould restart\x1b[0m");
        Holder held(app.file("job.dat"), Holder::Way::Open, "ev\x1b[8mil\x7f");
        EXPECT_EQ(app.run({"--test"}), 2);
        const std::string out = app.dir.read("stdout");
        EXPECT_TRUE(contains(out, "in use        " + app.file("job.dat") + "\n")) << out;
        EXPECT_TRUE(contains(out, "user root       ev\\x1b[8mil\\x7f open for reading\n") ||
                    ::geteuid() != 0)
            << out;
        EXPECT_TRUE(contains(out, "free          " + app.file("free.dat") + "\n")) << out;
        EXPECT_TRUE(contains(out, "missing       " + app.file("gone.dat") + "\n")) << out;
        EXPECT_TRUE(contains(out, "undetermined  " + app.dir.path() + "/odd\\x1b[2J.dat\n")) << out;
        EXPECT_TRUE(contains(out, "would NOT restart\n")) << out;
        EXPECT_EQ(out.find_first_of("\x1b\r\x7f"), std::string::npos)
            << "no colour when the output is no terminal, nothing raw: " << out;
        if (withBus) {
            EXPECT_TRUE(contains(out, "inhibited     Shutdown inhibited by evil\\r\\nFile in "
                                      "use:  /etc/x (pid "))
                << out;
            EXPECT_TRUE(contains(out, "\\x1b[32mwould restart\\x1b[0m\n")) << out;
        }

        EXPECT_EQ(app.run({"--test", "--json"}), 2);
        const std::string json = app.dir.read("stdout");
        EXPECT_EQ(json.find_first_of(std::string("\x1b\r\x7f\x00", 4)), std::string::npos) << json;
        const std::string check =
            "/usr/bin/python3 -c 'import json,sys; d=json.load(open(sys.argv[1]));"
            " sys.exit(d[\"decision\"] != \"would NOT restart\" or "
            "d[\"entries\"][0][\"holders\"][0][\"how\"] != \"open for reading\" or "
            "d[\"entries\"][3][\"path\"] != sys.argv[2])' " +
            app.file("stdout") + " \"" + app.file("odd$(printf \"\\033\")[2J.dat") + "\"";
        EXPECT_EQ(std::system(check.c_str()), 0) << "valid JSON that keeps the name as it is";
    }
    app.listFiles({"job.dat", "free.dat"});
    EXPECT_EQ(app.run({"--test"}), 0);
    EXPECT_TRUE(contains(app.dir.read("stdout"), "would restart\n"));
    EXPECT_TRUE(app.shutdownArguments(300).empty()) << "a test requests nothing";
}

// Runs a shell command when it goes out of scope, so that what a test set up on the machine
// is undone even when an assertion failed.
struct Undo {
    std::string command;
    ~Undo() { (void)!std::system(command.c_str()); }
};

// A child that registers the file with an io_uring ring, closes its descriptor and waits.
pid_t registerWithRing(const std::string& path) {
    int ready[2];
    if (::pipe(ready) != 0) {
        return -1;
    }
    const pid_t pid = ::fork();
    if (pid == 0) {
        io_uring_params params{};
        const int ring = static_cast<int>(::syscall(__NR_io_uring_setup, 4, &params));
        int fd = ::open(path.c_str(), O_RDONLY);
        const bool ok = ring >= 0 && fd >= 0 &&
                        ::syscall(__NR_io_uring_register, ring, IORING_REGISTER_FILES, &fd, 1) == 0;
        ::close(fd);
        (void)!::write(ready[1], ok ? "1" : "0", 1);
        ::pause();
        ::_exit(0);
    }
    ::close(ready[1]);
    char ok = '0';
    (void)!::read(ready[0], &ok, 1);
    ::close(ready[0]);
    if (ok != '1') {
        ::kill(pid, SIGKILL);
        ::waitpid(pid, nullptr, 0);
        return -1;
    }
    return pid;
}

// No process has a descriptor of these files, yet the kernel holds each: a loop device's
// backing file, an active swap file, a file registered with an io_uring ring. The kernel
// escapes the blanks of the swap file's name, the last one too.
TEST(KernelHolders, LoopDeviceSwapFileAndRingHoldFilesNoProcessHasOpen) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "loop devices and swap files need root";
    }
    Installation app;
    const std::string swap = app.file("swap image.img ");
    app.listFiles({"image.img", "swap image.img ", "registered.dat", "free.dat"});
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
    const pid_t ring = registerWithRing(app.file("registered.dat"));
    ASSERT_GT(ring, 0) << "io_uring is not available";
    Undo stopRing{"kill -9 " + std::to_string(ring)};
    EXPECT_EQ(app.run({"-r"}), 2);
    EXPECT_EQ(app.run({"--test"}), 2);
    const std::string out = app.dir.read("stdout");
    for (const auto& [name, holder] :
         {std::pair<std::string, std::string>{"image.img", "              loop device " + loop},
          {"swap image.img ", "              swap"},
          {"registered.dat", "io_uring of pid " + std::to_string(ring)}}) {
        SCOPED_TRACE(name);
        const auto at = out.find("in use        " + app.file(name) + "\n");
        ASSERT_NE(at, std::string::npos) << out;
        EXPECT_NE(out.find(holder, at), std::string::npos) << out;
    }
    EXPECT_TRUE(contains(out, "free          " + app.file("free.dat") + "\n")) << out;
    EXPECT_EQ(app.run({"--test", "--json"}), 2);
    EXPECT_TRUE(
        contains(app.dir.read("stdout"), R"({"pid":0,"user":"","command":"","how":"swap"})"))
        << app.dir.read("stdout");
    ::waitpid(ring, nullptr, WNOHANG);
}

// A file held through an overlay's merged view has another device and inode there than in
// the layer folder an administrator may list: a listed path inside a layer cannot be told,
// and --test names the path that programs see.
TEST(OverlayLayers, ListedPathInsideALayerIsUndeterminedAndNamesTheMergedPath) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "an overlay of the test's own needs a mount namespace (root)";
    }
    Installation app;
    for (const char* folder : {"lower/etc", "up:per", "work", "merged", "l"}) {
        std::filesystem::create_directories(app.file(folder));
    }
    // Docker names its lower layers through short links; a colon in a lower folder's name is
    // escaped, one in the upper folder's is not.
    ASSERT_EQ(::symlink("../lower", app.file("l/a:bc").c_str()), 0);
    app.dir.write("lower/etc/app.conf", "conf");
    app.dir.write("up:per/new.dat", "new");
    app.dir.write("free.dat", "free");
    app.dir.write("vesperon.cfg", app.file("lower/etc/app.conf") + "\r\n" +
                                      app.file("up:per/new.dat") + "\r\n" + app.file("free.dat") +
                                      "\r\n");
    app.mountSetup = "mount -t overlay overlay -o 'lowerdir=" + app.file("l/a\\:bc") +
                     ",upperdir=" + app.file("up:per") + ",workdir=" + app.file("work") + "' " +
                     app.file("merged");
    EXPECT_EQ(app.run({"--test"}), 2);
    const std::string out = app.dir.read("stdout");
    EXPECT_TRUE(contains(out, "undetermined  " + app.file("lower/etc/app.conf") +
                                  "\n              programs see it as " +
                                  app.file("merged/etc/app.conf") + "\n"))
        << out;
    EXPECT_TRUE(contains(out, "undetermined  " + app.file("up:per/new.dat") +
                                  "\n              programs see it as " +
                                  app.file("merged/new.dat") + "\n"))
        << out;
    EXPECT_TRUE(contains(out, "free          " + app.file("free.dat") + "\n")) << out;
    // File systems number their folders alike: only the device tells a layer from a folder
    // above the listed file's file system.
    const std::string b = app.file("b"), a = b + "/p/q/a";
    std::filesystem::create_directories(b);
    app.dir.write("vesperon.cfg", a + "/x/f\r\n");
    app.mountSetup = "mount -t tmpfs t " + b + " && mkdir -p " + a + " && mount -t tmpfs t " + a +
                     " && mkdir " + a + "/l " + a + "/m " + a + "/x && echo > " + a +
                     "/x/f && mount -t overlay overlay -o lowerdir=" + a + "/l:" + a + "/m " +
                     app.file("merged");
    EXPECT_EQ(app.run({"--test"}), 0) << app.dir.read("stdout");
    app.mountSetup.clear();
    EXPECT_EQ(app.run({"-r"}), 0) << "without the overlay the layer is a folder like any other";
}

TEST(TerminalInterface, HelpVersionAndUnknownOptions) {
    Installation app;
    EXPECT_EQ(app.run({"--help"}), 0);
    EXPECT_TRUE(contains(app.dir.read("stdout"), app.file("vesperon.cfg")));
    EXPECT_TRUE(contains(app.dir.read("stdout"), "Exit statuses:"));
    EXPECT_EQ(app.run({"--version"}), 0);
    EXPECT_EQ(app.dir.read("stdout").rfind("Vesperon 1.3 (commit ", 0), 0u);
    EXPECT_EQ(app.run({"--restart"}), 1);
    EXPECT_TRUE(contains(app.dir.read("stderr"), "vesperon --help"));
    EXPECT_TRUE(app.shutdownArguments(300).empty());
}

// The sticky bit keeps others from replacing what lies in a folder, not from adding names to
// it: the program's own folder is still changeable by others. A run bound of 0 is none.
TEST(TerminalInterface, StickyFolderOthersMayWriteIsNamed) {
    Installation app;
    app.listFiles({"job.dat"});
    EnvironmentGuard bound("VESPERON_RUN_BOUND");
    ::setenv("VESPERON_RUN_BOUND", "0", 1);
    ASSERT_EQ(::chmod(app.dir.path().c_str(), 01777), 0);
    EXPECT_EQ(app.run({"--test"}), 0);
    EXPECT_TRUE(
        contains(app.dir.read("stdout"), app.dir.path() + "/ may be written by other users"))
        << app.dir.read("stdout");
}

// Programs that asked the system not to shut down now, through systemd-logind.
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
        if (c.status == 2) {
            EXPECT_EQ(app.run({"-r"}), 0) << "the lock let go, the request goes through";
        }
    }
}

} // namespace
} // namespace vesperon::test
