#include "e2e/posix/run_support.h"

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <iterator>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace vesperon::test {
namespace {

const std::string defaults =
    "[EventLog]\r\nWriteToNTEventLog=1\r\n[General]\r\nForceAppsToClose=0\r\n";

using Args = std::vector<std::string>;

TEST(RunMode, AnythingButASwitchNeverRequestsThenAFirstRestart) {
    Installation app;
    EXPECT_EQ(app.run({"-r", "-f\x1b[2J"}), 1) << "no configuration window without a display";
    EXPECT_NE(app.dir.read("stderr").find("not a run mode (-r restart, -s shut down): \"-r "
                                          "-f\\x1b[2J\""),
              std::string::npos);
    EXPECT_EQ(app.run({}), 1);
    EXPECT_TRUE(app.shutdownArguments(300).empty());
    EXPECT_EQ(app.dir.read("vesperon.cfg"), listHeader) << "start-up still creates the files";
    EXPECT_EQ(app.dir.read("vesperon.ini"), defaults);
    EXPECT_EQ(app.run({"-r"}), 0);
    EXPECT_EQ(app.shutdownArguments(), (Args{"-r", "+1", "Restart by Vesperon"}));
}

// Started through a descriptor and its file replaced while it runs, it keeps its folder and name.
TEST(RunMode, ForcedShutdownUnderAnotherNameByAReplacedExecutable) {
    Installation app("nightly");
    app.dir.write("nightly.ini", "[General]\r\nForceAppsToClose=1\r\n");
    using Exec = Installation::Exec;
    EXPECT_EQ(Installation::finish(app.start({"-S"}, Exec::ByDescriptorOfRemovedFile)), 0);
    EXPECT_EQ(app.shutdownArguments(), (Args{"-P", "+1", "Forced Shutdown by Vesperon"}));
    EXPECT_FALSE(app.dir.exists("vesperon.cfg"));
    EXPECT_EQ(app.dir.read("nightly.cfg"), listHeader);
}

TEST(RunMode, FileHeldOpenOrMappedByAnotherProcessBlocks) {
    Installation app;
    app.listFiles({"job.dat"});
    for (auto way : {Holder::Way::Open, Holder::Way::MappedOnly}) {
        EXPECT_EQ(app.runHolding("job.dat", {"-r"}, way), 2) << "withheld";
    }
    EXPECT_TRUE(app.shutdownArguments(300).empty());
    const std::string reg = app.registryFile();
    EXPECT_NE(reg.find("\"TypesSupported\"=dword:00000007"), std::string::npos) << reg;
    EXPECT_NE(reg.find("\"EventMessageFile\"=\"" + app.exe() + "\""), std::string::npos) << reg;
    // Released again, the same list lets the request through.
    EXPECT_EQ(app.run({"-r"}), 0);
    EXPECT_EQ(app.shutdownArguments(), (Args{"-r", "+1", "Restart by Vesperon"}));
}

// Entries typed or pasted by hand, and entries that depend on a current folder: each keeps the
// machine up while the file it means is held, and never passes for missing. Blanks around an
// entry are tried away only when the whole text names nothing. How each encoding of a list
// decodes is the reader's to prove.
TEST(RunMode, EntriesThatMustNeverCountAsMissing) {
    Installation app;
    const std::string name = app.file("Данные job.dat"); // UTF-8 in this source
    const std::string plain = app.file("data/held.dat");
    std::filesystem::create_directories(app.file("data"));
    app.dir.write("Данные job.dat", "data");
    app.dir.write("data/held.dat", "data");
    Holder held(name, Holder::Way::Open);
    Holder heldPlain(plain, Holder::Way::Open);
    const struct {
        const char* what;
        std::string list;
    } cases[] = {
        {"UTF-8 with a mark", "\xEF\xBB\xBF" + name + "\r\n"},
        {"blanks and tabs around", "\t " + name + " \t\r\n"},
        {"quoted, a blank after", "\"" + name + "\" \r\n"},
        {"a NUL and an escape before it", std::string("/a\0b\r\n/\x1b[2J\r\n", 13) + name + "\r\n"},
        {"relative", "data/held.dat\r\n"},
        {"relative to a home folder", "~/held.dat\r\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        app.dir.write("vesperon.cfg", c.list);
        EXPECT_EQ(app.run({"-r"}), 2);
    }
    EXPECT_TRUE(app.shutdownArguments(300).empty());
    // A free file whose name ends in a blank is that file.
    app.dir.write("plain.dat ", "data");
    app.dir.write("vesperon.cfg", app.file("plain.dat ") + "\r\n");
    EXPECT_EQ(app.run({"-r"}), 0);
}

TEST(RunMode, WhatCannotBeToldBlocks) {
    Installation app;
    ASSERT_EQ(::symlink(app.file("loop").c_str(), app.file("loop").c_str()), 0);
    for (const std::string& entry : {app.file("loop"), app.file(std::string(300, 'n'))}) {
        SCOPED_TRACE(entry);
        app.dir.write("vesperon.cfg", listHeader + entry + "\r\n");
        EXPECT_EQ(app.run({"-r"}), 2);
    }
    // A list that cannot be read (a folder under its name, for root too), or behind a link
    // to a share that is not mounted, is no missing list.
    ::unlink(app.file("vesperon.cfg").c_str());
    ASSERT_EQ(::mkdir(app.file("vesperon.cfg").c_str(), 0755), 0);
    EXPECT_EQ(app.run({"-r"}), 2);
    ::rmdir(app.file("vesperon.cfg").c_str());
    ASSERT_EQ(::symlink("/no/such/share/list.cfg", app.file("vesperon.cfg").c_str()), 0);
    EXPECT_EQ(app.run({"-r"}), 2);
    EXPECT_TRUE(app.shutdownArguments(300).empty());
    struct stat link {};
    EXPECT_TRUE(::lstat(app.file("vesperon.cfg").c_str(), &link) == 0 && S_ISLNK(link.st_mode))
        << "start-up wrote nothing over the link";
}

// A huge list, and a registry file of blank lines or beyond its size, take no more memory.
TEST(RunMode, HugeFilesRunInBoundedMemory) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the address sanitizer needs more address space than the limit leaves";
#else
    Installation app;
    app.dir.write("job.dat", "data");
    // Two million empty lines: held as strings they would need twice the limit below, yet
    // a build without optimisation still reads them within seconds on a loaded machine.
    app.dir.write("vesperon.cfg", std::string(2 << 20, '\n') + app.file("job.dat") + "\n");
    const std::string hive = app.file("state/registry/HKEY_LOCAL_MACHINE.reg");
    std::filesystem::create_directories(app.file("state/registry"));
    app.dir.write("state/registry/HKEY_LOCAL_MACHINE.reg",
                  "REGEDIT4\r\n" + std::string(800'000, '\n'));
    app.addressSpaceLimit = 32ul << 20;
    EXPECT_EQ(app.runHolding("job.dat"), 2);
    EXPECT_NE(app.registryFile().find("\"EventMessageFile\""), std::string::npos);
    // Beyond what the store would ever hold: left as it is, unread.
    ASSERT_EQ(::truncate(hive.c_str(), 100 << 20), 0);
    EXPECT_EQ(app.runHolding("job.dat"), 2);
    EXPECT_EQ(std::filesystem::file_size(hive), 100u << 20);
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
    EXPECT_NE(app.dir.read("stderr").find("Failed to connect to bus\nvesperon: the shutdown "
                                          "request failed: " +
                                          app.file("bin/shutdown") +
                                          " -r +1 \"Restart by Vesperon\": ended with exit "
                                          "status 1\n"),
              std::string::npos);
    if (::geteuid() != 0) {
        return; // hiding the system's own shutdown takes a mount namespace
    }
    ::unlink(app.file("bin/shutdown").c_str());
    app.mountSetup = hideSystemShutdown;
    EXPECT_EQ(app.run({"-s"}), 1);
    EXPECT_NE(app.dir.read("stderr").find("vesperon: the shutdown request failed: shutdown -P +1 "
                                          "\"Shutdown by Vesperon\": not found on PATH, in "
                                          "/usr/sbin or in /sbin\n"),
              std::string::npos);
}

// Conditions that schedulers and administrators create: many runs at once, no /proc.
TEST(RunConditions, SimultaneousRunsDoNotTakeEachOthersProbesForHolders) {
    Installation app;
    // Each request adds a line, so that none is lost to another.
    app.dir.write("bin/shutdown", "#!/bin/sh\necho >> \"$(dirname \"$0\")/../requests\"\n");
    std::vector<std::string> names;
    for (int i = 0; i < 300; ++i) {
        names.push_back("f" + std::to_string(i));
    }
    app.listFiles(names);
#if defined(__SANITIZE_ADDRESS__)
    constexpr int rounds = 2, runs = 20; // each sanitized run takes several times as long
#else
    constexpr int rounds = 10, runs = 20;
#endif
    for (int round = 0; round < rounds; ++round) {
        std::vector<pid_t> started;
        for (int i = 0; i < runs; ++i) {
            started.push_back(app.start({"-r"}));
        }
        for (pid_t pid : started) {
            EXPECT_EQ(Installation::finish(pid), 0);
        }
    }
    auto requests = [&] {
        return app.dir.exists("requests") ? app.dir.read("requests").size() : 0u;
    };
    for (int wait = 0; wait < 300 && requests() < rounds * runs; ++wait) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_EQ(requests(), static_cast<std::size_t>(rounds * runs)) << "every run requests";
    EXPECT_TRUE(app.dir.exists("vesperon.lock"));
}

// A process maps a file on a FUSE mount whose server stops answering: a run over other files
// still decides at once. A listed file on that mount cannot be told: the run ends at its
// bound, withholds the request and says so.
TEST(RunConditions, AMountThatStopsAnsweringHoldsNoRunPastItsBound) {
    StalledMount mount;
    if (!mount.missing().empty()) {
        GTEST_SKIP() << mount.missing();
    }
    Installation app;
    app.listFiles({"free.dat"});
    mount.stop();
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(app.run({"-r"}), 0);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    EXPECT_EQ(app.shutdownArguments(), (Args{"-r", "+1", "Restart by Vesperon"}));

    ::setenv("VESPERON_RUN_BOUND", "2", 1);
    app.dir.write("vesperon.cfg", app.file("free.dat") + "\r\n" + mount.file() + "\r\n");
    start = std::chrono::steady_clock::now();
    EXPECT_EQ(app.run({"-s"}), 2);
    EXPECT_EQ(app.run({"--test", "--json"}), 2);
    ::unsetenv("VESPERON_RUN_BOUND");
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
    EXPECT_NE(app.dir.read("stderr").find("did not finish within 2 s; " + mount.file()),
              std::string::npos)
        << app.dir.read("stderr");
    const std::string check =
        "/usr/bin/python3 -c 'import json,sys; d=json.load(open(sys.argv[1]));"
        " sys.exit(d[\"entries\"][1][\"state\"] != \"undetermined\" or not d[\"withheld\"])' " +
        app.file("stdout");
    EXPECT_EQ(std::system(check.c_str()), 0) << app.dir.read("stdout");
}

// Temporary files that a run killed half-way through a replace left behind are removed by the
// next run that holds the lock; those of another naming, or still held by a writer, are not.
TEST(RunConditions, TemporariesLeftByAKilledRunAreRemoved) {
    Installation app;
    app.listFiles({"job.dat"});
    std::filesystem::create_directories(app.file("state/registry"));
    const std::string stale[] = {"vesperon.ini.Ab12Cd", "vesperon.cfg.zZ9yY8",
                                 "state/registry/HKEY_LOCAL_MACHINE.reg.Q1w2E3"};
    const std::string kept[] = {"other.ini.Ab12Cd", "vesperon.ini.Ab12Cd7", "vesperon.ini.Ab-2Cd",
                                "vesperon.ini.Lk9Lk9"};
    const timespec anHourAgo[2] = {{::time(nullptr) - 3600, 0}, {::time(nullptr) - 3600, 0}};
    for (const auto& names : {std::vector(std::begin(stale), std::end(stale)),
                              std::vector(std::begin(kept), std::end(kept))}) {
        for (const std::string& name : names) {
            app.dir.write(name, "half");
            ASSERT_EQ(::utimensat(AT_FDCWD, app.file(name).c_str(), anHourAgo, 0), 0);
        }
    }
    Holder writer(app.file("vesperon.ini.Lk9Lk9"), Holder::Way::Locked);
    EXPECT_EQ(app.runHolding("job.dat"), 2);
    for (const std::string& name : stale) {
        EXPECT_FALSE(app.dir.exists(name)) << name;
    }
    for (const std::string& name : kept) {
        EXPECT_TRUE(app.dir.exists(name)) << name;
    }
}

// A folder that others may write, its files missing, and another user's process that keeps
// planting links under their names: a root run writes through none of them, and says where
// it runs.
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
    EXPECT_NE(app.dir.read("stderr").find(warning), std::string::npos);
    EXPECT_NE(app.dir.read("stdout").find(warning.substr(10)), std::string::npos);
}

#if !defined(__SANITIZE_ADDRESS__) // the sanitizer itself cannot start without /proc
TEST(RunConditions, WithoutProcNothingPassesForFree) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "a mount namespace of its own needs root";
    }
    {
        // Its folder comes from the name it was started by; no process can be looked at.
        Installation app;
        app.listFiles({"free.dat"});
        EXPECT_EQ(Installation::finish(app.start({"-r"}, Installation::Exec::ByPath, true)), 2);
        EXPECT_TRUE(app.dir.exists("vesperon.ini"));
    }
    {
        // Started through a descriptor, it cannot tell where it lives: it writes nothing.
        Installation app;
        EXPECT_EQ(Installation::finish(app.start({"-r"}, Installation::Exec::ByDescriptor, true)),
                  1);
        EXPECT_TRUE(app.shutdownArguments(300).empty());
        EXPECT_NE(app.dir.read("stderr").find("cannot find the folder"), std::string::npos);
        for (const std::string& litter : {app.file("vesperon.cfg"), app.file(".cfg"),
                                          std::string("/.cfg"), std::string("/.ini")}) {
            EXPECT_FALSE(std::filesystem::exists(litter)) << litter;
            std::filesystem::remove(litter);
        }
    }
}
#endif

} // namespace
} // namespace vesperon::test
