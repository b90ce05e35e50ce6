#include "platform/posix/regedit/posix_registry.h"
#include "platform/posix/regedit/regedit_text.h"
#include "support/environment_guard.h"
#include "support/regedit_values.h"
#include "support/temp_dir.h"

#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <numeric>
#include <sstream>
#include <string>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace vesperon::platform::posix {
namespace {

constexpr std::uint32_t localMachine = 0x80000002;
constexpr const char* eventKey =
    "SYSTEM\\CurrentControlSet\\Services\\Eventlog\\Application\\Vesperon";
constexpr const char* hiveFile = "registry/HKEY_LOCAL_MACHINE.reg";

std::vector<std::uint8_t> text(const std::string& s) {
    std::vector<std::uint8_t> bytes(s.begin(), s.end());
    bytes.push_back(0);
    return bytes;
}

// What the program stores for its event source.
long registerSource(Registry& registry) {
    RegistryHandle handle = 0;
    long status = registry.createKey(localMachine, eventKey, handle);
    if (status != 0) {
        return status;
    }
    status = registry.setValue(handle, "TypesSupported", 4, {7, 0, 0, 0});
    if (status == 0) {
        status = registry.setValue(handle, "EventMessageFile", 1, text("/opt/v/vesperon"));
    }
    long closed = registry.closeKey(handle);
    return status != 0 ? status : closed;
}

using regedit_text::ensureKey;
using regedit_text::formatValueLine;
using regedit_text::setValue;
using test::storedLine;
using Bytes = std::vector<std::uint8_t>;
constexpr const char* key = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Vesperon";

TEST(RegeditText, ValueLinesAndReadingThemBack) {
    struct Case {
        std::string name;
        std::uint32_t type;
        Bytes data;
        std::string line;
    };
    const Case cases[] = {
        {"n", 4, {0x0a, 0x01, 0, 0}, "\"n\"=dword:0000010a"},
        {"n", 4, {1, 2}, "\"n\"=hex(4):01,02"},
        {"b", 3, {0, 0x80, 0xff}, "\"b\"=hex:00,80,ff"},
        {"p", 1, text("C:\\v \"x\""), "\"p\"=\"C:\\\\v \\\"x\\\"\""},
        {"", 1, {0}, "@=\"\""},
        {"s", 1, {'a'}, "\"s\"=hex(1):61"}, // no terminator
        {"s", 1, text("a\nb"), "\"s\"=hex(1):61,0a,62,00"},
        {"t", 0x12345678, {1}, "\"t\"=hex(12345678):01"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        EXPECT_EQ(storedLine(setValue("", key, c.name, c.type, c.data), key, c.name),
                  c.line + "\r\n");
    }
    // Long hex goes on in lines the editor takes.
    Bytes data(300);
    std::iota(data.begin(), data.end(), std::uint8_t{0});
    const std::string text = formatValueLine("Blob", 3, data);
    EXPECT_EQ(storedLine(setValue("", key, "Blob", 3, data), key, "Blob"), text);
    for (std::size_t at = 0, end; (end = text.find("\r\n", at)) != std::string::npos;
         at = end + 2) {
        EXPECT_LE(end - at, 80u) << "at " << at;
    }
}

// A value replaces its last occurrence under the key, or joins the key's end; all else stays.
TEST(RegeditText, EditsKeepEverythingElse) {
    const std::string k = std::string("[") + key + "]\r\n";
    const std::string before =
        "REGEDIT4\r\n; kept by hand\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Other]\r\n"
        "\"Count\"=dword:00000001\r\n\r\n[hkey_local_machine\\software\\vesperon]\n"
        "\"Blob\"=hex:01,02,\\\n  03,04\nodd line the editor would not write\r\n"
        "\"Last\"=\"x\"\r\n; trailing note\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\After]\r\n"
        "\"BLOB\"=hex:09\r\n";
    std::string replaced = before, added = before;
    replaced.replace(before.find("\"Blob\""), 26, "\"BLOB\"=dword:00000002");
    added.insert(before.find("; trailing"), "\"New\"=hex:ab\r\n");
    EXPECT_EQ(setValue(before, key, "BLOB", 4, {2, 0, 0, 0}), replaced);
    EXPECT_EQ(setValue(before, key, "New", 3, {0xab}), added);
    EXPECT_EQ(setValue(k + "\"V\"=dword:00000001\r\n\r\n" + k + "\"V\"=dword:00000002\r\n", key,
                       "V", 4, {3, 0, 0, 0}),
              k + "\"V\"=dword:00000001\r\n\r\n" + k + "\"V\"=dword:00000003\r\n");
    EXPECT_EQ(ensureKey("REGEDIT4\r\n\r\n[X]", key), "REGEDIT4\r\n\r\n[X]\r\n" + k + "\r\n");
}

TEST(RegeditText, MalformedFilesSurvive) {
    const std::string junk[] = {
        "\"unterminated=dword:00000001\r\n",
        "\"V\"=hex:01,\\\r\n[HKEY_LOCAL_MACHINE\\After]\r\n",
        "@\r\n[\r\n[]\r\n[" + std::string(key) + "\r\n",
        std::string("\"n\0ul\"=dword:00000001\r\n", 23),
        "\r\r\n\n\\",
    };
    for (const std::string& tail : junk) {
        for (const std::string& before : {tail, std::string("[") + key + "]\r\n" + tail}) {
            std::string after = setValue(before, key, "V", 4, {5, 0, 0, 0});
            EXPECT_EQ(storedLine(after, key, "V"), "\"V\"=dword:00000005\r\n") << after;
            // Only the broken value line itself may go.
            std::istringstream lines(before);
            for (std::string line; std::getline(lines, line);) {
                EXPECT_TRUE(line.starts_with("\"V\"=") || after.find(line) != std::string::npos)
                    << line;
            }
            if (before == tail) {
                EXPECT_TRUE(after.starts_with(before));
            }
        }
    }
    // An editor that doubled the CR: the value is still replaced where it stands.
    const std::string doubled = std::string("[") + key + "]\r\r\n\"V\"=dword:00000002\r\r\n";
    EXPECT_EQ(setValue(doubled, key, "V", 4, {3, 0, 0, 0}).find("00000002"), std::string::npos);
    EXPECT_EQ(setValue("x", "-HKEY_USERS\\k", "a", 4, {1, 0, 0, 0}), "x") << "a deletion";
}

TEST(PosixRegistry, WritesTheEventSourceOnceKeepingWhatIsStored) {
    test::TempDir dir;
    const mode_t mask = ::umask(0); // as a scheduler may leave it
    PosixRegistry registry(dir.path());
    RegistryHandle handle = 0;
    EXPECT_EQ(registry.createKey(localMachine, std::string("Cut\0Short", 9), handle), 87);
    ASSERT_EQ(registry.createKey(localMachine, "SOFTWARE\\Other", handle), 0);
    ::umask(mask);
    EXPECT_EQ(registry.setValue(handle, std::string("a\0b", 3), 1, text("x")), 87);
    ASSERT_EQ(registry.setValue(handle, "Keep", 1, text("me")), 0);
    EXPECT_EQ(registry.closeKey(handle), 0);
    struct stat info {};
    ASSERT_EQ(::stat(dir.file("registry").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 022, 0u) << "a state folder others may write";
    const std::string before = dir.read(hiveFile);
    EXPECT_EQ(before,
              "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Other]\r\n\"Keep\"=\"me\"\r\n\r\n");
    ASSERT_EQ(registerSource(registry), 0);
    PosixRegistry again(dir.path());
    ASSERT_EQ(registerSource(again), 0);
    EXPECT_EQ(dir.read(hiveFile), before + "[HKEY_LOCAL_MACHINE\\" + eventKey +
                                      "]\r\n\"TypesSupported\"=dword:00000007\r\n"
                                      "\"EventMessageFile\"=\"/opt/v/vesperon\"\r\n\r\n");
    EXPECT_EQ(dir.entries("registry"), 1);
}

TEST(PosixRegistry, PermissionErrorsLinksAndHeldHivesChangeNothing) {
    test::TempDir dir;
    ::mkdir(dir.file("registry").c_str(), 0755);
    // Locks belong to an open file: one more open of the folder is another holder.
    const int held = ::open(dir.file("registry").c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    ASSERT_EQ(::flock(held, LOCK_EX), 0);
    using clock = std::chrono::steady_clock;
    PosixRegistry waiting(dir.path(), std::chrono::milliseconds(300));
    auto start = clock::now();
    EXPECT_EQ(registerSource(waiting), 32);
    EXPECT_GE(clock::now() - start, std::chrono::milliseconds(300));
    start = clock::now();
    EXPECT_EQ(registerSource(waiting), 32);
    EXPECT_LT(clock::now() - start, std::chrono::milliseconds(100)) << "no second wait";
    EXPECT_FALSE(dir.exists(hiveFile));
    ::close(held);
    dir.write("secret", "password=swordfish\r\n");
    ASSERT_EQ(::symlink(dir.file("secret").c_str(), dir.file(hiveFile).c_str()), 0);
    PosixRegistry registry(dir.path());
    EXPECT_NE(registerSource(registry), 0);
    EXPECT_EQ(dir.read("secret"), "password=swordfish\r\n");
    ASSERT_EQ(::unlink(dir.file(hiveFile).c_str()), 0);
    dir.write(hiveFile, "");
    ASSERT_EQ(::truncate(dir.file(hiveFile).c_str(), 2 << 20), 0);
    EXPECT_NE(registerSource(registry), 0);
    EXPECT_EQ(std::filesystem::file_size(dir.file(hiveFile)), 2u << 20);
    EXPECT_EQ(dir.entries("registry"), 1);
    if (::geteuid() == 0) {
        return; // permissions do not bind root
    }
    ASSERT_EQ(::unlink(dir.file(hiveFile).c_str()), 0);
    RegistryHandle handle = 0;
    ASSERT_EQ(registry.createKey(localMachine, eventKey, handle), 0);
    const std::string before = dir.read(hiveFile);
    ::chmod(dir.file("registry").c_str(), 0555);
    EXPECT_EQ(registry.setValue(handle, "TypesSupported", 4, {7, 0, 0, 0}), 5);
    ::chmod(dir.file("registry").c_str(), 0755);
    ::chmod(dir.file(hiveFile).c_str(), 0);
    EXPECT_EQ(registry.setValue(handle, "TypesSupported", 4, {7, 0, 0, 0}), 5);
    ::chmod(dir.file(hiveFile).c_str(), 0644);
    EXPECT_EQ(dir.read(hiveFile), before);
}

TEST(PosixRegistry, DefaultFolder) {
    test::EnvironmentGuard state("VESPERON_STATE_DIR"), xdg("XDG_STATE_HOME"), home("HOME");
    ::setenv("HOME", "/home/u", 1);
    const bool root = ::geteuid() == 0;
    const struct {
        const char *stateDir, *stateHome, *folder;
    } cases[] = {{"/srv/v", "/x/state", "/srv/v"},
                 {"", "/x/state", root ? "/var/lib/vesperon" : "/x/state/vesperon"},
                 {"", "relative", root ? "/var/lib/vesperon" : "/home/u/.local/state/vesperon"}};
    for (const auto& c : cases) {
        ::setenv("VESPERON_STATE_DIR", c.stateDir, 1);
        ::setenv("XDG_STATE_HOME", c.stateHome, 1);
        EXPECT_EQ(defaultRegistryFolder(), c.folder) << c.stateHome;
    }
}

} // namespace
} // namespace vesperon::platform::posix
