#include "fso/cls_fso.h"
#include "platform/fake/fake_platform.h"

#include <functional>
#include <gtest/gtest.h>

namespace vesperon {
namespace {

using Raised = std::vector<std::pair<double, std::string>>;

struct Recorder : clsFSOEvents {
    Raised files, totals;
    std::function<void(double&)> onFile;
    void CountFiles(double& count, const std::string& path) override {
        files.emplace_back(count, path);
        if (onFile) {
            onFile(count);
        }
    }
    void CountTotals(double& count, const std::string& text) override {
        totals.emplace_back(count, text);
    }
};

struct Listings : ::testing::Test {
    fake::FakePlatform f;
    clsFSO fso{f.platform};
    Recorder events;
    void SetUp() override {
        fso.setEvents(&events);
        f.disk.addFile("C:\\D\\a.txt", std::string(10, 'x'));
        f.disk.addFile("C:\\D\\b.TXT", std::string(20, 'x'));
        f.disk.addFile("C:\\D\\c.log");
        f.disk.addFile("C:\\D\\Sub\\d.txt", "abc");
        f.disk.addFolder("C:\\D\\Empty");
    }
};

TEST_F(Listings, FileListMatchesExtensionsWithoutRegardToCaseAndCountsThem) {
    fso.Count(5);
    EXPECT_EQ(fso.Get_FileList("C:\\D", false, "*.txt"), "C:\\D\\a.txt;C:\\D\\b.TXT;");
    EXPECT_EQ(fso.Count(), 7);
    EXPECT_EQ(events.files, (Raised{{6, "C:\\D\\a.txt"}, {7, "C:\\D\\b.TXT"}}));
    EXPECT_EQ(fso.Get_FileList("C:\\D\\", true, "a*.TXT"),
              "C:\\D\\a.txt;C:\\D\\b.TXT;C:\\D\\Sub\\d.txt;")
        << "own files first, then subfolders; the name part of the pattern is ignored";
    EXPECT_EQ(fso.Count(), 10);

    events.files.clear();
    const std::string all = "C:\\D\\a.txt;C:\\D\\b.TXT;C:\\D\\c.log;C:\\D\\Sub\\d.txt;";
    EXPECT_EQ(fso.Get_FileList("C:\\D"), all);
    EXPECT_EQ(fso.Get_FileList("C:\\D", true, "readme.txt"), all) << "no * lists every file";
    EXPECT_EQ(fso.Count(), 10);
    EXPECT_TRUE(events.files.empty());
    EXPECT_EQ(fso.Get_FileList("C:\\D\\Empty"), "");
    events.onFile = [](double& count) { count *= 10; }; // a handler changes the count itself
    fso.Get_FileList("C:\\D", false, "*.txt");
    EXPECT_EQ(fso.Count(), 1110);
}

TEST_F(Listings, CancellationBeforeAndDuringAWalk) {
    fso.CancelProcessing(-1);
    f.fileSystem.queries = 0;
    EXPECT_EQ(fso.Get_FileList("C:\\D"), "");
    EXPECT_EQ(f.fileSystem.queries, 0) << "the file system is not touched";
    EXPECT_EQ(fso.Get_DirList("C:\\D"), "");

    fso.CancelProcessing(0);
    events.onFile = [&](double&) { fso.CancelProcessing(-1); };
    EXPECT_EQ(fso.Get_FileList("C:\\D", true, "*.txt"), "")
        << "what this folder gathered is dropped";
    EXPECT_EQ(events.files.size(), 1u);

    // Stopped inside the subfolder: the top folder keeps its own files.
    fso.CancelProcessing(0);
    events.files.clear();
    events.onFile = [&](double&) {
        if (events.files.size() == 3) {
            fso.CancelProcessing(-1);
        }
    };
    EXPECT_EQ(fso.Get_FileList("C:\\D", true, "*.txt"), "C:\\D\\a.txt;C:\\D\\b.TXT;");
    EXPECT_NE(fso.CancelProcessing(), 0) << "stays set";
}

// Sizes (1), or files modified (3), created (4) or accessed (2) on or after a day.
TEST_F(Listings, TotalsRaiseRunningTotals) {
    f.disk.meta("C:\\D\\a.txt").modified = "3/15/2024 11:59:59 PM";
    f.disk.meta("C:\\D\\b.TXT").modified = "3/14/2024 8:00:00 AM";
    f.disk.meta("C:\\D\\c.log").created = "3/16/2024 1:00:00 AM";
    EXPECT_EQ(fso.Get_Totals("C:\\D", 3, "3/15/2024", false), "1");
    EXPECT_EQ(events.totals, (Raised{{1, "C:\\D\\a.txt"}}));
    EXPECT_EQ(fso.Get_Totals("C:\\D", 4, "3/16/2024", false), "1");
    EXPECT_EQ(fso.Get_Totals("C:\\D", 2, "1/1/2024"), "4");
    EXPECT_EQ(fso.Count(), 0) << "a date pattern lists every file without counting";
    events.totals.clear();
    EXPECT_EQ(fso.Get_Totals("C:\\D", 1, "*.txt", false), "30");
    EXPECT_EQ(events.totals, (Raised{{10, "C:\\D\\a.txt"}, {30, "C:\\D\\b.TXT"}}));
    EXPECT_EQ(fso.Get_Totals("C:\\D\\Sub"), "3");
    EXPECT_EQ(fso.fileInfo().Path, "C:\\D\\Sub\\d.txt") << "the last file examined";
    EXPECT_EQ(fso.Get_Totals("C:\\D\\Empty"), "0");
}

// Bad types, folders and dates, and an error inside the walk, all total zero.
TEST_F(Listings, TotalsOfBadInputOrAFailedWalkAreZero) {
    for (std::int16_t type : {0, 5, -1}) {
        EXPECT_EQ(fso.Get_Totals("C:\\D", type), "0") << type;
    }
    EXPECT_EQ(fso.Get_Totals("   ", 1), "0");
    EXPECT_TRUE(f.windowing.messages.empty());
    EXPECT_EQ(fso.Get_Totals("C:\\D", 2, "not a date"), "0");
    f.disk.meta("C:\\D\\b.TXT").accessed = "garbled";
    EXPECT_EQ(fso.Get_Totals("C:\\D", 2, "1/1/2020"), "0");
    const auto& shown = f.windowing.messages;
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[0].title + "|" + shown[0].prompt,
              "Invalid date format|An invalid date was passed.");
    EXPECT_EQ(shown[1].title + "|" + shown[1].prompt,
              "Errors detected|Error: 13  Type mismatch\r\n\r\nFile: C:\\D\\b.TXT\r\nSize: 20\r\n"
              "Created:  1/1/2024 12:00:00 PM\r\nModified: 1/1/2024 12:00:00 PM\r\n"
              "Accessed: garbled");
    EXPECT_EQ(shown[0].buttons + shown[1].buttons, 128) << "both informational";
}

TEST_F(Listings, TextSearch) {
    EXPECT_EQ(fso.TextSearch("C:\\D", "abc"), (std::vector<std::string>{"N/A", ""}))
        << "subfolders are not searched";
    for (int i = 0; i < 150; ++i) {
        f.disk.addFile("C:\\Many\\f" + std::to_string(1000 + i) + ".txt", "needle");
    }
    f.disk.addFile("C:\\Many\\other.txt", "hay");
    const auto found = fso.TextSearch("C:\\Many", "NEEDLE");
    ASSERT_EQ(found.size(), 150u);
    EXPECT_EQ(found.front(), "C:\\Many\\f1000.txt");
    EXPECT_EQ(found.back(), "C:\\Many\\f1149.txt");
    f.disk.unreadable.insert(fake::FakeDisk::key("C:\\Many\\other.txt"));
    EXPECT_THROW(fso.TextSearch("C:\\Many", "x"), FsoError);
    EXPECT_THROW(fso.TextSearch("C:\\Missing", "x"), FsoError);
}

} // namespace
} // namespace vesperon
