#include "app/form1.h"
#include "config/check_list_file.h"
#include "platform/fake/fake_platform.h"

#include <gtest/gtest.h>

namespace vesperon {
namespace {

const std::string settingsPath = "C:\\Tools\\Vesperon.ini";
const std::string listPath = "C:\\Tools\\Vesperon.cfg";

// The configuration window as a user sees it: loaded without a switch, then shown.
struct ConfigurationWindow : ::testing::Test {
    fake::FakePlatform f;
    Forms forms{f.windowing};
    Form1 form{f.platform, forms};
    void open() {
        form.Load();
        forms.enableWindows();
        form.Show();
    }
};

TEST_F(ConfigurationWindow, OpensWithTheSettingsOfTheFileAndFocusOnViewEdit) {
    f.disk.addFile(settingsPath, "[General]\r\nForceAppsToClose=1\r\n");
    open();
    auto* window = f.windowing.window("Form1");
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->caption, "Vesperon   v1.3");
    EXPECT_EQ(window->checks["ForceCheck"], 1);
    EXPECT_EQ(window->checks.count("WriteEventCheck"), 0u) << "a missing key leaves its box clear";
    EXPECT_EQ(window->focus, "ConfigEdit");
}

TEST_F(ConfigurationWindow, EachClickWritesItsSwitchAtOnce) {
    open();
    form.userClicks("ForceCheck");
    EXPECT_EQ(f.disk.bytesOf(settingsPath),
              "[EventLog]\r\nWriteToNTEventLog=1\r\n[General]\r\nForceAppsToClose=1\r\n");
    form.userClicks("ForceCheck");
    form.userClicks("WriteEventCheck");
    EXPECT_EQ(f.disk.bytesOf(settingsPath),
              "[EventLog]\r\nWriteToNTEventLog=0\r\n[General]\r\nForceAppsToClose=0\r\n");
    EXPECT_EQ(f.windowing.window("Form1")->checks["WriteEventCheck"], 0);
}

TEST_F(ConfigurationWindow, SettingThatCannotBeSavedIsSaidAndTheBoxPutBack) {
    const std::string settings = "[EventLog]\r\nWriteToNTEventLog=1\r\n";
    f.disk.addFile(settingsPath, settings);
    f.disk.readOnly.insert(fake::FakeDisk::key(settingsPath));
    open();
    form.userClicks("WriteEventCheck");
    ASSERT_EQ(f.windowing.messages.size(), 1u);
    EXPECT_EQ(f.windowing.messages[0].prompt,
              "Could not save the setting in " + settingsPath + ": Access is denied. (error 5)");
    EXPECT_EQ(f.windowing.window("Form1")->checks["WriteEventCheck"], 1) << "what the file holds";
    EXPECT_EQ(f.disk.bytesOf(settingsPath), settings);
}

TEST_F(ConfigurationWindow, UnreadableSettingsCountAsTheDefaultsAndSaySo) {
    f.disk.addFile(settingsPath, "[EventLog]\r\nWriteToNTEventLog=0\r\n");
    f.disk.unreadable.insert(fake::FakeDisk::key(settingsPath));
    open();
    EXPECT_EQ(form.Value("WriteEventCheck"), 1);
    EXPECT_EQ(form.Value("ForceCheck"), 0);
    EXPECT_EQ(f.system.standardError,
              std::vector<std::string>{"vesperon: cannot read the settings file " + settingsPath +
                                       ": Access is denied. (error 5); using the defaults (log "
                                       "on, force off)"});
}

TEST_F(ConfigurationWindow, TestNowListsFilesInUseInListOrder) {
    f.disk.addFile(listPath, checkListHeader() + "\r\nC:\\b.mdb\r\nC:\\free.txt\r\nC:\\a.mdb\r\n");
    for (const char* path : {"C:\\a.mdb", "C:\\b.mdb", "C:\\free.txt"}) {
        f.disk.addFile(path);
    }
    open();
    form.userClicks("ConfigTest"); // nothing in use: the results load, hidden
    EXPECT_TRUE(form.results().Loaded());
    EXPECT_FALSE(form.results().Visible());
    f.windowing.messages.clear();

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
    EXPECT_TRUE(form.results().List("List1").items.empty());
    EXPECT_TRUE(form.results().Visible());
    ASSERT_EQ(f.windowing.messages.size(), 1u);
    EXPECT_EQ(f.windowing.messages[0].prompt, "Found no in-use files, this system would shutdown.");
    EXPECT_EQ(f.windowing.messages[0].buttons, 0);
    EXPECT_EQ(f.windowing.messages[0].title, "Vesperon");
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
}

TEST_F(ConfigurationWindow, ClosingItUnloadsEveryOtherWindow) {
    open();
    form.userClicks("ConfigEdit");
    form.userClicks("ConfigTest"); // loads the results window, hidden
    ASSERT_EQ(forms.loaded().size(), 3u);
    f.windowing.events["Form1"]->closeRequested();
    EXPECT_TRUE(forms.empty()) << "the process ends with its last window";
    EXPECT_EQ(f.windowing.window("Form1"), nullptr);
    EXPECT_EQ(f.windowing.window("form4"), nullptr);
    EXPECT_EQ(f.files.closeAllCalls, 1);
}

TEST(CheckFileTest, QuotesAreRemovedFromTheCallersText) {
    fake::FakePlatform f;
    Forms forms(f.windowing);
    Form1 form(f.platform, forms);
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
