#include "app/application.h"
#include "app/form1.h"
#include "app/run_metrics.h"
#include "app/terminal_command.h"
#include "app/version_caption.h"
#include "config/app_folder.h"
#include "platform/fake/fake_platform.h"

#include <gtest/gtest.h>
#include <optional>
#include <tuple>

namespace vesperon {
namespace {

const std::string settingsPath = "C:\\Tools\\Vesperon.ini";
const std::string listPath = "C:\\Tools\\Vesperon.cfg";

// One start of the program on a machine of its own.
struct Start {
    fake::FakePlatform f;
    Forms forms{f.windowing};
    Form1 form{f.platform, forms};
    void load(const std::string& arguments) {
        f.system.arguments = arguments;
        form.Load();
    }
};

// What a fresh installation's files hold and what the window shows are checked by the
// end-to-end runs and the configuration window's tests.
TEST(Startup, ExistingFilesAreNeverCompletedOrRepaired) {
    Start s;
    s.f.disk.addFile(listPath, "C:\\data.mdb");
    s.f.disk.addFile(settingsPath, "[General]\r\nForceAppsToClose=1\r\n");
    s.load("");
    EXPECT_EQ(s.f.disk.bytesOf(listPath), "C:\\data.mdb");
    EXPECT_EQ(s.f.disk.bytesOf(settingsPath), "[General]\r\nForceAppsToClose=1\r\n");

    // Nor overwritten when the existence check cannot answer for their drive.
    Start unseen;
    unseen.f.disk.addFile(settingsPath, "[General]\r\nForceAppsToClose=1\r\n");
    unseen.f.disk.unreadable.insert(fake::FakeDisk::key(settingsPath));
    unseen.f.disk.drives['C'].type = 0;
    unseen.load("");
    EXPECT_EQ(unseen.f.disk.bytesOf(settingsPath), "[General]\r\nForceAppsToClose=1\r\n");
}

// What each argument text and ForceAppsToClose value start; "" opens the configuration window.
TEST(Startup, SwitchesAndForceDecideTheRequest) {
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
        Start s;
        s.f.disk.addFile(settingsPath, std::string("[General]\r\n") + line + "\r\n");
        s.load(arguments);
        EXPECT_EQ(s.form.Loaded(), commandLine.empty());
        if (commandLine.empty()) {
            EXPECT_TRUE(s.f.processes.started.empty());
            continue;
        }
        ASSERT_EQ(s.f.processes.started.size(), 1u);
        EXPECT_EQ(s.f.processes.started[0].commandLine, commandLine);
        EXPECT_EQ(s.f.processes.started[0].windowStyle, 2);
        EXPECT_FALSE(s.form.Visible());
        EXPECT_EQ(s.f.files.closeAllCalls, 1) << "the unload handler closes every file";
    }
}

TEST(Startup, WithoutAnAbsoluteFolderNothingIsWrittenOrRequested) {
    for (const char* exe : {"", "Vesperon.exe", "Tools\\Vesperon.exe", "\\Vesperon.exe"}) {
        for (const char* arguments : {"-r", ""}) {
            fake::FakePlatform f;
            f.system.exePath = exe;
            f.system.arguments = arguments;
            EXPECT_EQ(runApplication(f.platform), 1) << exe;
            EXPECT_TRUE(f.disk.files.empty()) << exe;
            EXPECT_TRUE(f.processes.started.empty()) << exe;
            EXPECT_NE(f.system.standardError.at(0).find("cannot find the folder"),
                      std::string::npos);
        }
    }
}

// Both files take the executable's folder and its name up to the last dot.
TEST(Startup, FilesFollowTheExecutable) {
    fake::FakePlatform f;
    f.system.exePath = "C:\\Tools\\Nightly.Reboot.exe";
    EXPECT_EQ(settingsFilePath(f.platform), "C:\\Tools\\Nightly.Reboot.ini");
    f.system.exePath = "C:\\Vesperon.exe";
    EXPECT_EQ(settingsFilePath(f.platform), "C:\\Vesperon.ini");
    f.system.exePath = "\\\\server\\share\\Vesperon.exe";
    EXPECT_TRUE(hasAppFolder(f.platform));
    f.platform.edition = platform::posixEdition;
    f.system.exePath = "opt/vesperon";
    EXPECT_FALSE(hasAppFolder(f.platform));
    f.system.exePath = "/opt/.vesperon"; // a leading dot starts no extension
    EXPECT_EQ(settingsFilePath(f.platform), "/opt/.vesperon.ini");
}

// A packaged build keeps both files in the folder it names, still after the executable's name,
// and takes turns in the state folder: a run writes nothing beside the executable.
TEST(Startup, APackagedBuildKeepsItsFilesInItsConfigurationFolder) {
    fake::FakePlatform f{platform::posixEdition};
    f.system.exePath = "/usr/sbin/nightly";
    f.system.configFolder = "/etc/vesperon";
    f.system.stateDir = "/var/lib/vesperon";
    for (const char* folder : {"/usr/sbin", "/etc/vesperon", "/var/lib/vesperon"}) {
        f.disk.addFolder(folder);
    }
    f.disk.addFile("/srv/job.dat", "");
    f.disk.inUse.insert(f.disk.keyOf("/srv/job.dat"));
    f.disk.addFile("/etc/vesperon/nightly.cfg", "/srv/job.dat\r\n");
    Forms forms{f.windowing};
    Form1 form{f.platform, forms};
    f.system.arguments = "-r";
    form.Load();
    EXPECT_EQ(form.runOutcome, RunOutcome::Withheld);
    EXPECT_TRUE(f.disk.hasFile("/etc/vesperon/nightly.ini"));
    EXPECT_TRUE(f.disk.hasFile("/var/lib/vesperon/nightly.lock"));
    for (const auto& [key, bytes] : f.disk.files) {
        EXPECT_EQ(key.rfind("/usr/sbin/", 0), std::string::npos) << key;
    }
}

// Night after night on one machine: the times each run carries on from the file it replaces.
// What one run writes, the node exporter test reads back.
TEST(Startup, EveryRunCarriesTheTimesOfItsMetricsOn) {
    fake::FakePlatform f{platform::posixEdition};
    f.system.unixTime = 0;
    const std::string prom = "/var/lib/node-exporter/vesperon.prom";
    f.disk.addFolder("/var/lib/node-exporter");
    f.disk.addFile("/opt/tools/vesperon.ini",
                   "[Metrics]\r\nTextfileDirectory=/var/lib/node-exporter\r\n");
    f.disk.addFile("/srv/job.dat", "");
    f.disk.addFile("/opt/tools/vesperon.cfg", "/srv/job.dat\r\n/srv/gone.dat\r\n");
    f.disk.addFile(prom, "vesperon_last_run_timestamp_seconds{mode=\"test\"} 12 (edited)\n");
    const std::string entries = "vesperon_last_run_entries{state=";
    const std::string since = "vesperon_withheld_since_timestamp_seconds";
    const std::string request = "vesperon_last_request_timestamp_seconds";
    const std::string last = "vesperon_last_run_timestamp_seconds{mode=";
    const struct {
        const char* arguments;
        bool inUse;
        const char* startFailure;
        std::vector<std::string> lines; // "<series>" alone: absent from the file
    } nights[] = {
        {"-r",
         true,
         "",
         {since + " 1000", request, last + "\"restart\"} 1000", last + "\"test\"}",
          entries + "\"missing\"} 1", entries + "\"undetermined\"} 0"}},
        // Withheld again: the run of withheld nights began at the first.
        {"-s",
         true,
         "",
         {since + " 1000", last + "\"restart\"} 1000", last + "\"shutdown\"} 2000"}},
        // A test by hand neither ends nor starts it, whatever it finds.
        {"--test", false, "", {since + " 1000", request, last + "\"test\"} 3000"}},
        {"-r", false, "", {since, request + " 4000"}},
        // A request that failed keeps the time of the last one that started.
        {"-r", false, "exit status 1", {since, request + " 4000", last + "\"restart\"} 5000"}},
    };
    for (const auto& night : nights) {
        f.system.unixTime += 1000;
        SCOPED_TRACE(std::string(night.arguments) + " at " + std::to_string(f.system.unixTime));
        f.system.arguments = night.arguments;
        f.processes.failure = night.startFailure;
        f.disk.inUse.clear();
        if (night.inUse) {
            f.disk.inUse.insert("/srv/job.dat");
        }
        ::testing::internal::CaptureStdout();
        if (!runTerminalCommand(f.platform, false)) {
            Forms forms{f.windowing};
            Form1 form{f.platform, forms};
            form.Load();
        }
        ::testing::internal::GetCapturedStdout();
        const std::string text = "\n" + f.disk.bytesOf(prom);
        for (const std::string& line : night.lines) {
            const bool absent = line.find(' ') == std::string::npos;
            EXPECT_EQ(text.find("\n" + line + (absent ? " " : "\n")) == std::string::npos, absent)
                << line << text;
        }
    }
}

// Where no metrics can go, the run says so and its outcome stays its own.
TEST(Startup, MetricsThatCannotBeWrittenLeaveTheRunAsItWas) {
    const std::pair<const char*, const char*> cases[] = {
        {"TextfileDirectory=metrics", "not an absolute folder"},
        {"TextfileDirectory=/nowhere", "cannot write the metrics file /nowhere/vesperon.prom"},
        {"", ""},
    };
    for (const auto& [line, said] : cases) {
        fake::FakePlatform f{platform::posixEdition};
        f.disk.addFile("/opt/tools/vesperon.ini", std::string("[Metrics]\r\n") + line + "\r\n");
        f.system.arguments = "-r";
        Forms forms{f.windowing};
        Form1 form{f.platform, forms};
        ::testing::internal::CaptureStderr();
        form.Load();
        ::testing::internal::GetCapturedStderr();
        EXPECT_EQ(form.runOutcome, RunOutcome::Started) << line;
        std::string errors;
        for (const std::string& error : f.system.standardError) {
            errors += error;
        }
        if (*said == '\0') {
            EXPECT_EQ(errors, "");
        } else {
            EXPECT_NE(errors.find(said), std::string::npos) << errors;
        }
        EXPECT_EQ(f.disk.files.size(), 3u) << "the list, the settings and the lock only";
    }
}

// Said on standard error whatever the run decides; a request the system refused is also
// logged, and a scheduler's arguments that select no run leave an entry when no window opens.
TEST(Startup, WhatARunCouldNotDoIsSaidAndLogged) {
    for (const auto& [count, noun] : {std::pair{1u, "1 process"}, std::pair{3u, "3 processes"}}) {
        Start s;
        s.f.disk.uninspectedProcesses = count;
        s.f.processes.failure = "exit status 1";
        s.load("-r");
        EXPECT_EQ(s.f.system.standardError.at(0),
                  std::string("vesperon: ") + noun +
                      " could not be inspected (root needs CAP_SYS_PTRACE to see them); files "
                      "they hold count as free");
        EXPECT_EQ(s.form.runOutcome, RunOutcome::Failed);
        EXPECT_EQ(s.f.eventLog.events.size(), 1u) << "the failed request";
    }
    fake::FakePlatform f;
    f.windowing.displayPresent = false;
    f.system.arguments = "-r -f";
    EXPECT_EQ(runApplication(f.platform), 1);
    EXPECT_NE(f.system.standardError.at(0).find("\"-r -f\"; no display"), std::string::npos);
    ASSERT_EQ(f.eventLog.events.size(), 1u);
    EXPECT_NE(f.eventLog.events[0].strings.at(0).find("Arguments:  -r -f"), std::string::npos);
}

// --test over a held file and an entry that cannot be told: every holder, the decision and
// the exit status, in colour or as JSON; what others chose is escaped, never raw.
TEST(Startup, TestShowsEveryEntryAndHolder) {
    fake::FakePlatform f{platform::posixEdition};
    const std::string held = "/srv/a\\b.dat";
    f.disk.addFile(held, "");
    f.disk.inUse.insert(fake::FakeDisk::key(held));
    f.disk.holders[fake::FakeDisk::key(held)] = {{1, "root", "cron\x7f", "open"},
                                                 {2, "bob", "sh", "mapped"}};
    f.disk.addFile("/opt/tools/vesperon.cfg", held + "\r\n");
    auto run = [&](const char* arguments, std::optional<int> status, bool colour = false) {
        f.system.arguments = arguments;
        ::testing::internal::CaptureStdout();
        EXPECT_EQ(runTerminalCommand(f.platform, colour), status) << arguments;
        return ::testing::internal::GetCapturedStdout();
    };
    const std::string json = run("--test --json", 2);
    for (const char* part : {"\"path\":\"/srv/a\\\\b.dat\"", "\"command\":\"cron\\u007f\"",
                             "\"how\":\"open\"},{\"pid\":2,", "\"withheld\":true"}) {
        EXPECT_NE(json.find(part), std::string::npos) << part << json;
    }
    f.disk.addFile("/opt/tools/vesperon.cfg", "relative.dat\r\n");
    const std::string text = run("--test", 2, true);
    EXPECT_NE(text.find("\033[33mundetermined"), std::string::npos) << text;
    EXPECT_EQ(text.find("names no files"), std::string::npos) << text;
    run("--test --x", 1);
    run("-r", std::nullopt);
}

TEST(VersionCaptionTest, IsTheNameTheVersionTheStageAndTheSuffix) {
    EXPECT_EQ(versionCaptionFor(1, 3, 1, "B", "x"), "Vesperon   v1.3.1 BETA  - x");
}

} // namespace
} // namespace vesperon
