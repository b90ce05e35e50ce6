#include "fso/cls_fso.h"
#include "platform/fake/fake_platform.h"
#include "platform/win32/wide_text.h"
#include "platform/win32/win32_platform.h"
#include "support/temp_dir.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <windows.h>

namespace vesperon {
namespace {

using platform::msgbox::yes;

std::vector<std::string> sortedEntries(const std::string& list) {
    std::vector<std::string> entries;
    for (std::size_t start = 0, end; (end = list.find(';', start)) != std::string::npos;
         start = end + 1) {
        entries.push_back(list.substr(start, end - start));
    }
    std::sort(entries.begin(), entries.end());
    return entries;
}

struct Win32Fso : ::testing::Test {
    test::TempDir dir;
    fake::FakePlatform f; // message boxes and the rest
    platform::win32::Win32FileSystem fs;
    platform::win32::Win32Files files;
    platform::win32::Win32System system;
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
    clsFSO fso{p};

    std::string at(const std::string& name) const { return dir.file(name); }
    void readOnly(const std::string& name) const {
        ::SetFileAttributesW(platform::win32::widen(at(name)).c_str(), FILE_ATTRIBUTE_READONLY);
    }
    // Held open without sharing until the returned handle is closed.
    HANDLE lock(const std::string& name) const {
        return ::CreateFileW(platform::win32::widen(at(name)).c_str(), GENERIC_READ, 0, nullptr,
                             OPEN_EXISTING, 0, nullptr);
    }
    void mkdir(const std::string& name) const {
        ::CreateDirectoryW(platform::win32::widen(at(name)).c_str(), nullptr);
    }
};

TEST_F(Win32Fso, ListingsTotalsAndSearch) {
    dir.write("a.txt", "xxABCxx");
    dir.write("b.TXT", std::string(20, 'x'));
    dir.write("c.log", "");
    mkdir("Дан"); // names outside the ANSI code page come back as they are
    dir.write("Дан\\d.txt", "abc");
    const std::string d = dir.path() + "\\";
    const std::string list = fso.Get_FileList(dir.path(), true, "*.txt");
    EXPECT_EQ(list.back(), ';');
    EXPECT_EQ(sortedEntries(list),
              (std::vector<std::string>{d + "a.txt", d + "b.TXT", d + "Дан\\d.txt"}));
    EXPECT_EQ(fso.Count(), 3);
    EXPECT_EQ(fso.Get_DirList(d), d + "Дан");
    EXPECT_EQ(fso.Get_Totals(dir.path(), 1, "*.txt", false), "27");
    EXPECT_EQ(fso.TextSearch(dir.path(), "abc"), std::vector<std::string>{d + "a.txt"});
    EXPECT_THROW(fso.Get_FileList(at("none")), FsoError);

    ASSERT_TRUE(fso.Get_FileInfo(at("a.txt")));
    const FileInfo info = fso.fileInfo();
    EXPECT_EQ(info.Size, "7");
    EXPECT_EQ(info.Extension, "txt");
    EXPECT_EQ(info.ParentFolder, dir.path());
    EXPECT_EQ(info.Attributes, "A");
    const std::string day = info.DateLastModified.substr(0, info.DateLastModified.find(' '));
    EXPECT_TRUE(fs.dateValue(day).has_value()) << info.DateLastModified;
    EXPECT_EQ(fso.Get_Totals(dir.path(), 3, day, false), "3");
}

TEST_F(Win32Fso, DeletesClearReadOnlyButNotALock) {
    dir.write("ro.txt", "x");
    readOnly("ro.txt");
    EXPECT_TRUE(fso.KillFile(at("ro.txt")));
    EXPECT_FALSE(dir.exists("ro.txt"));

    dir.write("locked.txt", "x");
    HANDLE held = lock("locked.txt");
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    EXPECT_FALSE(fso.KillFile(at("locked.txt")));

    mkdir("k");
    mkdir("k\\sub");
    dir.write("k\\a.txt", "x");
    dir.write("k\\sub\\b.txt", "x");
    readOnly("k\\sub\\b.txt");
    dir.write("k\\held.txt", "x");
    HANDLE inside = lock("k\\held.txt");
    EXPECT_FALSE(fso.KillDir(at("k"), true));
    EXPECT_TRUE(dir.exists("k\\held.txt"));
    EXPECT_FALSE(dir.exists("k\\a.txt"));
    EXPECT_FALSE(dir.exists("k\\sub"));
    ::CloseHandle(inside);
    ::CloseHandle(held);
    EXPECT_TRUE(fso.KillDir(at("k"), false));
    EXPECT_FALSE(dir.exists("k"));
    EXPECT_FALSE(fso.DelTree32(at("k")));
    EXPECT_TRUE(f.windowing.messages.empty());
}

TEST_F(Win32Fso, FoldersTransfersAndProbes) {
    EXPECT_TRUE(fso.Create_Dir_Struct(at("a\\b\\c")));
    EXPECT_TRUE(fso.Folder_Exist(at("a\\b\\c")));

    dir.write("src.txt", "new");
    dir.write("Отчёт.txt", "old");
    readOnly("Отчёт.txt");
    f.windowing.answers = {yes};
    EXPECT_TRUE(fso.Move_File(at("src.txt"), at("Отчёт.txt")));
    EXPECT_EQ(dir.read("Отчёт.txt"), "new");
    EXPECT_FALSE(dir.exists("src.txt"));
    dir.write("other.txt", "old");
    readOnly("other.txt");
    EXPECT_TRUE(fso.Copy_File(at("Отчёт.txt"), at("other.txt"), true));
    EXPECT_EQ(dir.read("other.txt"), "new");
    EXPECT_FALSE(fso.Move_File(at("none"), at("x")));
    EXPECT_EQ(f.windowing.messages.size(), 2u);

    EXPECT_FALSE(fso.IsThisRestricted(dir.path()));
    EXPECT_FALSE(dir.exists("_Test.$$$"));
    EXPECT_TRUE(fso.IsThisRestricted(at("none")));

    std::string folder = dir.path() + "\\";
    const std::string name = fso.Create_Tmp_Filename(folder);
    EXPECT_EQ(name.rfind(folder + "_", 0), 0u) << name;
    EXPECT_NE(::GetFileAttributesA(name.c_str()), INVALID_FILE_ATTRIBUTES);
    std::string blank;
    fso.Create_Tmp_Filename(blank);
    EXPECT_EQ(blank.back(), '\\');
}

TEST_F(Win32Fso, DrivesVersionsAndDiskSpace) {
    const auto drives = fso.Available_Drives();
    EXPECT_NE(std::find(drives.begin(), drives.end(), "C:\\"), drives.end());
    double total = 0, free = 0, used = 0;
    ASSERT_TRUE(fso.Get_Disk_Space("c:\\windows", total, free, used));
    EXPECT_GT(total, 0);
    EXPECT_EQ(used, total - free);

    char self[MAX_PATH] = {};
    ::GetModuleFileNameA(nullptr, self, MAX_PATH);
    std::string program(self);
    program.resize(program.find_last_of('\\'));
    program.resize(program.find_last_of('\\') + 1);
    EXPECT_EQ(fso.Get_Version(program + "vesperon.exe"), "1.3.0.0");
    EXPECT_EQ(fso.Get_Version(self), "") << "the test program has no version record";
}

} // namespace
} // namespace vesperon
