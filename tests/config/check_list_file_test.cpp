#include "config/check_list_file.h"
#include "platform/fake/fake_platform.h"

#include <gtest/gtest.h>

namespace vesperon {
namespace {

TEST(CheckListFile, HeaderIsFourLinesWithTheTitle) {
    fake::FakePlatform f;
    ASSERT_TRUE(WriteTextFile(f.files, "C:\\Tools\\x.cfg", checkListHeader(), false));
    const std::string rule = "; " + std::string(44, '*');
    EXPECT_EQ(rule.size(), 46u);
    EXPECT_EQ(f.disk.bytesOf("C:\\Tools\\x.cfg"),
              rule + "\r\n;     Vesperon - Configuration File\r\n" + rule + "\r\n\r\n");
    EXPECT_TRUE(checkListEntries(f.disk.bytesOf("C:\\Tools\\x.cfg")).empty());
}

TEST(CheckListFile, AppendFollowsALastLineWithoutLineEnd) {
    fake::FakePlatform f;
    f.disk.addFile("C:\\Tools\\x.cfg", "C:\\a");
    ASSERT_TRUE(WriteTextFile(f.files, "C:\\Tools\\x.cfg", "C:\\b", false));
    EXPECT_EQ(f.disk.bytesOf("C:\\Tools\\x.cfg"), "C:\\aC:\\b\r\n");
    EXPECT_FALSE(WriteTextFile(f.files, "C:\\Nowhere\\x.cfg", "C:\\b", false));
}

TEST(CheckListFile, OnlyTheFirstCharacterMakesAComment) {
    EXPECT_EQ(checkListEntries(";a\r\n ;b\r\n\r\n   \r\nc \r\n\"d\"\r\n"),
              (std::vector<std::string>{" ;b", "   ", "c ", "\"d\""}));
    EXPECT_EQ(checkListEntries("a\r\r\nb\n\nc"), (std::vector<std::string>{"a", "b", "c"}));
    EXPECT_EQ(checkListEntries(std::string("a\0b\r\n", 5)),
              (std::vector<std::string>{std::string("a\0b", 3)}));
}

} // namespace
} // namespace vesperon
