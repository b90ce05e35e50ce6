#pragma once

#include "fso/cls_fso.h"
#include "platform/fake/fake_platform.h"
#include "support/temp_dir.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

namespace vesperon::test {

inline std::filesystem::path native(const std::string& utf8) {
    return std::u8string(utf8.begin(), utf8.end());
}

#ifdef _WIN32
inline constexpr platform::Edition thisEdition = platform::windowsEdition;
// Another path to the same file: other letter case on Windows, a link on Linux.
inline std::string aliasOf(std::string path) {
    std::transform(path.begin(), path.end(), path.begin(), ::toupper);
    return path;
}
#else
inline constexpr platform::Edition thisEdition = platform::posixEdition;
inline std::string aliasOf(const std::string& path) {
    std::filesystem::create_symlink(path, path + ".link");
    return path + ".link";
}
#endif

// A work folder on the edition's real file system; at() spells "/" names as the edition does.
struct FsoBench {
    fake::FakePlatform f;
    TempDir dir;
    std::unique_ptr<clsFSO> fso_;
    clsFSO& fso() { return *fso_; }
    std::string at(const std::string& name) const {
        std::string path = name.empty() ? dir.path() : dir.file(name);
        std::replace(path.begin(), path.end(), '/', thisEdition.separator);
        return path;
    }
    void write(const std::string& name, const std::string& bytes) {
        std::filesystem::create_directories(native(at(name)).parent_path());
        dir.write(name, bytes);
    }
    void readOnly(const std::string& name) {
        std::filesystem::permissions(native(at(name)),
                                     std::filesystem::perms::owner_write |
                                         std::filesystem::perms::group_write |
                                         std::filesystem::perms::others_write,
                                     std::filesystem::perm_options::remove);
    }
};

// The edition's own backends for the files and the file system.
template <class FileSystem, class Files, class System> struct BackendBench : FsoBench {
    FileSystem fs;
    Files files;
    System system;
    platform::Platform p{thisEdition, system,           files,       fs,
                         f.processes, f.profile,        f.registry,  f.eventLog,
                         f.windowing, f.processListing, f.inhibitors};
    template <class... Arguments>
    explicit BackendBench(Arguments... arguments) : system(arguments...) {
        fso_ = std::make_unique<clsFSO>(p);
    }
};

// What the utility class does alike on the real file systems of both editions.
struct FsoCase {
    const char* name;
    void (*run)(FsoBench&);
};

inline const std::vector<FsoCase>& fsoCases() {
    static const std::vector<FsoCase> cases = {
        {"existence",
         [](FsoBench& b) {
             b.write("f.txt", "x");
             b.write("d/x", "");
             EXPECT_TRUE(b.fso().File_Exist(b.at("f.txt")));
             // Not even a name that the folder the program runs in happens to hold.
             const std::filesystem::path started = std::filesystem::current_path();
             std::filesystem::current_path(b.at(""));
             for (const std::string& no :
                  {b.at("d"), b.at("none"), std::string("d/x"), " " + b.at("f.txt")}) {
                 EXPECT_FALSE(b.fso().File_Exist(no)) << no;
             }
             std::filesystem::current_path(started);
             EXPECT_TRUE(b.fso().Folder_Exist(b.at("d")));
         }},
        {"listings, totals and search",
         [](FsoBench& b) {
             b.write("a.txt", "xxABCxx");
             b.write("b.TXT", std::string(20, 'x'));
             b.write("c.log", "");
             b.write("Дан/d.txt", "abc"); // outside the ANSI code page
             clsFSO& fso = b.fso();
             // Listed in the platform's order: each name once, and no other.
             const std::string list = fso.Get_FileList(b.at(""), true, "*.txt");
             for (const char* name : {"a.txt", "b.TXT", "Дан/d.txt"}) {
                 EXPECT_NE(list.find(b.at(name) + ";"), std::string::npos) << name;
             }
             EXPECT_EQ(std::count(list.begin(), list.end(), ';'), 3) << list;
             EXPECT_EQ(fso.Count(), 3);
             EXPECT_EQ(fso.Get_DirList(b.at("")), b.at("Дан"));
             EXPECT_THROW(fso.Get_FileList(b.at("none")), FsoError);
             // Files written today count from today's date on.
             ASSERT_TRUE(fso.Get_FileInfo(b.at("a.txt")));
             const std::string stamp = fso.fileInfo().DateLastModified;
             EXPECT_EQ(fso.Get_Totals(b.at(""), 3, stamp.substr(0, stamp.find(' ')), false), "3");
         }},
        {"file information",
         [](FsoBench& b) {
             b.write("notes.txt", "0123456789");
             clsFSO& fso = b.fso();
             ASSERT_TRUE(fso.Get_FileInfo(b.at("notes.txt")));
             const auto& info = fso.fileInfo();
             EXPECT_EQ(std::tie(info.Path, info.ParentFolder, info.Size, info.Extension),
                       std::make_tuple(b.at("notes.txt"), b.at(""), "10", "txt"));
             EXPECT_EQ(info.Attributes, "A");
             EXPECT_FALSE(fso.Get_FileInfo(b.at("")));
             EXPECT_EQ(fso.fileInfo().Path, b.at("notes.txt")) << "record left as it was";
             b.readOnly("notes.txt");
             ASSERT_TRUE(fso.Get_FileInfo(b.at("notes.txt")));
             EXPECT_EQ(fso.fileInfo().Attributes, "RA");
         }},
        {"deletes take read-only files and fail silently",
         [](FsoBench& b) {
             b.write("ro.txt", "x");
             b.readOnly("ro.txt");
             EXPECT_TRUE(b.fso().KillFile(b.at("ro.txt")));
             EXPECT_TRUE(b.fso().KillFile(b.at("never.txt")));
             EXPECT_FALSE(b.dir.exists("ro.txt"));
             b.write("k/a.txt", "x");
             b.write("k/sub/b.txt", "x");
             b.readOnly("k/sub/b.txt");
             EXPECT_TRUE(b.fso().KillDir(b.at("k"), true)) << "emptied and made again";
             EXPECT_TRUE(b.dir.exists("k") && !b.dir.exists("k/a.txt") && !b.dir.exists("k/sub"));
             EXPECT_TRUE(b.fso().KillDir(b.at("k"), false));
             EXPECT_FALSE(b.dir.exists("k"));
             EXPECT_FALSE(b.fso().DelTree32(b.at("k")));
             EXPECT_TRUE(b.f.windowing.messages.empty());
         }},
        {"folder structures",
         [](FsoBench& b) {
             EXPECT_TRUE(b.fso().Create_Dir_Struct(b.at("a/b")));
             EXPECT_TRUE(b.fso().Create_Dir_Struct("  " + b.at("a/b/c/d/") + "  "));
             EXPECT_TRUE(b.dir.exists("a/b/c/d"));
             b.write("a/file", "");
             EXPECT_FALSE(b.fso().Create_Dir_Struct(b.at("a/file/x")));
             ASSERT_EQ(b.f.windowing.messages.size(), 1u);
             EXPECT_EQ(b.f.windowing.messages[0].prompt,
                       "Error: 58  File already exists\r\n\r\n"
                       "An error occured while trying to create " +
                           b.at("a/file"));
         }},
        {"moves and copies replace read-only targets",
         [](FsoBench& b) {
             b.write("Отчёт.txt", "new");
             b.write("dst.txt", "old");
             b.readOnly("dst.txt");
             b.f.windowing.answers = {platform::msgbox::yes};
             EXPECT_TRUE(b.fso().Move_File(b.at("Отчёт.txt"), b.at("dst.txt")));
             EXPECT_FALSE(b.dir.exists("Отчёт.txt"));
             EXPECT_EQ(b.dir.read("dst.txt"), "new");
             b.write("Копия.txt", "old");
             b.readOnly("Копия.txt");
             EXPECT_TRUE(b.fso().Copy_File(b.at("dst.txt"), b.at("Копия.txt"), true));
             EXPECT_EQ(b.dir.read("Копия.txt"), "new");
             EXPECT_FALSE(b.fso().Move_File(b.at("none"), b.at("x")));
             // Onto itself, however spelt: clearing the target would lose the file.
             for (const std::string& same : {b.at("dst.txt"), aliasOf(b.at("dst.txt"))}) {
                 EXPECT_FALSE(b.fso().Copy_File(b.at("dst.txt"), same, true)) << same;
                 EXPECT_FALSE(b.fso().Move_File(b.at("dst.txt"), same)) << same;
                 EXPECT_EQ(b.dir.read("dst.txt"), "new") << same;
             }
         }},
        {"probes and temporary files leave nothing behind",
         [](FsoBench& b) {
             EXPECT_FALSE(b.fso().IsThisRestricted(b.at("")));
             EXPECT_FALSE(b.dir.exists("_Test.$$$"));
             EXPECT_TRUE(b.fso().IsThisRestricted(b.at("none")));
             std::string folder = b.at("");
             const std::string name = b.fso().Create_Tmp_Filename(folder);
             EXPECT_EQ(name.rfind(b.at("_"), 0), 0u) << name;
             EXPECT_TRUE(name.ends_with(".tmp") || name.ends_with(".TMP")) << name;
             EXPECT_TRUE(b.dir.exists(name.substr(b.at("").size() + 1)));
         }},
    };
    return cases;
}

// Runs every case on a fresh Bench.
template <class Bench> void runFsoCases() {
    for (const auto& c : fsoCases()) {
        SCOPED_TRACE(c.name);
        auto bench = std::make_unique<Bench>();
        c.run(*bench);
    }
}

} // namespace vesperon::test
