#include "base/path_text.h"
#include "fso/fso_cases.h"
#include "platform/posix/core/posix_file_system.h"
#include "platform/posix/core/posix_files.h"
#include "platform/posix/core/posix_system.h"
#include "support/environment_guard.h"

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <thread>
#include <unistd.h>

namespace vesperon {
namespace {

struct PosixBench : test::BackendBench<platform::posix::PosixFileSystem,
                                       platform::posix::PosixFiles, platform::posix::PosixSystem> {
    PosixBench() : BackendBench(0, nullptr) {}
};

TEST(FsoCases, OnTheLinuxFileSystem) {
    test::runFsoCases<PosixBench>();
}

struct PosixFso : PosixBench, ::testing::Test {};

TEST_F(PosixFso, LinksAreNeitherListedNorFollowed) {
    test::TempDir outside;
    outside.write("keep.txt", "precious");
    write("a.txt", "x");
    write(".hidden", "");
    write("k/ro/f.txt", "x");
    ::chmod(at("k/ro/f.txt").c_str(), 0444);
    ::chmod(at("k/ro").c_str(), 0555);
    ::symlink(at("a.txt").c_str(), at("link.txt").c_str());
    ::symlink(outside.path().c_str(), at("k/out").c_str());
    ::symlink(outside.file("keep.txt").c_str(), at("_Test.$$$").c_str());
    EXPECT_EQ(fso().Get_FileList(at(""), false), at(".hidden;") + at("a.txt;")) << "in name order";
    EXPECT_EQ(fso().Get_DirList(at("")), at("k"));
    ASSERT_TRUE(fso().Get_FileInfo(at(".hidden")));
    EXPECT_EQ(fso().fileInfo().Attributes, "HA");
    EXPECT_FALSE(fso().IsThisRestricted(dir.path()));
    EXPECT_TRUE(fso().KillDir(at("k"), true));
    EXPECT_TRUE(std::filesystem::is_empty(at("k")));
    ::symlink(outside.path().c_str(), at("alias").c_str());
    EXPECT_TRUE(fso().DelTree32(at("alias"))) << "a link named as the folder goes as a link";
    EXPECT_EQ(outside.read("keep.txt"), "precious");
    EXPECT_FALSE(fso().File_Exist("/dev/null")) << "only regular files are probed";
}

TEST_F(PosixFso, TemporaryFilesArePrivateAndFollowTmpdir) {
    std::string folder = dir.path();
    struct stat st {};
    ASSERT_EQ(::lstat(fso().Create_Tmp_Filename(folder).c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    test::EnvironmentGuard tmpdir("TMPDIR");
    ::setenv("TMPDIR", dir.path().c_str(), 1);
    std::string blank;
    fso().Create_Tmp_Filename(blank);
    EXPECT_EQ(blank, dir.path() + "/");
    EXPECT_EQ(fso().Create_Tmp_Folder().rfind(dir.path() + "/_", 0), 0u);
    ::setenv("TMPDIR", "relative", 1); // not wherever the program happens to be started
    const std::string fallback = fso().Create_Tmp_Folder();
    EXPECT_EQ(fallback.rfind('/', 0), 0u) << fallback;
    std::filesystem::remove(fallback);
}

// A backslash is a name's character, a NUL no name's end; no creation time shows the last change.
TEST_F(PosixFso, NamesTimesAndFoldersAsTheKernelHasThem) {
    write("a\\.b", "x");
    ASSERT_TRUE(fso().Get_FileInfo(at("a\\.b")));
    EXPECT_EQ(fso().fileInfo().Attributes, "A") << "not a hidden name";
    EXPECT_FALSE(fso().File_Exist(at("a\\.b") + std::string(1, '\0') + "x"));
    EXPECT_EQ(fso().Get_FileList(dir.path() + "///", false), at("a\\.b;"));
    ASSERT_TRUE(fso().Get_FileInfo("/proc/version"));
    EXPECT_EQ(fso().fileInfo().DateCreated, fso().fileInfo().DateLastModified);
    write("gone/x", "");
    EXPECT_TRUE(fso().Folder_Exist(at("gone")));
    std::filesystem::remove_all(at("gone"));
    std::this_thread::sleep_for(std::chrono::milliseconds(1100));
    EXPECT_FALSE(fso().Folder_Exist(at("gone")));
}

TEST_F(PosixFso, RootDrivesAndPaths) {
    EXPECT_EQ(fso().Remove_Trailing_Slash("/"), "/");
    EXPECT_EQ(path_text::posixParentFolderName("/f"), "/");
    EXPECT_EQ(path_text::posixParentFolderName("/a/b/"), "/a");
    std::int32_t type = 0;
    EXPECT_TRUE(fso().Drive_Exist("/x", type));
    EXPECT_EQ(type, 2);
    const auto drives = fso().Available_Drives();
    EXPECT_NE(std::find(drives.begin(), drives.end(), "/"), drives.end());
    double total = 0, free = 0, used = 0;
    ASSERT_TRUE(fso().Get_Disk_Space(dir.path(), total, free, used));
    // Free space moves while other programs write; a file system's size does not.
    struct statvfs vfs {};
    ASSERT_EQ(::statvfs(dir.path().c_str(), &vfs), 0);
    EXPECT_EQ(total, static_cast<double>(vfs.f_blocks) * static_cast<double>(vfs.f_frsize));
    EXPECT_TRUE(free >= 0 && free <= total && used == total - free);
    EXPECT_FALSE(fso().Get_Disk_Space(at("none"), total, free, used));
    EXPECT_EQ(platform::posix::realMountPoints("overlay / overlay rw 0 0\n"
                                               "proc /proc proc rw 0 0\n"
                                               "tmpfs /dev/shm tmpfs rw 0 0\n"
                                               "/dev/sda1 /mnt/My\\040Disk ext4 rw 0 0\n"
                                               "/dev/sda1 /mnt/My\\040Disk ext4 rw 0 0\n"
                                               "/dev/sda2 /mnt/Old\\040 ext4 rw 0 0\n"
                                               "garbage\n"),
              (std::vector<std::string>{"/", "/mnt/My Disk/", "/mnt/Old /"}));
}

} // namespace
} // namespace vesperon
