#include "fso/cls_fso.h"
#include "platform/fake/fake_platform.h"

#include <gtest/gtest.h>

namespace vesperon {
namespace {

using platform::msgbox::no;
using platform::msgbox::yes;

struct FileOperations : ::testing::Test {
    fake::FakePlatform f;
    clsFSO fso{f.platform};
    static std::string key(const std::string& path) { return fake::FakeDisk::key(path); }
    const std::vector<fake::ShownMessage>& messages() { return f.windowing.messages; }
};

TEST_F(FileOperations, KillDirOnAMissingFolder) {
    EXPECT_TRUE(fso.KillDir("C:\\New\\A\\B", false));
    EXPECT_FALSE(f.disk.hasFolder("C:\\New"));
    EXPECT_TRUE(fso.KillDir("C:\\New\\A\\B", true));
    EXPECT_TRUE(f.disk.hasFolder("C:\\New\\A\\B"));
    EXPECT_TRUE(messages().empty());
    EXPECT_TRUE(fso.KillDir("Q:\\x", true));
    ASSERT_EQ(messages().size(), 2u);
    EXPECT_EQ(messages()[0].prompt,
              "Error: 76  Path not found\r\n\r\nAn error occured while trying to create Q:");
    EXPECT_EQ(messages()[0].buttons, 64);
    EXPECT_EQ(messages()[0].title, "Error creating folder");
    EXPECT_EQ(messages()[1].prompt, "Error recreating:  \r\nQ:\\x");
    EXPECT_EQ(messages()[1].buttons, 0);
    EXPECT_EQ(messages()[1].title, "Vesperon");
}

// A name holding ";" splits the folder's list; the piece "b.txt" must not reach a file elsewhere.
TEST_F(FileOperations, KillDirDeletesNothingOutsideTheFolder) {
    f.disk.addFile("C:\\K\\x;b.txt");
    f.disk.inUse.insert(key("C:\\K\\x;b.txt"));
    f.disk.addFile("b.txt");
    EXPECT_FALSE(fso.KillDir("C:\\K", true));
    EXPECT_TRUE(f.disk.hasFile("b.txt"));
}

TEST_F(FileOperations, CreateDirStructSaysWhatItCouldNotMake) {
    EXPECT_FALSE(fso.Create_Dir_Struct("   "));
    EXPECT_TRUE(messages().empty());
    const std::pair<const char*, const char*> failures[] = {
        {"\\\\srv\\share\\x", "Error: 5  Invalid procedure call or argument\r\n\r\n"
                              "An error occured while trying to create "},
        {"C:\\a\\b|c", "Error: 52  Bad file name or number\r\n\r\n"
                       "An error occured while trying to create C:\\a\\b|c"},
    };
    for (const auto& [path, prompt] : failures) {
        f.windowing.messages.clear();
        EXPECT_FALSE(fso.Create_Dir_Struct(path)) << path;
        ASSERT_EQ(messages().size(), 1u) << path;
        EXPECT_EQ(messages()[0].prompt, prompt);
        EXPECT_EQ(messages()[0].title, "Error creating folder");
    }
}

struct Transfers : FileOperations {
    void SetUp() override {
        f.disk.addFile("C:\\S\\src.txt", "new");
        f.disk.meta("C:\\S\\src.txt").attributes = 34; // hidden, archive
        f.disk.addFile("C:\\T\\dst.txt", "old");
        f.disk.readOnly.insert(key("C:\\T\\dst.txt"));
        f.disk.addFile("C:\\I\\info.txt", "12345");
        f.disk.meta("C:\\I\\info.txt").modified = "2/3/2024 4:05:06 PM";
        ASSERT_TRUE(fso.Get_FileInfo("C:\\I\\info.txt"));
    }
    const std::string prompt = "File already exist at\r\nC:\\T\\dst.txt\r\n2/3/2024 4:05:06 PM\r\n"
                               "5\r\n\r\nDo you want to replace it?";
};

TEST_F(Transfers, MoveAsksWithTheLastRecordAndCarriesTheAttributes) {
    f.windowing.answers = {no, yes};
    EXPECT_FALSE(fso.Move_File("C:\\S\\src.txt", "C:\\T\\dst.txt"));
    ASSERT_EQ(messages().size(), 1u);
    EXPECT_EQ(messages()[0].prompt, prompt);
    EXPECT_EQ(messages()[0].buttons, 36);
    EXPECT_EQ(messages()[0].title, "Replace File?");
    EXPECT_EQ(f.disk.bytesOf("C:\\S\\src.txt"), "new");
    EXPECT_EQ(f.disk.bytesOf("C:\\T\\dst.txt"), "old");
    EXPECT_TRUE(fso.Move_File("C:\\S\\src.txt", "C:\\T\\dst.txt"));
    ASSERT_TRUE(fso.Get_FileInfo("C:\\T\\dst.txt"));
    EXPECT_EQ(fso.fileInfo().Attributes, "HA");
}

TEST_F(Transfers, MoveFromAMissingSourceNamesBothPaths) {
    EXPECT_FALSE(fso.Move_File("C:\\S\\none.txt", "C:\\T\\new.txt"));
    ASSERT_EQ(messages().size(), 1u);
    EXPECT_EQ(messages()[0].prompt, "Error: 53  File not found\r\n\r\nError while moving a file"
                                    "\r\n\r\nFROM: C:\\S\\none.txt\r\nTO: C:\\T\\new.txt");
    EXPECT_EQ(messages()[0].buttons, 64);
    EXPECT_EQ(messages()[0].title, "Errors detected");
}

TEST_F(Transfers, CopyAsksFirstWhenTold) {
    f.windowing.answers = {no, yes};
    EXPECT_FALSE(fso.Copy_File("C:\\S\\src.txt", "C:\\T\\dst.txt", false));
    EXPECT_EQ(f.disk.bytesOf("C:\\T\\dst.txt"), "old");
    EXPECT_TRUE(fso.Copy_File("C:\\S\\src.txt", "C:\\T\\dst.txt", false));
    EXPECT_EQ(f.disk.bytesOf("C:\\T\\dst.txt"), "new");
    EXPECT_EQ(messages().size(), 2u);
    EXPECT_EQ(messages()[1].prompt, prompt);
    f.windowing.messages.clear();
    EXPECT_FALSE(fso.Copy_File("C:\\S\\src.txt", "C:\\Missing\\x.txt", true));
    EXPECT_TRUE(messages().empty()) << "copy failures are silent";
}

} // namespace
} // namespace vesperon
