#include "e2e/posix/run_support.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vesperon::test {
namespace {

const std::string header = "; ********************************************\r\n"
                           ";     Vesperon - Configuration File\r\n"
                           "; ********************************************\r\n"
                           "\r\n";
const std::string defaults =
    "[EventLog]\r\nWriteToNTEventLog=1\r\n[General]\r\nForceAppsToClose=0\r\n";

using Args = std::vector<std::string>;

TEST(RunMode, FirstRestartOnAFreshInstallation) {
    Installation app;
    EXPECT_EQ(app.run({"-r"}), 0);
    EXPECT_EQ(app.shutdownArguments(), (Args{"-r", "+1", "Restart by Vesperon"}));
    EXPECT_EQ(app.dir.read("vesperon.cfg"), header);
    EXPECT_EQ(app.dir.read("vesperon.ini"), defaults);
}

TEST(RunMode, ForcedShutdownUnderAnotherName) {
    Installation app("nightly");
    app.dir.write("nightly.ini", "[General]\r\nForceAppsToClose=1\r\n");
    EXPECT_EQ(app.run({"-S"}), 0);
    EXPECT_EQ(app.shutdownArguments(), (Args{"-P", "+1", "Forced Shutdown by Vesperon"}));
    EXPECT_FALSE(app.dir.exists("vesperon.cfg"));
    EXPECT_EQ(app.dir.read("nightly.cfg"), header);
}

TEST(RunMode, AnythingButASwitchNeverRequests) {
    Installation app;
    EXPECT_EQ(app.run({"-r", "-f"}), 1) << "no configuration window without a display";
    EXPECT_EQ(app.run({}), 1);
    EXPECT_TRUE(app.shutdownArguments(300).empty());
    EXPECT_EQ(app.dir.read("vesperon.ini"), defaults) << "start-up still creates the files";
}

TEST(RunMode, FileHeldOpenOrMappedByAnotherProcessBlocks) {
    for (auto way : {Holder::Way::Open, Holder::Way::MappedOnly}) {
        Installation app;
        app.dir.write("job.dat", "data");
        app.dir.write("vesperon.cfg", header + app.file("job.dat") + "\r\n");
        {
            Holder holder(app.file("job.dat"), way);
            EXPECT_EQ(app.run({"-r"}), 2) << "withheld";
        }
        EXPECT_TRUE(app.shutdownArguments(300).empty());
        const std::string reg = app.registryFile();
        EXPECT_NE(reg.find("\"TypesSupported\"=dword:00000007"), std::string::npos) << reg;
        EXPECT_NE(reg.find("\"EventMessageFile\"=\"" + app.exe() + "\""), std::string::npos) << reg;
        // Released again, the same list lets the request through.
        EXPECT_EQ(app.run({"-r"}), 0);
        EXPECT_EQ(app.shutdownArguments(), (Args{"-r", "+1", "Restart by Vesperon"}));
    }
}

// Lists as editors save them, and entries typed or pasted by hand, name a held file.
TEST(RunMode, HeldFileBlocksHoweverTheListWasSaved) {
    const std::string name = "Данные job.dat"; // UTF-8 in this source
    auto utf16le = [](const std::string& ascii) {
        std::string bytes = "\xFF\xFE";
        for (char c : ascii) {
            bytes += c;
            bytes += '\0';
        }
        return bytes;
    };
    const struct {
        const char* what;
        std::string (*list)(const std::string& path, const decltype(utf16le)& wide);
    } cases[] = {
        {"UTF-8 with a byte-order mark",
         [](const std::string& p, const decltype(utf16le)&) {
             return "\xEF\xBB\xBF" + p + "\r\n";
         }},
        {"UTF-16 as Notepad saves it",
         [](const std::string& p, const decltype(utf16le)& wide) {
             return wide(p.substr(0, p.rfind('/') + 1) + "plain.dat\r\n");
         }},
        {"blanks and a tab around the entry",
         [](const std::string& p, const decltype(utf16le)&) { return "\t " + p + "  \r\n"; }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Installation app;
        app.dir.write(name, "data");
        app.dir.write("plain.dat", "data");
        app.dir.write("vesperon.cfg", c.list(app.file(name), utf16le));
        Holder held(app.file(name), Holder::Way::Open);
        Holder plain(app.file("plain.dat"), Holder::Way::Open);
        app.run({"-r"});
        EXPECT_TRUE(app.shutdownArguments(300).empty());
    }
}

TEST(RunMode, WhatCannotBeToldBlocks) {
    Installation app;
    ASSERT_EQ(::symlink(app.file("loop").c_str(), app.file("loop").c_str()), 0);
    for (const std::string& entry : {app.file("loop"), app.file(std::string(300, 'n'))}) {
        SCOPED_TRACE(entry);
        app.dir.write("vesperon.cfg", header + entry + "\r\n");
        app.run({"-r"});
        EXPECT_TRUE(app.shutdownArguments(300).empty());
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

TEST(RunMode, RegistryFileOfBlankLinesOrBeyondItsSizeTakesNoMoreMemory) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the address sanitizer needs more address space than the limit leaves";
#else
    Installation app;
    app.dir.write("job.dat", "data");
    app.dir.write("vesperon.cfg", app.file("job.dat") + "\n");
    std::filesystem::create_directories(app.file("state/registry"));
    app.dir.write("state/registry/HKEY_LOCAL_MACHINE.reg",
                  "REGEDIT4\r\n" + std::string(800'000, '\n'));
    app.addressSpaceLimit = 32ul << 20;
    Holder held(app.file("job.dat"), Holder::Way::Open);
    app.run({"-r"});
    EXPECT_NE(app.registryFile().find("\"EventMessageFile\""), std::string::npos);
    // Beyond what the store would ever hold: left as it is, unread.
    ASSERT_EQ(::truncate(app.file("state/registry/HKEY_LOCAL_MACHINE.reg").c_str(), 100 << 20), 0);
    app.run({"-r"});
    EXPECT_EQ(std::filesystem::file_size(app.file("state/registry/HKEY_LOCAL_MACHINE.reg")),
              100u << 20);
#endif
}

TEST(RunMode, HugeListRunsInBoundedMemory) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the address sanitizer needs more address space than the limit leaves";
#else
    Installation app;
    app.dir.write("job.dat", "data");
    app.dir.write("vesperon.cfg", std::string(8 << 20, '\n') + app.file("job.dat") + "\n");
    app.addressSpaceLimit = 32ul << 20;
    Holder held(app.file("job.dat"), Holder::Way::Open);
    app.run({"-r"});
    EXPECT_TRUE(app.shutdownArguments(300).empty());
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

} // namespace
} // namespace vesperon::test
