#include "base/path_text.h"
#include "fso/cls_fso.h"
#include "platform/fake/fake_platform.h"

#include <functional>
#include <gtest/gtest.h>
#include <regex>
#include <set>

namespace vesperon {
namespace {

// What only the fake disk can stage; the rest runs on the real backends (fso_cases.h).
struct WindowsStyle : ::testing::Test {
    fake::FakePlatform f;
    clsFSO fso{f.platform};
    // Each message box shown, as "title|buttons|prompt".
    std::vector<std::string> shown() const {
        std::vector<std::string> boxes;
        for (const auto& m : f.windowing.messages) {
            boxes.push_back(m.title + "|" + std::to_string(m.buttons) + "|" + m.prompt);
        }
        return boxes;
    }
};

TEST_F(WindowsStyle, FilesExistOnlyOnReadyKnownDrives) {
    f.disk.addFile("C:\\dir\\g.txt");
    f.disk.addDrive('D', {false, 1}); // removable, no media
    f.disk.addFile("D:\\h.txt");
    EXPECT_TRUE(fso.File_Exist("c:\\DIR\\G.TXT"));
    for (const char* path :
         {"C:\\dir\\", "C:", "\\\\srv\\share\\f.txt", "D:\\h.txt", "Q:\\f.txt"}) {
        EXPECT_FALSE(fso.File_Exist(path)) << path;
    }
    // Drive_Exist fills the drive record.
    std::int32_t type = 99;
    EXPECT_TRUE(fso.Drive_Exist("c:\\anything", type));
    EXPECT_EQ(type, 2);
    EXPECT_EQ(fso.driveInfo().SerialNumber, "1A2B-3C4D");
    EXPECT_EQ(fso.driveInfo().IsReady, "1");
    EXPECT_FALSE(fso.Drive_Exist("D:", type));
    EXPECT_EQ(type, 0);
    f.disk.addDrive('Z', {}); // Wine's drive for the Linux root
    EXPECT_TRUE(fso.IsDriveReady("z:"));
    EXPECT_THROW(fso.IsDriveReady(""), std::invalid_argument);
}

TEST_F(WindowsStyle, PathTextAndShrinkToFit) {
    const std::pair<std::string, std::string> cases[] = {
        {fso.Add_Trailing_Slash("  C:\\temp  "), "C:\\temp\\"},
        {fso.Remove_Trailing_Slash("C:\\a\\\\"), "C:\\a\\"},
        {fso.StripDrive("C:\\dir\\f.txt"), "\\dir\\f.txt"},
        {path_text::windowsParentFolderName("C:\\f.txt"), "C:\\"},
        {fso.Remove_Nulls(std::string("C:\\Temp\\\0junk", 13)), "C:\\Temp\\"},
        {fso.Get_Extension("C:\\dir\\archive.tar.gz"), "gz"},
        {fso.Get_Extension("C:\\dir.d\\README"), ""},
        {fso.Get_Filename("C:\\dir\\"), "dir"},
        {fso.Get_Path("C:\\dir\\f.txt"), "C:\\dir"},
        {fso.Shrink_2_Fit("C:\\Program Files\\Some Folder\\Sub\\file.txt", 30),
         "C:\\...\\Sub\\file.txt"},
        {fso.Shrink_2_Fit("\\\\server\\share\\folder\\deeper\\file.txt", 25),
         "\\\\server\\...\\file.txt"},
        {fso.Shrink_2_Fit("C:\\x\\averyveryverylongfilename.txt", 12),
         "C:\\...\\averyveryverylongfilename.txt"},
    };
    for (const auto& [got, expected] : cases) {
        EXPECT_EQ(got, expected);
    }
}

TEST_F(WindowsStyle, TemporaryNamesFilesAndFolders) {
    EXPECT_EQ(fso.Create_Tmp_Name(0), "");
    std::set<char> seen;
    for (int i = 0; i < 200; ++i) {
        const std::string name = fso.Create_Tmp_Name(8);
        ASSERT_TRUE(std::regex_match(name, std::regex("_[0-9a-y]{7}"))) << name;
        seen.insert(name.begin() + 1, name.end());
    }
    EXPECT_GT(seen.size(), 30u) << "names vary although the clock stood still";
    const int passes = f.windowing.pendingMessagePasses;
    fso.Rnd2(48, 122);
    EXPECT_EQ(f.windowing.pendingMessagePasses, passes + 1) << "every draw lets handlers run";
    // Temporary files and folders go in the system's folder.
    f.disk.addFolder("C:\\Temp");
    std::string folder = "  ";
    EXPECT_EQ(fso.Create_Tmp_Filename(folder).rfind("C:\\Temp\\_", 0), 0u);
    EXPECT_EQ(folder, "C:\\Temp\\") << "the caller's variable is filled";
    std::string missing = "C:\\Nowhere\\";
    EXPECT_EQ(fso.Create_Tmp_Filename(missing), std::string(260, ' '));
    const std::string made = fso.Create_Tmp_Folder();
    EXPECT_EQ(made.size(), std::string("C:\\Temp\\_1234567\\").size()) << made;
    EXPECT_TRUE(f.disk.hasFolder(made));
}

// 2.15 GB from the older call: its products no longer overflow.
TEST_F(WindowsStyle, DiskSpaceFromTheOlderCallDoesNotOverflow) {
    f.fileSystem.diskSpace.reset();
    f.fileSystem.diskGeometry = platform::DiskGeometry{64, 512, 32'768, 65'600};
    double total = 0, free = 0, used = 0;
    ASSERT_TRUE(fso.Get_Disk_Space("C:", total, free, used));
    EXPECT_EQ(std::make_tuple(total, free, used),
              std::make_tuple(2'149'580'800.0, 1'073'741'824.0, 1'075'838'976.0));
}

using platform::msgbox::no;
using platform::msgbox::yes;

// A name holding ";" splits the folder's list; the piece "b.txt" must not reach a file elsewhere.
TEST_F(WindowsStyle, KillDirAndCreateDirStruct) {
    f.disk.addFile("C:\\K\\x;b.txt");
    f.disk.inUse.insert(fake::FakeDisk::key("C:\\K\\x;b.txt"));
    f.disk.addFile("b.txt");
    EXPECT_FALSE(fso.KillDir("C:\\K", true));
    EXPECT_TRUE(f.disk.hasFile("b.txt"));
    EXPECT_TRUE(fso.KillDir("C:\\New\\A\\B", true));
    EXPECT_TRUE(f.disk.hasFolder("C:\\New\\A\\B"));
    EXPECT_TRUE(f.windowing.messages.empty());
    EXPECT_TRUE(fso.KillDir("Q:\\x", true));
    EXPECT_FALSE(fso.Create_Dir_Struct("   "));
    EXPECT_EQ(shown(),
              (std::vector<std::string>{"Error creating folder|64|Error: 76  Path not found\r\n\r\n"
                                        "An error occured while trying to create Q:",
                                        "Vesperon|0|Error recreating:  \r\nQ:\\x"}));
}

// Moves and copies ask with the last file record and name both paths when they fail.
TEST_F(WindowsStyle, Transfers) {
    f.disk.addFile("C:\\S\\src.txt", "new");
    f.disk.meta("C:\\S\\src.txt").attributes = 34; // hidden, archive
    f.disk.addFile("C:\\T\\dst.txt", "old");
    f.disk.readOnly.insert(fake::FakeDisk::key("C:\\T\\dst.txt"));
    f.disk.addFile("C:\\I\\info.txt", "12345");
    f.disk.meta("C:\\I\\info.txt").modified = "2/3/2024 4:05:06 PM";
    ASSERT_TRUE(fso.Get_FileInfo("C:\\I\\info.txt"));
    f.windowing.answers = {no, yes};
    EXPECT_FALSE(fso.Move_File("C:\\S\\src.txt", "C:\\T\\dst.txt"));
    EXPECT_EQ(f.disk.bytesOf("C:\\S\\src.txt"), "new");
    EXPECT_EQ(f.disk.bytesOf("C:\\T\\dst.txt"), "old");
    EXPECT_TRUE(fso.Move_File("C:\\S\\src.txt", "C:\\T\\dst.txt"));
    ASSERT_TRUE(fso.Get_FileInfo("C:\\T\\dst.txt"));
    EXPECT_EQ(fso.fileInfo().Attributes, "HA");
    EXPECT_FALSE(fso.Move_File("C:\\S\\none.txt", "C:\\T\\new.txt"));
    const std::string ask = "Replace File?|36|File already exist at\r\nC:\\T\\dst.txt\r\n"
                            "2/3/2024 4:05:06 PM\r\n5\r\n\r\nDo you want to replace it?";
    EXPECT_EQ(shown(), (std::vector<std::string>{
                           ask, ask,
                           "Errors detected|64|Error: 53  File not found\r\n\r\nError while "
                           "moving a file\r\n\r\nFROM: C:\\S\\none.txt\r\nTO: C:\\T\\new.txt"}));
}

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

struct Listings : WindowsStyle {
    Recorder events;
    void SetUp() override {
        fso.setEvents(&events);
        f.disk.addFile("C:\\D\\a.txt", std::string(10, 'x'));
        f.disk.addFile("C:\\D\\b.TXT", std::string(20, 'x'));
        f.disk.addFile("C:\\D\\c.log");
        f.disk.addFile("C:\\D\\Sub\\d.txt", "abc");
    }
};

TEST_F(Listings, FileListMatchesExtensionsWithoutRegardToCaseCountsThemAndStopsWhenCancelled) {
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
    EXPECT_EQ(fso.Get_FileList("C:\\D", true, "readme.txt"), all) << "no * lists every file";
    EXPECT_EQ(fso.Count(), 10);
    EXPECT_TRUE(events.files.empty());
    // Cancelled before a walk, and during one.
    fso.CancelProcessing(-1);
    f.fileSystem.queries = 0;
    EXPECT_EQ(fso.Get_FileList("C:\\D"), "");
    EXPECT_EQ(f.fileSystem.queries, 0) << "the file system is not touched";
    fso.CancelProcessing(0);
    events.onFile = [&](double&) { fso.CancelProcessing(-1); };
    EXPECT_EQ(fso.Get_FileList("C:\\D", true, "*.txt"), "")
        << "what this folder gathered is dropped";
    EXPECT_EQ(events.files.size(), 1u);
    EXPECT_NE(fso.CancelProcessing(), 0) << "stays set";
}

// Sizes (1), or files modified (3), created (4) or accessed (2) on or after a day.
TEST_F(Listings, TotalsRaiseRunningTotalsAndBadInputTotalsZero) {
    f.disk.meta("C:\\D\\a.txt").modified = "3/15/2024 11:59:59 PM";
    f.disk.meta("C:\\D\\b.TXT").modified = "3/14/2024 8:00:00 AM";
    f.disk.meta("C:\\D\\c.log").created = "3/16/2024 1:00:00 AM";
    EXPECT_EQ(fso.Get_Totals("C:\\D", 3, "3/15/2024", false), "1");
    EXPECT_EQ(events.totals, (Raised{{1, "C:\\D\\a.txt"}}));
    EXPECT_EQ(fso.Get_Totals("C:\\D", 4, "3/16/2024", false), "1");
    EXPECT_EQ(fso.Get_Totals("C:\\D", 2, "1/1/2024"), "4");
    events.totals.clear();
    EXPECT_EQ(fso.Get_Totals("C:\\D", 1, "*.txt", false), "30");
    EXPECT_EQ(events.totals, (Raised{{10, "C:\\D\\a.txt"}, {30, "C:\\D\\b.TXT"}}));
    EXPECT_EQ(fso.Get_Totals("C:\\D\\Sub"), "3");
    // Bad types, folders and dates, and an error inside the walk, all total zero.
    EXPECT_EQ(fso.Get_Totals("C:\\D", 5), "0");
    for (const char* date : {"2/29/2000", "1/31/2024", "12/31/2023 23:59:59"}) {
        fso.Get_Totals("C:\\D", 3, date);
    }
    EXPECT_TRUE(f.windowing.messages.empty());
    for (const char* date : {"not a date", "2/29/2100", "1/1/2024 24:00:00"}) {
        EXPECT_EQ(fso.Get_Totals("C:\\D", 2, date), "0") << date;
    }
    f.disk.meta("C:\\D\\b.TXT").accessed = "garbled";
    EXPECT_EQ(fso.Get_Totals("C:\\D", 2, "1/1/2020"), "0");
    EXPECT_EQ(shown(),
              (std::vector<std::string>{
                  "Invalid date format|64|An invalid date was passed.",
                  "Invalid date format|64|An invalid date was passed.",
                  "Invalid date format|64|An invalid date was passed.",
                  "Errors detected|64|Error: 13  Type mismatch\r\n\r\nFile: C:\\D\\b.TXT\r\n"
                  "Size: 20\r\nCreated:  1/1/2024 12:00:00 PM\r\nModified: 3/14/2024 "
                  "8:00:00 AM\r\nAccessed: garbled"}));
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
}

} // namespace
} // namespace vesperon
