#include "platform/posix/proc/open_file_scan.h"
#include "support/child_process.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vesperon::platform::posix {
namespace {

using test::Child;
using test::TempDir;

TEST(OpenFileScan, CountsOtherUsersProcessesItCannotLookInto) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "becoming another user needs root";
    }
    // And on a made-up /proc, where no process ends during the pass, exactly the one it may
    // not look into.
    TempDir dir;
    for (const char* folder : {"proc", "proc/42", "proc/10", "proc/10/fd"}) {
        ASSERT_EQ(::mkdir(dir.file(folder).c_str(), 0755), 0);
    }
    ASSERT_EQ(::chmod(dir.path().c_str(), 0755), 0);
    ASSERT_EQ(::chmod(dir.file("proc/10/fd").c_str(), 0700), 0);
    Child child([&] {
        OpenFileScan scan;
        OpenFileScan madeUp(dir.file("proc"), 42);
        return ::setresgid(65534, 65534, 65534) == 0 && ::setresuid(65534, 65534, 65534) == 0 &&
               scan.scan() && scan.uninspectedProcesses() > 0 && madeUp.scan() &&
               madeUp.uninspectedProcesses() == 1;
    });
    EXPECT_TRUE(child.ready());
}

// A made-up /proc, to reach what a real one rarely shows: maps whose device is not the one
// stat() reports, mappings whose link cannot be followed, our own process.
TEST(OpenFileScan, ReadsDescriptorsAndMappings) {
    TempDir dir;
    for (const char* name : {"own", "renumbered", "unlinked", "free"}) {
        dir.write(name, "x");
    }
    auto inode = [&](const char* name) {
        struct stat info {};
        ::stat(dir.file(name).c_str(), &info);
        return info;
    };
    // maps pads addresses with zeros; map_files names them without.
    auto mapsLine = [&](const char* device, const char* name) {
        return "00007f00-00007f10 r--p 00000000 " + std::string(device) + " " +
               std::to_string(inode(name).st_ino) + "    /some/name\n";
    };
    auto proc = [&](const std::string& rest) { return dir.file("proc/" + rest); };
    for (const char* folder : {"proc", "proc/20", "proc/20/map_files", "proc/30", "proc/42",
                               "proc/42/fd", "proc/x", "proc/x/fd"}) {
        ASSERT_EQ(::mkdir(dir.file(folder).c_str(), 0700), 0);
    }
    // The inode number is another file's: the mapping's own link decides.
    dir.write("proc/20/maps",
              "5500-5600 rw-p 00000000 00:00 0    [heap]\n" + mapsLine("ff:ff", "free"));
    ASSERT_EQ(::symlink(dir.file("renumbered").c_str(), proc("20/map_files/7f00-7f10").c_str()), 0);
    // Without a link to follow, the inode number is held on every device.
    dir.write("proc/30/maps", mapsLine("ff:fe", "unlinked") + "garbage\n");
    ASSERT_EQ(::symlink(dir.file("own").c_str(), proc("42/fd/3").c_str()), 0);
    ASSERT_EQ(::symlink(dir.file("free").c_str(), proc("x/fd/3").c_str()), 0);

    OpenFileScan scan(dir.file("proc"), 42);
    ASSERT_TRUE(scan.scan());
    for (auto [name, held] :
         {std::pair{"renumbered", true}, {"unlinked", true}, {"own", false}, {"free", false}}) {
        SCOPED_TRACE(name);
        EXPECT_EQ(scan.held(inode(name).st_dev, inode(name).st_ino), held);
    }
    EXPECT_FALSE(OpenFileScan(dir.file("missing")).scan());
    EXPECT_FALSE(OpenFileScan(dir.file("proc"), 99).scan()) << "not listing this process";
}

} // namespace
} // namespace vesperon::platform::posix
