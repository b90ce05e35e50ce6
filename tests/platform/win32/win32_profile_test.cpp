#include "platform/profile_cases.h"
#include "platform/win32/win32_profile.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>
#include <windows.h>

namespace vesperon {
namespace {

// What the settings file writer stores is checked byte for byte by the end-to-end runs.
struct Win32Profile : ::testing::Test {
    test::TempDir dir;
    platform::win32::Win32Profile profile;
};

// The Linux reader is built to agree with the real profile functions on every one of these.
TEST_F(Win32Profile, AgreesWithTheSharedTableOfTrickyFiles) {
    for (const auto& c : test::profileCases()) {
        dir.write("case.ini", c.file);
        EXPECT_EQ(profile.getString(c.section, c.key, "", 255, dir.file("case.ini")), c.expected)
            << c.name;
    }
    EXPECT_EQ(profile.getString("s", "k", "", 255, dir.file("missing.ini")), "");
    dir.write("long.ini", "[s]\r\nk=" + std::string(300, 'x') + "\r\n");
    EXPECT_EQ(profile.getString("s", "k", "", 255, dir.file("long.ini")), std::string(254, 'x'));
}

// A file that cannot be read or written says so: only a missing one reads as missing.
TEST_F(Win32Profile, UnreadableOrUnwritableFileIsToldFromAMissingOne) {
    EXPECT_EQ(profile.whyUnreadable(dir.file("missing.ini")), std::nullopt);
    EXPECT_EQ(profile.whyUnreadable(dir.file("missing\\v.ini")), std::nullopt);
    EXPECT_EQ(profile.whyUnreadable(dir.path()), "it is a folder");
    dir.write("v.ini", "[s]\r\nk=1\r\n");
    EXPECT_EQ(profile.whyUnreadable(dir.file("v.ini")), std::nullopt);
    const HANDLE held = ::CreateFileA(dir.file("v.ini").c_str(), GENERIC_READ, 0, nullptr,
                                      OPEN_EXISTING, 0, nullptr);
    EXPECT_NE(profile.whyUnreadable(dir.file("v.ini")), std::nullopt) << "held by another program";
    ::CloseHandle(held);
    const auto write = profile.writeString("s", "k", "2", dir.file("missing\\v.ini"));
    EXPECT_FALSE(write.written);
    EXPECT_NE(write.reason.find("(error "), std::string::npos) << write.reason;
}

} // namespace
} // namespace vesperon
