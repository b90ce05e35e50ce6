#include "app/form1.h"
#include "fso/fso_cases.h"
#include "platform/win32/win32_file_system.h"
#include "platform/win32/win32_files.h"
#include "platform/win32/win32_system.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <windows.h>

namespace vesperon {
namespace {

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

using Win32Bench = test::BackendBench<platform::win32::Win32FileSystem, platform::win32::Win32Files,
                                      SystemInFolder>;

TEST(FsoCases, OnTheWindowsFileSystem) {
    test::runFsoCases<Win32Bench>();
}

struct Win32Fso : Win32Bench, ::testing::Test {};

// Add File writes to an ANSI (1252) list in that code page, or as UTF-8 what it cannot hold.
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
    EXPECT_EQ(dir.read("vesperon.cfg"),
              list + at("") + "\\caf\xE9.txt" + "\r\n" + at("Дан.txt") + "\r\n" + self + "\r\n");
    EXPECT_TRUE(f.windowing.messages.empty());
}

TEST_F(Win32Fso, DrivesAndDiskSpace) {
    std::int32_t type = 0;
    EXPECT_TRUE(fso().Drive_Exist("c:\\windows", type));
    EXPECT_EQ(type, 2);
    EXPECT_EQ(fso().driveInfo().RootFolder, "C:\\");
    double total = 0, free = 0, used = 0;
    ASSERT_TRUE(fso().Get_Disk_Space("c:\\windows", total, free, used));
    // Free space moves while other programs write; a drive's size does not.
    ULARGE_INTEGER available{}, size{}, unused{};
    ASSERT_TRUE(GetDiskFreeSpaceExA("C:\\", &available, &size, &unused));
    EXPECT_EQ(total, static_cast<double>(size.QuadPart));
    EXPECT_TRUE(free >= 0 && free <= total && used == total - free);
}

} // namespace
} // namespace vesperon
