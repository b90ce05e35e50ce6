#include "platform/win32/wide_text.h"
#include "platform/win32/win32_files.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>
#include <windows.h>

namespace vesperon {
namespace {

using platform::FileRead;

// Whether a file held open by another handle or process probes as in use, and free once it
// is let go, the end-to-end runs under Wine tell.

// Names outside the ANSI code page, behind "\\?\" or on a share: absent only when the
// system says so plainly. Paths beyond MAX_PATH and device names the end-to-end runs try.
TEST(Win32Files, PresenceOfListedPaths) {
    using platform::Presence;
    test::TempDir dir;
    platform::win32::Win32Files files;
    dir.write("Дан.mdb", "");
    const std::string name = dir.file("Дан.mdb");
    const struct {
        std::string path;
        Presence presence;
    } cases[] = {{name, Presence::File},
                 {"\\\\?\\" + name, Presence::File},
                 {dir.path(), Presence::NotAFile},
                 {dir.file("missing.mdb"), Presence::Absent},
                 {dir.file("no\\such\\x.mdb"), Presence::Absent},
                 {"\\\\no-such-server\\share\\x.mdb", Presence::Undetermined}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(files.presenceOf(c.path), c.presence);
    }
    EXPECT_EQ(files.probe(name), platform::ProbeResult::Free);
}

TEST(Win32Files, LockIsTakenInTurnsAndWaitedForBoundedly) {
    using Status = platform::LockAttempt::Status;
    test::TempDir dir;
    const std::string lock = dir.file("v.lock");
    platform::win32::Win32Files files(300);
    auto held = files.lockFile(lock);
    ASSERT_EQ(held.status, Status::Held);
    const DWORD start = ::GetTickCount();
    EXPECT_EQ(files.lockFile(lock).status, Status::TimedOut);
    EXPECT_GE(::GetTickCount() - start, 300u);
    held.lock.reset();
    EXPECT_EQ(files.lockFile(lock).status, Status::Held);
    EXPECT_EQ(files.lockFile(dir.file("no\\such\\v.lock")).status, Status::Unavailable);
}

// In a folder named outside the ANSI code page, as an application folder may be.
TEST(Win32Files, ReadWriteAndAbsence) {
    test::TempDir dir;
    platform::win32::Win32Files files;
    ASSERT_TRUE(::CreateDirectoryW(platform::win32::widen(dir.file("Дан")).c_str(), nullptr));
    const std::string path = dir.file("Дан\\list.cfg");
    EXPECT_EQ(files.readWhole(path).status, FileRead::Status::Absent);
    EXPECT_EQ(files.readWhole(dir.file("no\\such\\list.cfg")).status, FileRead::Status::Absent);
    EXPECT_TRUE(files.absent(path));
    ASSERT_TRUE(files.writeText(path, "a\r\n", false));
    ASSERT_TRUE(files.writeText(path, "b\r\n", false));
    EXPECT_EQ(files.readWhole(path).bytes, "a\r\nb\r\n");
    ASSERT_TRUE(files.writeText(path, "c\r\n", true));
    EXPECT_EQ(files.readWhole(path).bytes, "c\r\n");
    EXPECT_FALSE(files.absent(path));
    EXPECT_FALSE(files.absent(dir.path()));
    EXPECT_TRUE(files.normalFilePresent(path));
    EXPECT_FALSE(files.normalFilePresent(dir.path()));
    EXPECT_FALSE(files.writeText(dir.file("no\\such\\x.cfg"), "x", false));
    EXPECT_NE(files.lastWriteFailure().find("(error 3)"), std::string::npos);
    ASSERT_TRUE(files.replaceFile(path, "d\r\n"));
    EXPECT_EQ(dir.read("Дан\\list.cfg"), "d\r\n");
    EXPECT_TRUE(files.deleteFile(path));
    EXPECT_TRUE(files.absent(path));
}

} // namespace
} // namespace vesperon
