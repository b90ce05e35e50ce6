#include "fso/cls_fso.h"
#include "fso/path_text.h"
#include "platform/fake/fake_platform.h"

#include <gtest/gtest.h>

namespace vesperon {
namespace {

struct WindowsStyle : ::testing::Test {
    fake::FakePlatform f;
    clsFSO fso{f.platform};
    void SetUp() override {
        f.disk.addFile("C:\\f.txt");
        f.disk.addFile("C:\\dir\\g.txt");
        f.disk.addDrive('D', {false, 1}); // removable, no media
        f.disk.addDrive('E', {true, 0});  // of no known type
        f.disk.addFile("D:\\h.txt");
        f.disk.addFile("E:\\h.txt");
    }
};

TEST_F(WindowsStyle, FileExistAnswersOnlyForFilesOnReadyKnownDrives) {
    const std::pair<const char*, bool> cases[] = {
        {"C:\\f.txt", true},   {"c:\\DIR\\G.TXT", true},
        {"C:\\dir", false},    {"C:\\dir\\", false},
        {"C:\\", false},       {"C:", false},
        {" C:\\f.txt", false}, {"\\\\srv\\share\\f.txt", false},
        {"f.txt", false},      {"C:\\nodir\\f.txt", false},
        {"D:\\h.txt", false},  {"E:\\h.txt", false},
        {"Q:\\f.txt", false},
    };
    for (const auto& [path, expected] : cases) {
        EXPECT_EQ(fso.File_Exist(path), expected) << path;
    }
    f.fileSystem.queries = 0;
    EXPECT_FALSE(fso.File_Exist("   "));
    EXPECT_EQ(f.fileSystem.queries, 0) << "a blank text asks nothing";
}

TEST_F(WindowsStyle, DriveExistFillsTheDriveRecord) {
    std::int32_t type = 99;
    EXPECT_TRUE(fso.Drive_Exist("c:\\anything", type));
    EXPECT_EQ(type, 2);
    EXPECT_EQ(fso.driveInfo().SerialNumber, "1A2B-3C4D");
    EXPECT_EQ(fso.driveInfo().RootFolder, "C:\\");
    EXPECT_EQ(fso.driveInfo().IsReady, "1");
    for (const char* text : {"C", "", "D:"}) {
        type = 99;
        EXPECT_FALSE(fso.Drive_Exist(text, type)) << text;
        EXPECT_EQ(type, 0);
    }
    EXPECT_FALSE(fso.IsDriveReady("1:"));
    EXPECT_TRUE(fso.IsDriveReady("c"));
    f.disk.addDrive('Z', {}); // Wine's drive for the Linux root
    EXPECT_TRUE(fso.IsDriveReady("z:"));
    EXPECT_THROW(fso.IsDriveReady(""), std::invalid_argument);
}

TEST_F(WindowsStyle, PathTextRoutines) {
    EXPECT_EQ(fso.Add_Trailing_Slash("  C:\\temp  "), "C:\\temp\\");
    EXPECT_EQ(fso.Add_Trailing_Slash("C:\\temp\\"), "C:\\temp\\");
    EXPECT_EQ(fso.Add_Trailing_Slash("   "), "\\");
    EXPECT_EQ(fso.Remove_Trailing_Slash("C:\\a\\\\"), "C:\\a\\");
    EXPECT_EQ(fso.Remove_Trailing_Slash("\\"), "");
    EXPECT_EQ(fso.StripDrive("C:\\dir\\f.txt"), "\\dir\\f.txt");
    EXPECT_EQ(fso.StripDrive("C:"), "");
    EXPECT_EQ(fso.StripDrive("{ABC}"), "{ABC}");
    EXPECT_EQ(fso.StripDrive("\\dir"), "");
    EXPECT_EQ(fso.Folder_Exist("C:\\dir\\"), fso.Folder_Exist("C:\\dir"));
    EXPECT_FALSE(fso.Folder_Exist(""));
    EXPECT_EQ(path_text::windowsParentFolderName("C:\\dir\\f.txt"), "C:\\dir");
    EXPECT_EQ(path_text::windowsParentFolderName("C:\\f.txt"), "C:\\");
    EXPECT_EQ(path_text::windowsParentFolderName("C:\\dir\\"), "C:\\");
}

} // namespace
} // namespace vesperon
