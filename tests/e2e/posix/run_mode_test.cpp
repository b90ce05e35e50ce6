#include "e2e/posix/run_support.h"

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
            EXPECT_EQ(app.run({"-r"}), 0);
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

TEST(RunMode, UnreadableCheckListBlocksAMissingOneDoesNot) {
    if (::geteuid() == 0) {
        // root reads every file; a folder for the list makes it unreadable instead
        Installation app;
        ::mkdir(app.file("vesperon.cfg").c_str(), 0755);
        app.run({"-r"});
        EXPECT_TRUE(app.shutdownArguments(300).empty());
    } else {
        Installation app;
        app.dir.write("vesperon.cfg", header);
        ::chmod(app.file("vesperon.cfg").c_str(), 0);
        app.run({"-r"});
        EXPECT_TRUE(app.shutdownArguments(300).empty());
    }
}

} // namespace
} // namespace vesperon::test
