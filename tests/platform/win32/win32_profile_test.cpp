#include "platform/profile_cases.h"
#include "platform/profile_text.h"
#include "platform/win32/win32_profile.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

namespace vesperon {
namespace {

// The Linux reader is built to agree with the real profile functions on every one of these.
TEST(Win32Profile, AgreesWithTheSharedTableOfTrickyFiles) {
    test::TempDir dir;
    platform::win32::Win32Profile profile;
    for (const auto& c : test::profileCases()) {
        dir.write("case.ini", c.file);
        EXPECT_EQ(profile.getString(c.section, c.key, "", 255, dir.file("case.ini")), c.expected)
            << c.name;
    }
}

TEST(Win32Profile, WritesTheSameBytesAsTheLinuxWriter) {
    test::TempDir dir;
    platform::win32::Win32Profile profile;
    const std::string path = dir.file("Дан.ini");
    ASSERT_TRUE(profile.writeString("EventLog", "WriteToNTEventLog", "1", path).written);
    ASSERT_TRUE(profile.writeString("General", "ForceAppsToClose", "0", path).written);
    std::string expected =
        platform::profile_text::setValue("", "EventLog", "WriteToNTEventLog", "1");
    expected = platform::profile_text::setValue(expected, "General", "ForceAppsToClose", "0");
    EXPECT_EQ(dir.read("Дан.ini"), expected) << "single-byte, without a byte-order mark";
    EXPECT_EQ(profile.getString("s", "k", "", 255, dir.file("missing.ini")), "");
    dir.write("long.ini", "[s]\r\nk=" + std::string(300, 'x') + "\r\n");
    EXPECT_EQ(profile.getString("s", "k", "", 255, dir.file("long.ini")), std::string(254, 'x'));
}

TEST(Win32Profile, UnreadableFileIsToldFromAMissingOne) {
    test::TempDir dir;
    platform::win32::Win32Profile profile;
    EXPECT_EQ(profile.whyUnreadable(dir.file("missing.ini")), std::nullopt);
    EXPECT_EQ(profile.whyUnreadable(dir.file("missing\\v.ini")), std::nullopt);
    EXPECT_EQ(profile.whyUnreadable(dir.path()), "it is a folder");
    dir.write("v.ini", "[s]\r\nk=1\r\n");
    EXPECT_EQ(profile.whyUnreadable(dir.file("v.ini")), std::nullopt);
}

} // namespace
} // namespace vesperon
