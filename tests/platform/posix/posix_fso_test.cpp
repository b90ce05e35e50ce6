#include "fso/cls_fso.h"
#include "platform/fake/fake_platform.h"
#include "platform/posix/posix_file_system.h"
#include "platform/posix/posix_files.h"
#include "platform/posix/posix_system.h"
#include "support/temp_dir.h"

#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vesperon {
namespace {

using platform::msgbox::yes;

struct PosixFso : ::testing::Test {
    test::TempDir dir;
    fake::FakePlatform f; // message boxes and the rest
    platform::posix::PosixFileSystem fs;
    platform::posix::PosixFiles files;
    platform::posix::PosixSystem system{0, nullptr};
    platform::Platform p{platform::posixEdition,
                         system,
                         files,
                         fs,
                         f.processes,
                         f.profile,
                         f.registry,
                         f.eventLog,
                         f.windowing,
                         f.processListing,
                         f.inhibitors};
    clsFSO fso{p};

    std::string at(const std::string& name) const { return dir.file(name); }
    void folder(const std::string& name) const { std::filesystem::create_directories(at(name)); }
    mode_t modeOf(const std::string& name) const {
        struct stat st {};
        ::lstat(at(name).c_str(), &st);
        return st.st_mode & 0777;
    }
};

TEST_F(PosixFso, ListingsSkipLinksAndKeepNameOrder) {
    dir.write("b.TXT", std::string(20, 'x'));
    dir.write("a.txt", "xxABCxx");
    dir.write("c.log", "");
    dir.write(".hidden", "");
    folder("sub");
    dir.write("sub/d.txt", "abc");
    ::symlink(at("a.txt").c_str(), at("link.txt").c_str());
    ::symlink(at("sub").c_str(), at("linkdir").c_str());

    const std::string d = dir.path() + "/";
    EXPECT_EQ(fso.Get_FileList(dir.path(), true, "*.txt"),
              d + "a.txt;" + d + "b.TXT;" + d + "sub/d.txt;");
    EXPECT_EQ(fso.Count(), 3);
    EXPECT_EQ(fso.Get_FileList(d, false),
              d + ".hidden;" + d + "a.txt;" + d + "b.TXT;" + d + "c.log;");
    EXPECT_EQ(fso.Get_DirList(dir.path()), d + "sub");
    EXPECT_EQ(fso.Get_Totals(dir.path(), 1, "*.txt", false), "27");
    EXPECT_EQ(fso.TextSearch(dir.path(), "abc"), std::vector<std::string>{d + "a.txt"});
    EXPECT_THROW(fso.Get_FileList(at("none")), FsoError);

    // Dated: b.TXT last written in 2000 is left out.
    const timespec old[2] = {{946684800, 0}, {946684800, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, at("b.TXT").c_str(), old, 0), 0);
    ASSERT_TRUE(fso.Get_FileInfo(at("a.txt")));
    const std::string stamp = fso.fileInfo().DateLastModified;
    const std::string today = stamp.substr(0, stamp.find(' '));
    EXPECT_EQ(fso.Get_Totals(dir.path(), 3, today, false), "3");
}

TEST_F(PosixFso, FileInformationStandIns) {
    dir.write("notes.txt", "0123456789");
    dir.write(".profile", "");
    dir.write("README", "");
    ASSERT_TRUE(fso.Get_FileInfo(at("notes.txt")));
    FileInfo info = fso.fileInfo();
    EXPECT_EQ(info.Drive, "/");
    EXPECT_EQ(info.Path, at("notes.txt"));
    EXPECT_EQ(info.ParentFolder, dir.path());
    EXPECT_EQ(info.Size, "10");
    EXPECT_EQ(info.Type, "TXT File");
    EXPECT_EQ(info.Extension, "txt");
    EXPECT_EQ(info.Attributes, "A");
    EXPECT_TRUE(fs.dateValue(info.DateLastModified).has_value()) << info.DateLastModified;
    EXPECT_TRUE(fs.dateValue(info.DateCreated).has_value()) << info.DateCreated;

    ::chmod(at("notes.txt").c_str(), 0444);
    ASSERT_TRUE(fso.Get_FileInfo(at("notes.txt")));
    EXPECT_EQ(fso.fileInfo().Attributes, "RA");
    ASSERT_TRUE(fso.Get_FileInfo(at(".profile")));
    EXPECT_EQ(fso.fileInfo().Attributes, "HA");
    ASSERT_TRUE(fso.Get_FileInfo(at("README")));
    EXPECT_EQ(fso.fileInfo().Type, "File");
    EXPECT_FALSE(fso.Get_FileInfo(dir.path()));
    EXPECT_EQ(fso.Get_Version(at("README")), "");
    EXPECT_EQ(fs.dateValue("2024-02-30"), std::nullopt);
    EXPECT_EQ(fs.dateValue("2024-03-15"), fs.dateValue("2024-03-15 00:00:00"));
}

TEST_F(PosixFso, DeletesTakeReadOnlyFilesButNeverFollowLinks) {
    dir.write("ro.txt", "x");
    ::chmod(at("ro.txt").c_str(), 0444);
    EXPECT_TRUE(fso.KillFile(at("ro.txt")));
    EXPECT_FALSE(dir.exists("ro.txt"));
    EXPECT_TRUE(fso.KillFile(at("never.txt")));

    test::TempDir outside;
    outside.write("keep.txt", "precious");
    folder("k/ro");
    dir.write("k/ro/f.txt", "x");
    ::chmod(at("k/ro/f.txt").c_str(), 0444);
    ::chmod(at("k/ro").c_str(), 0555);
    ::symlink(outside.path().c_str(), at("k/out").c_str());
    EXPECT_TRUE(fso.KillDir(at("k"), true));
    EXPECT_TRUE(dir.exists("k"));
    EXPECT_TRUE(std::filesystem::is_empty(at("k")));
    EXPECT_EQ(outside.read("keep.txt"), "precious");

    // A link named as the folder goes as a link.
    ::symlink(outside.path().c_str(), at("alias").c_str());
    EXPECT_TRUE(fso.DelTree32(at("alias")));
    EXPECT_EQ(outside.read("keep.txt"), "precious");
    EXPECT_FALSE(fso.DelTree32(at("alias")));
}

TEST_F(PosixFso, PathsShrinkBelowTheRoot) {
    EXPECT_EQ(fso.Shrink_2_Fit("/home/user/docs/deep/file.txt", 20), "/.../deep/file.txt");
    EXPECT_EQ(fso.Shrink_2_Fit("docs/a/very/long/relative/name", 10),
              "docs/a/very/long/relative/name");
}

TEST_F(PosixFso, CreateDirStructOverSeveralLevels) {
    EXPECT_TRUE(fso.Create_Dir_Struct(at("a/b/c")));
    EXPECT_TRUE(std::filesystem::is_directory(at("a/b/c")));
    EXPECT_TRUE(fso.Create_Dir_Struct(at("a/b/c/d/")));
    dir.write("a/file", "");
    EXPECT_FALSE(fso.Create_Dir_Struct(at("a/file/x")));
    ASSERT_EQ(f.windowing.messages.size(), 1u);
    EXPECT_EQ(f.windowing.messages[0].prompt,
              "Error: 58  File already exists\r\n\r\nAn error occured while trying to create " +
                  at("a/file"));
}

TEST_F(PosixFso, MoveAndCopyReplaceReadOnlyTargetsAndCarryReadOnly) {
    dir.write("src.txt", "new");
    dir.write("dst.txt", "old");
    ::chmod(at("dst.txt").c_str(), 0444);
    f.windowing.answers = {yes};
    EXPECT_TRUE(fso.Move_File(at("src.txt"), at("dst.txt")));
    EXPECT_FALSE(dir.exists("src.txt"));
    EXPECT_EQ(dir.read("dst.txt"), "new");

    ::chmod(at("dst.txt").c_str(), 0444);
    dir.write("other.txt", "old");
    EXPECT_TRUE(fso.Copy_File(at("dst.txt"), at("other.txt"), true));
    EXPECT_EQ(dir.read("other.txt"), "new");
    EXPECT_EQ(modeOf("other.txt") & 0222, 0u) << "the source's read-only goes with it";
    EXPECT_FALSE(fso.Copy_File(at("none"), at("x"), true));
    EXPECT_FALSE(fso.Move_File(at("none"), at("x")));
    EXPECT_EQ(f.windowing.messages.size(), 2u) << "the prompt and the move's error";
    EXPECT_FALSE(dir.exists("x"));
}

TEST_F(PosixFso, ProbeAndTemporaryFilesNeverWriteThroughALink) {
    test::TempDir outside;
    outside.write("victim", "precious");
    ::symlink(outside.file("victim").c_str(), at("_Test.$$$").c_str());
    EXPECT_FALSE(fso.IsThisRestricted(dir.path()));
    EXPECT_EQ(outside.read("victim"), "precious");
    EXPECT_FALSE(dir.exists("_Test.$$$")) << "no probe left behind";

    std::string folder = dir.path();
    const std::string name = fso.Create_Tmp_Filename(folder);
    EXPECT_EQ(name.rfind(dir.path() + "/_", 0), 0u) << name;
    EXPECT_EQ(name.substr(name.size() - 4), ".TMP");
    struct stat st {};
    ASSERT_EQ(::lstat(name.c_str(), &st), 0);
    EXPECT_TRUE(S_ISREG(st.st_mode));
    EXPECT_EQ(st.st_size, 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);

    const char* saved = std::getenv("TMPDIR");
    const std::string savedValue = saved ? saved : "";
    ::setenv("TMPDIR", dir.path().c_str(), 1);
    std::string blank;
    fso.Create_Tmp_Filename(blank);
    const std::string made = fso.Create_Tmp_Folder();
    saved ? ::setenv("TMPDIR", savedValue.c_str(), 1) : ::unsetenv("TMPDIR");
    EXPECT_EQ(blank, dir.path() + "/");
    EXPECT_EQ(made.rfind(dir.path() + "/_", 0), 0u) << made;
    EXPECT_EQ(made.back(), '/');
    EXPECT_TRUE(std::filesystem::is_directory(made));
}

TEST_F(PosixFso, IsThisRestrictedOnAReadOnlyFolder) {
    if (::geteuid() == 0) {
        GTEST_SKIP() << "permissions do not bind root";
    }
    dir.write("f.txt", "x");
    ASSERT_EQ(::chmod(dir.path().c_str(), 0555), 0);
    EXPECT_TRUE(fso.IsThisRestricted(dir.path()));
    EXPECT_FALSE(fso.KillFile(at("f.txt")));
    ASSERT_EQ(::chmod(dir.path().c_str(), 0755), 0);
    EXPECT_FALSE(dir.exists("_Test.$$$"));
}

TEST_F(PosixFso, DrivesAndDiskSpace) {
    const auto drives = fso.Available_Drives();
    EXPECT_NE(std::find(drives.begin(), drives.end(), "/"), drives.end());
    double total = 0, free = 0, used = 0;
    ASSERT_TRUE(fso.Get_Disk_Space(dir.path(), total, free, used));
    EXPECT_GT(total, 0);
    EXPECT_EQ(used, total - free);
    EXPECT_FALSE(fso.Get_Disk_Space(at("none"), total, free, used));

    const std::string mounts = "overlay / overlay rw 0 0\n"
                               "proc /proc proc rw 0 0\n"
                               "tmpfs /dev/shm tmpfs rw 0 0\n"
                               "/dev/sda1 /mnt/My\\040Disk ext4 rw 0 0\n"
                               "/dev/sda1 /mnt/My\\040Disk ext4 rw 0 0\n"
                               "garbage\n";
    EXPECT_EQ(platform::posix::realMountPoints(mounts),
              (std::vector<std::string>{"/", "/mnt/My Disk/"}));
}

} // namespace
} // namespace vesperon
