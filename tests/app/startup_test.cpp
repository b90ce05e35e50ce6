#include "app/application.h"
#include "app/form1.h"
#include "app/version_caption.h"
#include "base/argument_text.h"
#include "config/app_folder.h"
#include "platform/fake/fake_platform.h"

#include <gtest/gtest.h>
#include <memory>
#include <tuple>

namespace vesperon {
namespace {

const std::string settingsPath = "C:\\Tools\\Vesperon.ini";
const std::string listPath = "C:\\Tools\\Vesperon.cfg";
const std::string header = "; ********************************************\r\n"
                           ";     Vesperon - Configuration File\r\n"
                           "; ********************************************\r\n"
                           "\r\n";

struct Startup : ::testing::Test {
    fake::FakePlatform f;
    Forms forms{f.windowing};
    std::unique_ptr<Form1> run(const std::string& arguments) {
        f.system.arguments = arguments;
        auto form = std::make_unique<Form1>(f.platform, forms);
        form->Load();
        return form;
    }
    std::string startedCommandLine() const {
        return f.processes.started.empty() ? "" : f.processes.started.back().commandLine;
    }
};

TEST_F(Startup, FreshInstallationCreatesBothFilesAndShowsDefaults) {
    auto form = run("");
    EXPECT_EQ(form->Caption(), "Vesperon   v1.3");
    EXPECT_EQ(f.disk.bytesOf(listPath), header);
    EXPECT_EQ(f.disk.bytesOf(settingsPath),
              "[EventLog]\r\nWriteToNTEventLog=1\r\n[General]\r\nForceAppsToClose=0\r\n");
    EXPECT_EQ(form->Value("WriteEventCheck"), 1);
    EXPECT_EQ(form->Value("ForceCheck"), 0);
    EXPECT_TRUE(form->Loaded()) << "no switch means interactive mode";
    EXPECT_TRUE(f.processes.started.empty());
}

// The Linux edition of the fake: "/" paths, compared exactly.
TEST(StartupOnLinux, RunFindsItsFilesBesideTheExecutableAndHoldsForAFileInUse) {
    fake::FakePlatform f{platform::posixEdition};
    Forms forms{f.windowing};
    f.disk.addFile("/opt/tools/vesperon.cfg", "/srv/data/a.db\n");
    f.disk.addFile("/srv/data/a.db");
    f.disk.inUse.insert("/srv/data/a.db");
    f.system.arguments = "-r";
    Form1 form(f.platform, forms);
    form.Load();
    EXPECT_EQ(form.runOutcome, RunOutcome::Withheld);
    EXPECT_TRUE(f.processes.started.empty());
    EXPECT_TRUE(f.disk.hasFile("/opt/tools/vesperon.ini"));
    EXPECT_FALSE(f.disk.hasFile("/opt/tools/Vesperon.ini")) << "names are compared exactly";
}

TEST_F(Startup, ExistingFilesAreNeverCompletedOrRepaired) {
    f.disk.addFile(listPath, "C:\\data.mdb");
    f.disk.addFile(settingsPath, "");
    auto form = run("");
    EXPECT_EQ(f.disk.bytesOf(listPath), "C:\\data.mdb");
    EXPECT_EQ(f.disk.bytesOf(settingsPath), "");
    EXPECT_EQ(form->Value("WriteEventCheck"), 0);
    EXPECT_EQ(form->Value("ForceCheck"), 0);
}

TEST_F(Startup, FileThatCannotBeSeenIsNotOverwritten) {
    f.disk.addFile(settingsPath, "[General]\r\nForceAppsToClose=1\r\n");
    f.disk.unreadable.insert(fake::FakeDisk::key(settingsPath));
    f.disk.drives['C'].type = 0; // the existence check cannot answer for this drive
    run("");
    EXPECT_EQ(f.disk.bytesOf(settingsPath), "[General]\r\nForceAppsToClose=1\r\n");
}

// What each argument text and ForceAppsToClose value start; "" opens the configuration window.
TEST_F(Startup, SwitchesAndForceDecideTheRequest) {
    const std::string restart = "shutdown.exe -r -t 60 -c \"Restart by Vesperon\" -d p:4:1";
    const std::string shutdown = "shutdown.exe -s -t 60 -c \"Shutdown by Vesperon\" -d p:4:1";
    const std::tuple<const char*, const char*, std::string> cases[] = {
        {"-r", "", restart},
        {"-R", "", restart},
        {"-S", "", shutdown},
        // Blanks and tabs typed around the switch in a scheduler's argument field.
        {"\t-s\t ", "", shutdown},
        {"-r", "ForceAppsToClose=1",
         "shutdown.exe -r -f -t 60 -c \"Forced Restart by Vesperon\" -d p:4:1"},
        {"-r", "ForceAppsToClose=\"1 \"", restart},
        {"-r", "ForceAppsToClose=yes", restart},
        {"-r -f", "", ""},
        {"/s", "", ""},
        {"restart", "", ""},
        {"- r", "", ""},
        {"-x", "", ""},
        {" \t ", "", ""},
    };
    for (const auto& [arguments, line, commandLine] : cases) {
        SCOPED_TRACE(std::string(arguments) + " " + line);
        fake::FakePlatform fresh;
        fresh.disk.addFile(settingsPath, std::string("[General]\r\n") + line + "\r\n");
        fresh.system.arguments = arguments;
        Forms freshForms(fresh.windowing);
        Form1 form(fresh.platform, freshForms);
        form.Load();
        EXPECT_EQ(form.Loaded(), commandLine.empty());
        if (commandLine.empty()) {
            EXPECT_TRUE(fresh.processes.started.empty());
            continue;
        }
        ASSERT_EQ(fresh.processes.started.size(), 1u);
        EXPECT_EQ(fresh.processes.started[0].commandLine, commandLine);
        EXPECT_EQ(fresh.processes.started[0].windowStyle, 2);
        EXPECT_FALSE(form.Visible());
        EXPECT_EQ(fresh.files.closeAllCalls, 1) << "the unload handler closes every file";
    }
}

TEST_F(Startup, WithoutAnAbsoluteFolderNothingIsWrittenOrRequested) {
    for (const char* exe : {"", "Vesperon.exe", "Tools\\Vesperon.exe", "\\Vesperon.exe"}) {
        for (const char* arguments : {"-r", ""}) {
            fake::FakePlatform fresh;
            fresh.system.exePath = exe;
            fresh.system.arguments = arguments;
            Forms freshForms(fresh.windowing);
            Form1 form(fresh.platform, freshForms);
            ::testing::internal::CaptureStderr();
            form.Load();
            const std::string said = ::testing::internal::GetCapturedStderr();
            EXPECT_TRUE(fresh.disk.files.empty()) << exe;
            EXPECT_TRUE(fresh.processes.started.empty()) << exe;
            EXPECT_FALSE(form.Loaded()) << exe;
            EXPECT_EQ(form.runOutcome, RunOutcome::Failed) << "exit status 1";
            EXPECT_NE(said.find("cannot find the folder"), std::string::npos) << said;
        }
    }
    f.system.exePath = "\\\\server\\share\\Vesperon.exe";
    EXPECT_TRUE(hasAppFolder(f.platform));
    f.platform.edition = platform::posixEdition;
    f.system.exePath = "opt/vesperon";
    EXPECT_FALSE(hasAppFolder(f.platform));
    f.system.exePath = "/opt/.vesperon"; // a leading dot starts no extension
    EXPECT_EQ(settingsFilePath(f.platform), "/opt/.vesperon.ini");
}

TEST_F(Startup, RunModeSaysHowManyProcessesItCouldNotLookInto) {
    f.disk.uninspectedProcesses = 3;
    ::testing::internal::CaptureStderr();
    run("-r");
    EXPECT_EQ(::testing::internal::GetCapturedStderr(),
              "vesperon: 3 processes could not be inspected (root needs CAP_SYS_PTRACE to see "
              "them); files they hold count as free\n");
    EXPECT_EQ(f.processes.started.size(), 1u);
}

TEST_F(Startup, FileInUseBlocksTheRequestButStillUnloads) {
    f.disk.addFile(listPath, header + "C:\\Data\\db.mdb\r\n");
    f.disk.addFile("C:\\Data\\db.mdb");
    f.disk.inUse.insert("c:\\data\\db.mdb");
    auto form = run("-s");
    EXPECT_TRUE(f.processes.started.empty());
    EXPECT_FALSE(form->Loaded());
    EXPECT_FALSE(form->Visible());
}

TEST_F(Startup, FailedStartIsLoggedAndSaidOnStandardError) {
    f.processes.failure = "C:\\Windows\\system32\\shutdown.exe: File not found. (error 2)";
    f.system.arguments = "-r";
    EXPECT_EQ(runApplication(f.platform), 1);
    const std::string command = "shutdown.exe -r -t 60 -c \"Restart by Vesperon\" -d p:4:1";
    EXPECT_EQ(f.system.standardError,
              std::vector<std::string>{"vesperon: the shutdown request failed: " + command + ": " +
                                       f.processes.failure});
    ASSERT_EQ(f.eventLog.events.size(), 1u);
    EXPECT_EQ(f.eventLog.events[0].type, 2);
    EXPECT_EQ(f.eventLog.events[0].strings.at(0),
              " *** A Planned Shutdown Failed! *** \r\n\r\nCommand:  " + command +
                  "\r\n\r\nReason:  " + f.processes.failure + "\r\n");
}

TEST_F(Startup, ExitStatusSaysWhatTheRunDid) {
    f.system.arguments = "-s";
    EXPECT_EQ(runApplication(f.platform), 0) << "request started";
    f.disk.addFile(listPath, header + "C:\\Data\\db.mdb\r\n");
    f.disk.addFile("C:\\Data\\db.mdb");
    f.disk.inUse.insert("c:\\data\\db.mdb");
    EXPECT_EQ(runApplication(f.platform), 2) << "withheld";
    f.system.arguments = "";
    f.windowing.displayPresent = false;
    EXPECT_EQ(runApplication(f.platform), 1) << "interactive mode keeps its statuses";
}

TEST_F(Startup, FilesFollowTheExecutableName) {
    f.system.exePath = "C:\\Vesperon.exe";
    EXPECT_EQ(AppFolder(f.platform), "C:\\");
    f.system.exePath = "C:\\Tools\\Nightly.Reboot.exe";
    EXPECT_EQ(AppFolder(f.platform), "C:\\Tools\\");
    EXPECT_EQ(settingsFilePath(f.platform), "C:\\Tools\\Nightly.Reboot.ini");
    EXPECT_EQ(checkListPath(f.platform), "C:\\Tools\\Nightly.Reboot.cfg");
}

TEST(ArgumentText, IsWhatFollowsTheProgramName) {
    EXPECT_EQ(argumentTextOf("vesperon.exe -r"), "-r");
    EXPECT_EQ(argumentTextOf("\"C:\\Program Files\\V\\vesperon.exe\"  -s"), "-s");
    EXPECT_EQ(argumentTextOf("vesperon.exe"), "");
    EXPECT_EQ(argumentTextOf("vesperon.exe -r -f"), "-r -f");
    EXPECT_EQ(argumentTextOf("vesperon.exe\t-r "), "-r ");
}

TEST(VersionCaptionTest, NumbersStagesAndSuffix) {
    EXPECT_EQ(VersionCaption("", ""), "Vesperon   v1.3");
    EXPECT_EQ(versionCaptionFor(1, 3, 2, "", ""), "Vesperon   v1.3.2");
    EXPECT_EQ(versionCaptionFor(1, 3, 0, "A", "nightly"), "Vesperon   v1.3 ALPHA  - nightly");
    EXPECT_EQ(versionCaptionFor(1, 3, 0, "B", ""), "Vesperon   v1.3 BETA");
    EXPECT_EQ(versionCaptionFor(1, 3, 0, "b", ""), "Vesperon   v1.3");
}

} // namespace
} // namespace vesperon
