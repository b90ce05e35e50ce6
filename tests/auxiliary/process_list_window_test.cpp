#include "auxiliary/module2.h"
#include "auxiliary/process_list_window.h"
#include "platform/fake/fake_platform.h"

#include <gtest/gtest.h>

namespace vesperon {
namespace {

using Lines = std::vector<std::string>;

std::vector<fake::FakeProcess> processes(int n) {
    std::vector<fake::FakeProcess> list;
    for (int i = 1; i <= n; ++i) {
        list.push_back({static_cast<std::uint32_t>(4 * i), "C:\\p" + std::to_string(i) + ".exe"});
    }
    return list;
}

TEST(ProcessListing, EveryProcessListedAndDeniedProcessesGiveNoLine) {
    fake::FakeProcessListing three;
    three.processes = processes(3);
    EXPECT_EQ(listProcesses(three), (Lines{"C:\\p1.exe", "C:\\p2.exe", "C:\\p3.exe"}));

    fake::FakeProcessListing four;
    four.processes = processes(4);
    four.processes[0].opens = false;
    four.processes[2].modulesListed = false;
    four.processes[3].path = ""; // a failed name query: an empty line
    EXPECT_EQ(listProcesses(four), (Lines{"C:\\p2.exe", ""}));
    EXPECT_EQ(four.closed.size(), 3u) << "every opened process is closed again";
}

TEST(ProcessListing, SnapshotBranchAndUnknownPlatforms) {
    fake::FakeProcessListing listing;
    listing.id = 1;
    listing.processes = processes(2);
    EXPECT_EQ(listProcesses(listing), (Lines{"C:\\p1.exe", "C:\\p2.exe"}));
    listing.snapshotFails = true;
    EXPECT_TRUE(listProcesses(listing).empty());
    listing.id = 3;
    listing.snapshotFails = false;
    EXPECT_TRUE(listProcesses(listing).empty());
    EXPECT_TRUE(listing.enumCalls.empty());
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
