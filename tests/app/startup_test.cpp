#include "app/application.h"
#include "app/form1.h"
#include "app/run_metrics.h"
#include "app/terminal_command.h"
#include "app/version_caption.h"
#include "config/app_folder.h"
#include "config/check_list_file.h"
#include "config/settings_file.h"
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
    explicit Start(const platform::Edition& edition = platform::windowsEdition) : f{edition} {}
    fake::FakePlatform f;
    Forms forms{f.windowing};
    Form1 form{f.platform, forms};
    void load(const std::string& arguments) {
        f.system.arguments = arguments;
        form.Load();
    }
};

// What each switch and ForceAppsToClose value start.
TEST(Startup, SwitchesAndForceDecideTheRequest) {
    const std::string restart = "shutdown.exe -r -t 60 -c \"Restart by Vesperon\" -d p:4:1";
    const std::string shutdown = "shutdown.exe -s -t 60 -c \"Shutdown by Vesperon\" -d p:4:1";
    const std::tuple<const char*, const char*, std::string> cases[] = {
        {"-r", "", restart},
        {"-S", "", shutdown},
        // Blanks and tabs typed around the switch in a scheduler's argument field.
        {"\t-s\t ", "", shutdown},
        {"-r", "ForceAppsToClose=1",
         "shutdown.exe -r -f -t 60 -c \"Forced Restart by Vesperon\" -d p:4:1"},
        {"-r", "ForceAppsToClose=\"1 \"", restart},
        {"-r", "ForceAppsToClose=yes", restart},
    };
    for (const auto& [arguments, line, commandLine] : cases) {
        SCOPED_TRACE(std::string(arguments) + " " + line);
        Start s;
        s.f.disk.addFile(settingsPath, std::string("[General]\r\n") + line + "\r\n");
        s.load(arguments);
        EXPECT_FALSE(s.form.Loaded());
        ASSERT_EQ(s.f.processes.started.size(), 1u);
        EXPECT_EQ(s.f.processes.started[0].commandLine, commandLine);
        EXPECT_EQ(s.f.processes.started[0].windowStyle, 2);
    }
}

// Without an absolute folder nothing is written or requested.
TEST(Startup, FilesFollowTheExecutable) {
    for (const char* exe : {"", "Tools\\Vesperon.exe", "\\Vesperon.exe"}) {
        fake::FakePlatform f;
        f.system.exePath = exe;
        f.system.arguments = "-r";
        EXPECT_EQ(runApplication(f.platform), 1) << exe;
        EXPECT_TRUE(f.disk.files.empty() && f.processes.started.empty()) << exe;
        EXPECT_NE(f.system.standardError.at(0).find("cannot find the folder"), std::string::npos);
    }
    fake::FakePlatform f;
    f.system.exePath = "C:\\Tools\\Nightly.Reboot.exe";
    EXPECT_EQ(settingsFilePath(f.platform), "C:\\Tools\\Nightly.Reboot.ini");
    f.platform.edition = platform::posixEdition;
    f.system.exePath = "opt/vesperon";
    EXPECT_FALSE(hasAppFolder(f.platform));
    f.system.exePath = "/opt/.vesperon"; // a leading dot starts no extension
    EXPECT_EQ(settingsFilePath(f.platform), "/opt/.vesperon.ini");
}

// Files in the folder it names, the turn lock in the state folder.
TEST(Startup, APackagedBuildKeepsItsFilesInItsConfigurationFolder) {
    Start s{platform::posixEdition};
    fake::FakePlatform& f = s.f;
    f.system.exePath = "/usr/sbin/nightly";
    f.system.configFolder = "/etc/vesperon";
    f.system.stateDir = "/var/lib/vesperon";
    for (const char* folder : {"/usr/sbin", "/etc/vesperon", "/var/lib/vesperon"}) {
        f.disk.addFolder(folder);
    }
    s.load("-r");
    EXPECT_TRUE(f.disk.hasFile("/etc/vesperon/nightly.cfg"));
    EXPECT_TRUE(f.disk.hasFile("/etc/vesperon/nightly.ini"));
    EXPECT_TRUE(f.disk.hasFile("/var/lib/vesperon/nightly.lock"));
}

// Night after night, each run carries on the times of the metrics file it replaces.
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
    const std::string since = "vesperon_withheld_since_timestamp_seconds";
    const std::string request = "vesperon_last_request_timestamp_seconds";
    const std::string last = "vesperon_last_run_timestamp_seconds{mode=";
    // One night's run and the lines of the file after it; "<series>" alone: it is absent.
    auto night = [&](const char* arguments, bool inUse, const std::vector<std::string>& lines,
                     const char* startFailure = "") {
        f.system.unixTime += 1000;
        SCOPED_TRACE(std::string(arguments) + " at " + std::to_string(f.system.unixTime));
        f.system.arguments = arguments;
        f.processes.failure = startFailure;
        f.disk.inUse.clear();
        if (inUse) {
            f.disk.inUse.insert("/srv/job.dat");
        }
        ::testing::internal::CaptureStdout();
        if (!runTerminalCommand(f.platform, false)) {
            runApplication(f.platform);
        }
        ::testing::internal::GetCapturedStdout();
        const std::string text = "\n" + f.disk.bytesOf(prom);
        for (const std::string& line : lines) {
            const bool absent = line.find(' ') == std::string::npos;
            EXPECT_EQ(text.find("\n" + line + (absent ? " " : "\n")) == std::string::npos, absent)
                << line << text;
        }
    };
    night("-r", true,
          {since + " 1000", request, last + "\"restart\"} 1000", last + "\"test\"}",
           "vesperon_last_run_entries{state=\"missing\"} 1",
           "vesperon_last_run_entries{state=\"undetermined\"} 0"});
    // Withheld again: the run of withheld nights began at the first.
    night("-s", true, {since + " 1000", last + "\"restart\"} 1000", last + "\"shutdown\"} 2000"});
    // A test by hand neither ends nor starts it, whatever it finds.
    night("--test", false, {since + " 1000", request, last + "\"test\"} 3000"});
    night("-r", false, {since, request + " 4000"});
    EXPECT_EQ(f.system.standardError, std::vector<std::string>{});
    // A request that failed keeps the time of the last one that started.
    night("-r", false, {since, request + " 4000", last + "\"restart\"} 5000"}, "exit status 1");
    // Where no metrics can go, the run says so and still makes its request.
    for (const auto& [folder, said] :
         {std::pair{"metrics", "not an absolute folder"},
          std::pair{"/nowhere", "cannot write the metrics file /nowhere/vesperon.prom"}}) {
        f.system.standardError.clear();
        f.disk.addFile("/opt/tools/vesperon.ini",
                       std::string("[Metrics]\r\nTextfileDirectory=") + folder + "\r\n");
        const std::size_t requests = f.processes.started.size();
        night("-r", false, {});
        EXPECT_EQ(f.processes.started.size(), requests + 1);
        EXPECT_NE(f.system.standardError.at(0).find(said), std::string::npos) << folder;
    }
}

// Said on standard error; a refused request, and arguments no window can show, also logged.
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

// Holders, decision and exit status, in colour or as JSON; what others chose is escaped.
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

// The configuration window as a user sees it: loaded without a switch, then shown.
struct ConfigurationWindow : ::testing::Test, Start {
    void open() {
        load("");
        forms.enableWindows();
        form.Show();
    }
};

// Opened with the file's settings, each click writes its switch at once.
TEST_F(ConfigurationWindow, OpensWithTheSettingsOfTheFileAndEachClickWritesItsSwitch) {
    f.disk.addFile(listPath, "C:\\data.mdb");
    f.disk.addFile(settingsPath, "[General]\r\nForceAppsToClose=1\r\n");
    open();
    EXPECT_EQ(f.disk.bytesOf(listPath), "C:\\data.mdb") << "an existing list is never completed";
    auto* window = f.windowing.window("Form1");
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->caption, "Vesperon   v1.3");
    EXPECT_EQ(versionCaptionFor(1, 3, 1, "B", "x"), "Vesperon   v1.3.1 BETA  - x");
    EXPECT_EQ(window->checks["ForceCheck"], 1);
    EXPECT_EQ(window->checks.count("WriteEventCheck"), 0u) << "a missing key leaves its box clear";
    form.userClicks("ForceCheck");
    EXPECT_EQ(f.disk.bytesOf(settingsPath), "[General]\r\nForceAppsToClose=0\r\n");
    form.userClicks("ForceCheck");
    form.userClicks("WriteEventCheck");
    const std::string settings =
        "[General]\r\nForceAppsToClose=1\r\n[EventLog]\r\nWriteToNTEventLog=1\r\n";
    EXPECT_EQ(f.disk.bytesOf(settingsPath), settings);
    // One that cannot be saved is said, and the box shows what the file holds.
    f.disk.readOnly.insert(fake::FakeDisk::key(settingsPath));
    form.userClicks("WriteEventCheck");
    ASSERT_EQ(f.windowing.messages.size(), 1u);
    EXPECT_EQ(f.windowing.messages[0].prompt,
              "Could not save the setting in " + settingsPath + ": Access is denied. (error 5)");
    EXPECT_EQ(window->checks["WriteEventCheck"], 1);
    EXPECT_EQ(f.disk.bytesOf(settingsPath), settings);
}

// Nor are the files completed or repaired, even where the drive's existence check cannot answer.
TEST_F(ConfigurationWindow, UnreadableSettingsCountAsTheDefaultsAndSaySo) {
    f.disk.addFile(listPath, "C:\\data.mdb");
    f.disk.addFile(settingsPath, "[EventLog]\r\nWriteToNTEventLog=0\r\n");
    f.disk.unreadable.insert(fake::FakeDisk::key(settingsPath));
    f.disk.drives['C'].type = 0;
    open();
    EXPECT_EQ(f.disk.bytesOf(listPath) + f.disk.bytesOf(settingsPath),
              "C:\\data.mdb[EventLog]\r\nWriteToNTEventLog=0\r\n");
    EXPECT_EQ(form.Value("WriteEventCheck"), 1);
    EXPECT_EQ(form.Value("ForceCheck"), 0);
    EXPECT_EQ(f.system.standardError,
              std::vector<std::string>{"vesperon: cannot read the settings file " + settingsPath +
                                       ": Access is denied. (error 5); using the defaults (log "
                                       "on, force off)"});
    f.disk.addFile("C:\\long.ini", "[s]\r\nk=" + std::string(300, 'x') + "\r\n");
    EXPECT_EQ(ReadIniValue(f.profile, "C:\\long.ini", "s", "k"), std::string(254, 'x'))
        << "values are read through a buffer of 255";
}

TEST_F(ConfigurationWindow, TestNowListsFilesInUseInListOrder) {
    f.disk.addFile(listPath, checkListHeader() + "\r\nC:\\b.mdb\r\nC:\\free.txt\r\nC:\\a.mdb\r\n");
    for (const char* path : {"C:\\a.mdb", "C:\\b.mdb", "C:\\free.txt"}) {
        f.disk.addFile(path);
    }
    open();
    f.disk.inUse = {"c:\\a.mdb", "c:\\b.mdb"};
    form.userClicks("ConfigTest");
    EXPECT_TRUE(form.results().Visible());
    EXPECT_EQ(f.windowing.window("Form2")->lists["List1"].first,
              (std::vector<std::string>{"C:\\b.mdb", "C:\\a.mdb"}));
    EXPECT_TRUE(f.windowing.messages.empty());
    EXPECT_EQ(f.eventLog.events.size(), 1u) << "a test is a full check run, event included";
    // Freed again: the open results window is emptied and the message says so.
    f.disk.inUse.clear();
    form.userClicks("ConfigTest");
    EXPECT_TRUE(form.results().List("List1").items.empty() && form.results().Visible());
    ASSERT_EQ(f.windowing.messages.size(), 1u);
    EXPECT_EQ(f.windowing.messages[0].title + "|" + f.windowing.messages[0].prompt,
              "Vesperon|Found no in-use files, this system would shutdown.");
    EXPECT_TRUE(f.processes.started.empty()) << "a test never shuts anything down";
}

TEST_F(ConfigurationWindow, ViewEditRecreatesAMissingListAndOpensOneEditor) {
    open();
    f.disk.removeFile(listPath);
    form.userClicks("ConfigEdit");
    EXPECT_EQ(f.disk.bytesOf(listPath), checkListHeader() + "\r\n");
    EXPECT_TRUE(form.editor().Visible());
    EXPECT_TRUE(form.editor().List("List1").items.empty());
    f.disk.addFile(listPath, checkListHeader() + "\r\nC:\\new.txt\r\n");
    form.userClicks("ConfigEdit");
    EXPECT_EQ(f.windowing.window("form4")->shows, 2) << "brought forward";
    EXPECT_TRUE(form.editor().List("List1").items.empty()) << "not reloaded";
    // Closing the window unloads every other.
    form.userClicks("ConfigTest"); // loads the results window, hidden
    ASSERT_EQ(forms.loaded().size(), 3u);
    f.windowing.events["Form1"]->closeRequested();
    EXPECT_TRUE(forms.empty()) << "the process ends with its last window";
    EXPECT_EQ(f.files.closeAllCalls, 1);
}

TEST_F(ConfigurationWindow, CheckFileRemovesQuotesFromTheCallersText) {
    std::string path = "\"C:\\Da\"ta\\x.txt\"";
    EXPECT_FALSE(form.CheckFile(path));
    EXPECT_EQ(path, "C:\\Data\\x.txt");
    EXPECT_EQ(form.sCheckMsg, "") << "a missing file sets no message";
    // A NUL would cut the name where the system takes it: the file before it is not the one.
    f.disk.addFile("C:\\Data\\x.txt");
    std::string cut("C:\\Data\\x.txt\0.bak", 18);
    EXPECT_TRUE(form.CheckFile(cut));
}

} // namespace
} // namespace vesperon
