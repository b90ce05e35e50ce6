#include "auxiliary/module2.h"
#include "auxiliary/pause.h"
#include "auxiliary/process_list_window.h"
#include "auxiliary/start_config_prompt.h"
#include "platform/fake/fake_platform.h"

#include <gtest/gtest.h>

namespace vesperon {
namespace {

struct Prompt : ::testing::Test {
    fake::FakePlatform f;
    Forms forms{f.windowing};
    // The window the prompt opens; only its name matters here.
    Form configuration{forms, [] {
                           platform::FormLayout design;
                           design.name = "Form1";
                           return design;
                       }()};
    Form3 prompt{forms, f.platform, configuration};
    void SetUp() override { forms.enableWindows(); }
    const std::vector<std::string>& label2() { return f.windowing.textLog["Form3.Label2"]; }
};

// A click on Start Config ends it sooner: the gallery's window test clicks it for real.
TEST_F(Prompt, CountsDownFromTwelveThenOpensTheConfigurationWindow) {
    prompt.Show();
    std::vector<std::string> expected{"Cancel in 12 seconds"};
    for (int n = 12; n >= 0; --n) {
        expected.push_back("Cancel in " + std::to_string(n) + " seconds");
    }
    EXPECT_EQ(label2(), expected);
    EXPECT_EQ(f.system.sleeps.size(), 13u * 10) << "13 pauses, each to the next whole second";
    EXPECT_FALSE(prompt.Loaded());
    EXPECT_TRUE(configuration.Visible());
    EXPECT_EQ(f.windowing.window("Form1")->shows, 1);
}

TEST(PauseTest, EndsAtTheNextWholeSecondOfTheClock) {
    const std::pair<std::int64_t, std::size_t> cases[] = {
        {0, 10},  // just after a whole second: almost a full second
        {950, 1}, // just before one: at that boundary
    };
    for (const auto& [offset, sleeps] : cases) {
        fake::FakePlatform f;
        f.system.nowMilliseconds = 5'000'000 + offset;
        Pause(f.system, f.windowing, 0.5);
        EXPECT_EQ(f.system.sleeps.size(), sleeps) << offset;
        EXPECT_EQ(f.windowing.pendingMessagePasses, static_cast<int>(sleeps));
    }
}

using Lines = std::vector<std::string>;

std::vector<fake::FakeProcess> processes(int n) {
    std::vector<fake::FakeProcess> list;
    for (int i = 1; i <= n; ++i) {
        list.push_back({static_cast<std::uint32_t>(4 * i), "C:\\p" + std::to_string(i) + ".exe"});
    }
    return list;
}

TEST(ProcessListing, EveryProcessListedAndDeniedProcessesGiveNoLine) {
    fake::FakeProcessListing four;
    four.processes = processes(4);
    four.processes[0].opens = false;
    four.processes[2].modulesListed = false;
    four.processes[3].path = ""; // a failed name query: an empty line
    EXPECT_EQ(listProcesses(four), (Lines{"C:\\p2.exe", ""}));
    EXPECT_EQ(four.closed.size(), 3u) << "every opened process is closed again";
}

TEST(ProcessListWindow, EachClickGivesAFreshList) {
    fake::FakePlatform f;
    Forms forms(f.windowing);
    Form5 window(forms, f.processListing);
    forms.enableWindows();
    f.processListing.processes = processes(2);
    window.Show();
    EXPECT_TRUE(window.List("List1").items.empty()) << "empty until the first click";
    window.userClicks("Command1");
    window.userClicks("Command1");
    EXPECT_EQ(f.windowing.window("Form5")->lists["List1"].first,
              (Lines{"C:\\p1.exe", "C:\\p2.exe"}));
}

} // namespace
} // namespace vesperon
