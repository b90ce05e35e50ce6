#include "app/form1.h"
#include "fso/fso_cases.h"
#include "platform/win32/wide_text.h"
#include "platform/win32/win32_file_system.h"
#include "platform/win32/win32_files.h"
#include "platform/win32/win32_system.h"
#include "support/temp_dir.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <windows.h>

namespace vesperon {
namespace {

using platform::win32::widen;

// The real code-page conversions, with the program in the work folder.
struct SystemInFolder final : platform::System {
    platform::win32::Win32System real;
    std::string exe;
    std::string executablePath() override { return exe; }
    std::string argumentText() override { return ""; }
    std::int64_t localTimeWholeSeconds() override { return real.localTimeWholeSeconds(); }
    void sleepMilliseconds(int milliseconds) override { real.sleepMilliseconds(milliseconds); }
    std::optional<std::string> legacyToUtf8(std::string_view bytes) override {
        return real.legacyToUtf8(bytes);
    }
    std::optional<std::string> utf8ToLegacy(std::string_view text) override {
        return real.utf8ToLegacy(text);
    }
};

struct Win32Bench : test::FsoBench {
    test::TempDir dir;
    platform::win32::Win32FileSystem fs;
    platform::win32::Win32Files files;
    SystemInFolder system;
    platform::Platform p{platform::windowsEdition,
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
    clsFSO fso_{p};
    clsFSO& fso() override { return fso_; }
    std::string at(const std::string& name) const override {
        std::string path = name.empty() ? dir.path() : dir.file(name);
        std::replace(path.begin(), path.end(), '/', '\\');
        return path;
    }
    void write(const std::string& name, const std::string& bytes) override {
        std::filesystem::create_directories(std::filesystem::path(widen(at(name))).parent_path());
        dir.write(name, bytes);
    }
    void folder(const std::string& name) override {
        std::filesystem::create_directories(widen(at(name)));
    }
    void readOnly(const std::string& name) override {
        const std::wstring path = widen(at(name));
        ::SetFileAttributesW(path.c_str(),
                             ::GetFileAttributesW(path.c_str()) | FILE_ATTRIBUTE_READONLY);
    }
    bool exists(const std::string& name) const override { return dir.exists(name); }
    std::string read(const std::string& name) const override { return dir.read(name); }
    std::string alias(const std::string& name) override {
        std::string path = at(name);
        std::transform(path.begin(), path.end(), path.begin(), ::toupper);
        return path;
    }
};

TEST(FsoCases, OnTheWindowsFileSystem) {
    test::runFsoCases<Win32Bench>();
}

struct Win32Fso : Win32Bench, ::testing::Test {};

// Add File appends to a list saved in the ANSI code page (1252 here) in that code page, and a
// name the code page cannot hold as a UTF-8 line. A file on drive Z: (this program) is added too.
TEST_F(Win32Fso, AddFileKeepsAnAnsiListReadable) {
    system.exe = at("vesperon.exe");
    const std::string list = "; list\r\nC:\\caf\xE9.txt\r\n";
    write("vesperon.cfg", list);
    write("caf\xC3\xA9.txt", "");
    write("Дан.txt", "");
    char self[MAX_PATH] = {};
    ::GetModuleFileNameA(nullptr, self, MAX_PATH);
    ASSERT_EQ(std::string(self).rfind("Z:\\", 0), 0u) << self;
    Forms forms{f.windowing};
    Form1 owner{p, forms};
    forms.enableWindows();
    owner.editor().Show();
    for (const std::string& chosen : {at("caf\xC3\xA9.txt"), at("Дан.txt"), std::string(self)}) {
        f.windowing.dialogResults.push_back(chosen);
        owner.editor().userClicks("AddBrowse");
    }
    EXPECT_EQ(read("vesperon.cfg"),
              list + at("") + "\\caf\xE9.txt" + "\r\n" + at("Дан.txt") + "\r\n" + self + "\r\n");
    EXPECT_TRUE(f.windowing.messages.empty());
}

// On 64-bit Windows, System32 is where a 64-bit program finds it, not the SysWOW64 that the
// system gives this 32-bit one (scripts/lib/wine-test runs the suite in a 64-bit prefix too).
TEST_F(Win32Fso, System32AsA64BitProgramSeesIt) {
    BOOL wow64 = FALSE;
    ::IsWow64Process(::GetCurrentProcess(), &wow64);
    char windows[MAX_PATH] = {};
    ::GetWindowsDirectoryA(windows, MAX_PATH);
    const std::string name = "\\vesperon-unit-" + std::to_string(::GetCurrentProcessId());
    const std::wstring real =
        widen(windows + std::string(wow64 ? "\\Sysnative" : "\\System32") + name);
    const HANDLE h = ::CreateFileW(real.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    ::CloseHandle(h);
    EXPECT_TRUE(fso_.File_Exist(windows + std::string("\\System32") + name));
    ::DeleteFileW(real.c_str());
}

TEST_F(Win32Fso, DrivesAndDiskSpace) {
    std::int32_t type = 0;
    EXPECT_TRUE(fso_.Drive_Exist("c:\\windows", type));
    EXPECT_EQ(type, 2);
    EXPECT_EQ(fso_.driveInfo().RootFolder, "C:\\");
    EXPECT_TRUE(fso_.Folder_Exist("C:\\")) << "a bare drive is a folder when the drive exists";
    const auto drives = fso_.Available_Drives();
    EXPECT_NE(std::find(drives.begin(), drives.end(), "C:\\"), drives.end());
    double total = 0, free = 0, used = 0;
    ASSERT_TRUE(fso_.Get_Disk_Space("c:\\windows", total, free, used));
    // Free space moves while other programs write; a drive's size does not.
    ULARGE_INTEGER available{}, size{}, unused{};
    ASSERT_TRUE(GetDiskFreeSpaceExA("C:\\", &available, &size, &unused));
    EXPECT_EQ(total, static_cast<double>(size.QuadPart));
    EXPECT_TRUE(free >= 0 && free <= total && used == total - free);
}

} // namespace
} // namespace vesperon
