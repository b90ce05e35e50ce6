#include "platform/posix/core/posix_profile.h"
#include "platform/profile_cases.h"
#include "support/temp_dir.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace vesperon::platform::posix {
namespace {

using namespace std::string_literals;
using vesperon::test::TempDir;

std::vector<std::string> folderContents(const TempDir& dir) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
        names.push_back(entry.path().filename().string());
    }
    return names;
}

// A missing file, or one that cannot be opened at all, gives the default as Windows does.
TEST(PosixProfile, ReadsTheSharedCasesAndDefaults) {
    TempDir dir;
    PosixProfile profile;
    for (const auto& c : vesperon::test::profileCases()) {
        dir.write("case.ini", c.file);
        EXPECT_EQ(profile.getString(c.section, c.key, "", 255, dir.file("case.ini")), c.expected)
            << c.name;
    }
    const std::string missing = dir.file("missing.ini");
    EXPECT_EQ(profile.getString("s", "k", "dflt  ", 255, missing), "dflt");
    EXPECT_EQ(profile.getString("s", "k", "dflt", 3, missing), "df");
    EXPECT_EQ(profile.getString("s", "k", "  ", 255, missing), " ");
    EXPECT_EQ(profile.getString("s", "k", "dflt", 0, missing), "");
    EXPECT_EQ(profile.getString("s", "k", "'q'", 255, missing), "q");
    EXPECT_EQ(profile.getString("s", "k", "'q'", 255, dir.path()), "'q'");
    EXPECT_EQ(profile.getString("s", "k", "dflt", 3, dir.path()), "df");
    EXPECT_EQ(profile.getString("s", "k", "d", 255, missing + "\0x"s), "d");
}

// A link may have been planted by another user: neither it nor what it names changes.
TEST(PosixProfile, WritesCreateThenExtendTheFileButNeverWriteThroughALink) {
    TempDir dir;
    PosixProfile profile;
    const std::string file = dir.file("v.ini");
    ASSERT_TRUE(profile.writeString("EventLog", "WriteToNTEventLog", "1", file).written);
    ASSERT_TRUE(profile.writeString("Other", "Key", "two words", file).written);
    const std::string written = "[EventLog]\r\nWriteToNTEventLog=1\r\n[Other]\r\nKey=two words\r\n";
    EXPECT_EQ(dir.read("v.ini"), written);
    ASSERT_EQ(::symlink("v.ini", dir.file("link.ini").c_str()), 0);
    EXPECT_EQ(profile.writeString("Other", "Key", "2", dir.file("link.ini")).reason,
              "a symbolic link, which is never written through");
    EXPECT_TRUE(std::filesystem::is_symlink(dir.file("link.ini")));
    for (const std::string& refused :
         {dir.file("a.ini") + "\0b"s, dir.path(), dir.file("no/such/folder.ini")}) {
        EXPECT_FALSE(profile.writeString("s", "k", "v", refused).written) << refused;
    }
    for (const std::string& utf16 : {"\xFF\xFE[\0s\0]\0"s, "\xFE\xFF\0[\0s\0]"s}) {
        dir.write("wide.ini", utf16);
        EXPECT_FALSE(profile.writeString("s", "k", "v", dir.file("wide.ini")).written);
        EXPECT_EQ(dir.read("wide.ini"), utf16);
    }
    EXPECT_EQ(dir.read("v.ini"), written);
    EXPECT_EQ(folderContents(dir).size(), 3u) << "nothing left beside v.ini, link.ini, wide.ini";
}

// A file that cannot be read says why, apart from a missing one; a place that cannot be
// written keeps what it holds.
TEST(PosixProfile, UnreadableAndReadOnlyFilesAreToldFromMissingOnes) {
    TempDir dir;
    PosixProfile profile;
    EXPECT_EQ(profile.whyUnreadable(dir.file("missing.ini")), std::nullopt);
    EXPECT_EQ(profile.whyUnreadable(dir.file("missing/v.ini")), std::nullopt);
    ASSERT_EQ(::mkfifo(dir.file("fifo.ini").c_str(), 0644), 0);
    EXPECT_EQ(profile.whyUnreadable(dir.file("fifo.ini")), "not a regular file") << "no wait";
    EXPECT_EQ(profile.whyUnreadable(dir.path()), "Is a directory");
    const std::string original = "[s]\r\nk=1\r\n";
    dir.write("v.ini", original);
    EXPECT_EQ(profile.whyUnreadable(dir.file("v.ini")), std::nullopt);
    if (::geteuid() == 0) {
        GTEST_SKIP() << "permissions do not bind root";
    }
    ASSERT_EQ(::chmod(dir.path().c_str(), 0555), 0);
    EXPECT_FALSE(profile.writeString("s", "k", "2", dir.file("v.ini")).written);
    EXPECT_FALSE(profile.writeString("s", "k", "2", dir.file("new.ini")).written);
    EXPECT_EQ(folderContents(dir).size(), 2u);
    ASSERT_EQ(::chmod(dir.path().c_str(), 0755), 0);
    ASSERT_EQ(::chmod(dir.file("v.ini").c_str(), 0444), 0);
    EXPECT_FALSE(profile.writeString("s", "k", "2", dir.file("v.ini")).written);
    EXPECT_EQ(dir.read("v.ini"), original);
    ASSERT_EQ(::chmod(dir.file("v.ini").c_str(), 0), 0);
    EXPECT_EQ(profile.getString("s", "k", "d", 255, dir.file("v.ini")), "d");
    EXPECT_EQ(profile.whyUnreadable(dir.file("v.ini")), "Permission denied");
}

} // namespace
} // namespace vesperon::platform::posix
