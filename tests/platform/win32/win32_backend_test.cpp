#include "auxiliary/pause.h"
#include "auxiliary/process_list_window.h"
#include "platform/fake/fake_windowing.h"
#include "platform/profile_cases.h"
#include "platform/win32/wide_text.h"
#include "platform/win32/win32_file_system.h"
#include "platform/win32/win32_files.h"
#include "platform/win32/win32_process_listing.h"
#include "platform/win32/win32_profile.h"
#include "platform/win32/win32_system.h"
#include "support/temp_dir.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <string>
#include <windows.h>

namespace vesperon {
namespace {

using platform::FileRead;

// Absent only when the system says so plainly; the end-to-end runs try held files.
TEST(Win32Files, PresenceOfListedPaths) {
    using platform::Presence;
    test::TempDir dir;
    platform::win32::Win32Files files;
    dir.write("Дан.mdb", "");
    const std::string name = dir.file("Дан.mdb");
    const std::pair<std::string, Presence> cases[] = {
        {name, Presence::File},
        {"\\\\?\\" + name, Presence::File},
        {dir.path(), Presence::NotAFile},
        {dir.file("missing.mdb"), Presence::Absent},
        {dir.file("no\\such\\x.mdb"), Presence::Absent},
        {dir.file("a|b.mdb"), Presence::Undetermined}}; // a name the system refuses
    for (const auto& [path, presence] : cases) {
        EXPECT_EQ(files.presenceOf(path), presence) << path;
    }
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

// A rewrite goes through a fresh file that it never leaves behind, and spares any other file.
TEST(Win32Files, ReadWriteReplaceAndAbsence) {
    test::TempDir dir;
    platform::win32::Win32Files files;
    ASSERT_TRUE(::CreateDirectoryW(platform::win32::widen(dir.file("Дан")).c_str(), nullptr));
    const std::string path = dir.file("Дан\\list.cfg");
    EXPECT_EQ(files.readWhole(dir.file("no\\such\\list.cfg")).status, FileRead::Status::Absent);
    EXPECT_TRUE(files.absent(path));
    ASSERT_TRUE(files.writeText(path, "a\r\n", false));
    ASSERT_TRUE(files.writeText(path, "b\r\n", false));
    EXPECT_EQ(files.readWhole(path).bytes, "a\r\nb\r\n");
    ASSERT_TRUE(files.writeText(path, "c\r\n", true));
    EXPECT_EQ(files.readWhole(path).bytes, "c\r\n");
    EXPECT_FALSE(files.absent(dir.path()));
    EXPECT_TRUE(files.normalFilePresent(path));
    EXPECT_FALSE(files.normalFilePresent(dir.path()));
    EXPECT_FALSE(files.writeText(dir.file("no\\such\\x.cfg"), "x", false));
    EXPECT_NE(files.lastWriteFailure().find("(error 3)"), std::string::npos);

    dir.write("Дан\\list.cfg.new", "someone else's");
    ASSERT_TRUE(files.replaceFile(path, "d\r\n"));
    EXPECT_EQ(dir.read("Дан\\list.cfg"), "d\r\n");
    EXPECT_FALSE(files.replaceFile(dir.file("Дан"), "x")) << "a folder is never replaced";
    EXPECT_EQ(dir.read("Дан\\list.cfg.new"), "someone else's");
    EXPECT_EQ(dir.entries("Дан"), 2);
    EXPECT_TRUE(files.deleteFile(path));
    EXPECT_TRUE(files.absent(path));
}

// This test program.
std::string selfPath() {
    char self[MAX_PATH] = {};
    ::GetModuleFileNameA(nullptr, self, MAX_PATH);
    return self;
}

// The process list window lists this program by its path (Windows NT lists by process id).
TEST(Win32ProcessListing, ListsThisProgram) {
    platform::win32::Win32ProcessListing listing;
    const auto lines = listProcesses(listing);
    EXPECT_NE(std::find(lines.begin(), lines.end(), selfPath()), lines.end());
}

// The clock counts whole seconds, not tenths.
TEST(Win32System, PauseLastsItsSeconds) {
    platform::win32::Win32System system;
    fake::FakeWindowing windowing;
    const DWORD start = ::GetTickCount();
    Pause(system, windowing, 1);
    EXPECT_GE(::GetTickCount() - start, 900u);
}

// The program beside this test program's folder: build/windows/vesperon.exe.
std::string programPath() {
    const std::string self = selfPath();
    return self.substr(0, self.find_last_of('\\', self.find_last_of('\\') - 1) + 1) +
           "vesperon.exe";
}

// The event message table gives the entry text and a line break; Get_Version reads a version.
TEST(Resources, MessageTableAndVersionRecord) {
    HMODULE program = ::LoadLibraryExA(programPath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(program, nullptr) << programPath();
    char insert[] = "Files in use";
    DWORD_PTR inserts[] = {reinterpret_cast<DWORD_PTR>(insert)};
    char text[64] = {};
    const DWORD n =
        ::FormatMessageA(FORMAT_MESSAGE_FROM_HMODULE | FORMAT_MESSAGE_ARGUMENT_ARRAY, program,
                         10177, 0, text, sizeof text, reinterpret_cast<va_list*>(inserts));
    EXPECT_EQ(std::string(text, n), "Files in use\r\n");
    ::FreeLibrary(program);
    EXPECT_FALSE(platform::win32::Win32FileSystem().fileVersion(programPath()).empty());
}

// Agrees with the Linux reader on the shared table; only a missing file reads as missing.
TEST(Win32Profile, AgreesOnTheSharedTableAndTellsUnreadableFromMissing) {
    test::TempDir dir;
    platform::win32::Win32Profile profile;
    for (const auto& c : test::profileCases()) {
        dir.write("case.ini", c.file);
        EXPECT_EQ(profile.getString(c.section, c.key, "", 255, dir.file("case.ini")), c.expected)
            << c.name;
    }
    EXPECT_EQ(profile.whyUnreadable(dir.file("missing\\v.ini")), std::nullopt);
    EXPECT_EQ(profile.whyUnreadable(dir.path()), "it is a folder");
    const HANDLE held = ::CreateFileA(dir.file("case.ini").c_str(), GENERIC_READ, 0, nullptr,
                                      OPEN_EXISTING, 0, nullptr);
    EXPECT_NE(profile.whyUnreadable(dir.file("case.ini")), std::nullopt)
        << "held by another program";
    ::CloseHandle(held);
    const auto write = profile.writeString("s", "k", "2", dir.file("missing\\v.ini"));
    EXPECT_FALSE(write.written);
    EXPECT_NE(write.reason.find("(error "), std::string::npos) << write.reason;
}

} // namespace
} // namespace vesperon
