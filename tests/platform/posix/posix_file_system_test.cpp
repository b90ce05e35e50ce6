#include "fso/cls_fso.h"
#include "fso/path_text.h"
#include "platform/fake/fake_platform.h"
#include "platform/posix/posix_file_system.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

namespace vesperon {
namespace {

TEST(PosixStyle, FileExistOnTheRealFileSystem) {
    test::TempDir dir;
    dir.write("f.txt", "x");
    fake::FakePlatform f;
    platform::posix::PosixFileSystem fs;
    platform::Platform p{platform::posixEdition,
                         f.system,
                         f.files,
                         fs,
                         f.processes,
                         f.profile,
                         f.registry,
                         f.eventLog,
                         f.windowing,
                         f.processListing,
                         f.inhibitors};
    clsFSO fso(p);
    EXPECT_TRUE(fso.File_Exist(dir.file("f.txt")));
    EXPECT_FALSE(fso.File_Exist(dir.path()));
    EXPECT_FALSE(fso.File_Exist(dir.file("none")));
    EXPECT_FALSE(fso.File_Exist("f.txt"));
    EXPECT_FALSE(fso.File_Exist(" " + dir.file("f.txt")));
    EXPECT_FALSE(fso.File_Exist("/dev/null")) << "only regular files are probed";
    EXPECT_TRUE(fso.Folder_Exist("/"));
    EXPECT_EQ(fso.Remove_Trailing_Slash("/"), "/");
    EXPECT_EQ(fso.Add_Trailing_Slash("/tmp"), "/tmp/");
    EXPECT_EQ(path_text::posixParentFolderName("/f"), "/");
    EXPECT_EQ(path_text::posixParentFolderName("/a/b/"), "/a");
    std::int32_t type = 0;
    EXPECT_TRUE(fso.Drive_Exist("/x", type));
    EXPECT_EQ(type, 2);
}

} // namespace
} // namespace vesperon
