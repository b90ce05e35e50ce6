#include "forms/form.h"
#include "fso/cls_fso.h"
#include "platform/fake/fake_platform.h"

#include <gtest/gtest.h>
#include <set>

namespace vesperon {
namespace {

struct DrivesAndTemporary : ::testing::Test {
    fake::FakePlatform f;
    clsFSO fso{f.platform};
};

TEST_F(DrivesAndTemporary, TemporaryNamesAndTheirDraws) {
    EXPECT_EQ(fso.Create_Tmp_Name(0), "");
    EXPECT_EQ(fso.Create_Tmp_Name(-3), "");
    EXPECT_EQ(fso.Create_Tmp_Name(1), "_");
    std::set<char> seen;
    for (int i = 0; i < 200; ++i) {
        const std::string name = fso.Create_Tmp_Name(8);
        ASSERT_EQ(name.size(), 8u);
        ASSERT_EQ(name[0], '_');
        for (char c : name.substr(1)) {
            ASSERT_TRUE((c >= '0' && c <= '9') || (c >= 'a' && c <= 'y')) << name;
            seen.insert(c);
        }
    }
    EXPECT_GT(seen.size(), 30u) << "names vary although the clock stood still";

    const int passes = f.windowing.pendingMessagePasses;
    for (int i = 0; i < 1000; ++i) {
        const float r = fso.Rnd2(48, 122);
        ASSERT_GE(r, 48.0f);
        ASSERT_LT(r, 122.0f);
    }
    EXPECT_EQ(fso.Rnd2(5, 5), 5.0f);
    EXPECT_EQ(f.windowing.pendingMessagePasses, passes + 1001) << "every draw lets handlers run";
}

TEST_F(DrivesAndTemporary, TemporaryFileAndFolderInTheSystemsFolder) {
    f.disk.addFolder("C:\\Temp");
    f.disk.addFolder("C:\\Locked");
    f.disk.readOnly.insert(fake::FakeDisk::key("C:\\Locked"));
    EXPECT_TRUE(fso.IsThisRestricted("C:\\Locked"));
    EXPECT_TRUE(fso.IsThisRestricted("   "));
    std::string folder = "  ";
    EXPECT_EQ(fso.Create_Tmp_Filename(folder).rfind("C:\\Temp\\_", 0), 0u);
    EXPECT_EQ(folder, "C:\\Temp\\") << "the caller's variable is filled";
    std::string missing = "C:\\Nowhere\\";
    EXPECT_EQ(fso.Create_Tmp_Filename(missing), std::string(260, ' '));

    const std::string made = fso.Create_Tmp_Folder();
    EXPECT_EQ(made.size(), std::string("C:\\Temp\\_1234567\\").size()) << made;
    EXPECT_TRUE(f.disk.hasFolder(made));
    f.fileSystem.tempFolder.reset();
    std::string fallback;
    fso.Create_Tmp_Filename(fallback);
    EXPECT_EQ(fallback, "C:\\");
    f.fileSystem.tempFolder = "C:\\Gone\\";
    EXPECT_THROW(fso.Create_Tmp_Folder(), FsoError) << "one level only; the parent must exist";
}

TEST_F(DrivesAndTemporary, AvailableDrives) {
    f.disk.addDrive('A', {false, 1});
    f.disk.addDrive('D', {});
    EXPECT_EQ(fso.Available_Drives(), (std::vector<std::string>{"A:\\", "C:\\", "D:\\"}));
    f.fileSystem.driveListFails = true;
    EXPECT_TRUE(fso.Available_Drives().empty());
}

TEST_F(DrivesAndTemporary, DiskSpace) {
    double total = -1, free = -1, used = -1;
    EXPECT_FALSE(fso.Get_Disk_Space("  ", total, free, used));
    EXPECT_EQ(std::make_tuple(total, free, used), std::make_tuple(0.0, 0.0, 0.0));
    EXPECT_TRUE(f.fileSystem.diskQueries.empty());

    f.fileSystem.diskSpace = platform::DiskSpace{1, 3'000'000'000ULL, 1'000'000'000ULL};
    EXPECT_TRUE(fso.Get_Disk_Space("d:\\data", total, free, used));
    EXPECT_EQ(std::make_tuple(total, free, used), std::make_tuple(3e9, 1e9, 2e9));
    EXPECT_EQ(f.fileSystem.diskQueries, std::vector<std::string>{"Ex d:"}) << "first query only";

    // 2.15 GB from the older call: its products no longer overflow.
    f.fileSystem.diskSpace.reset();
    f.fileSystem.diskGeometry = platform::DiskGeometry{64, 512, 32'768, 65'600};
    EXPECT_TRUE(fso.Get_Disk_Space("C:", total, free, used));
    EXPECT_EQ(std::make_tuple(total, free, used),
              std::make_tuple(2'149'580'800.0, 1'073'741'824.0, 1'075'838'976.0));

    f.fileSystem.diskGeometry.reset();
    EXPECT_FALSE(fso.Get_Disk_Space("C:", total, free, used));
    EXPECT_EQ(std::make_tuple(total, free, used), std::make_tuple(0.0, 0.0, 0.0));
}

} // namespace
} // namespace vesperon
