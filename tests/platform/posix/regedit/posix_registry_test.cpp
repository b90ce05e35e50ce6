#include "platform/posix/regedit/posix_registry.h"
#include "support/environment_guard.h"
#include "support/temp_dir.h"

#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
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

std::vector<std::string> entries(const std::string& folder) {
    std::vector<std::string> names;
    std::error_code ignored;
    for (const auto& e : std::filesystem::directory_iterator(folder, ignored)) {
        names.push_back(e.path().filename().string());
    }
    return names;
}

// Registered over what is already stored, and once however often it runs.
TEST(PosixRegistry, WritesTheEventSourceOnceKeepingWhatIsStored) {
    test::TempDir dir;
    ::mkdir(dir.file("registry").c_str(), 0755);
    const std::string before =
        "REGEDIT4\r\n; by hand\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Other]\r\n"
        "\"Keep\"=\"me\"\r\n";
    dir.write(hiveFile, before);
    PosixRegistry registry(dir.path());
    ASSERT_EQ(registerSource(registry), 0);
    ASSERT_EQ(registerSource(registry), 0);
    PosixRegistry again(dir.path());
    ASSERT_EQ(registerSource(again), 0);
    EXPECT_EQ(dir.read(hiveFile), before + "[HKEY_LOCAL_MACHINE\\" + eventKey +
                                      "]\r\n\"TypesSupported\"=dword:00000007\r\n"
                                      "\"EventMessageFile\"=\"/opt/v/vesperon\"\r\n\r\n");
    EXPECT_EQ(entries(dir.file("registry")), std::vector<std::string>{"HKEY_LOCAL_MACHINE.reg"});
}

// Names that a line of the file cannot hold whole are refused, and nothing is written.
TEST(PosixRegistry, NamesALineCannotHoldAreRefused) {
    test::TempDir dir;
    PosixRegistry registry(dir.path());
    RegistryHandle handle = 0;
    const mode_t mask = ::umask(0); // as a scheduler may leave it
    EXPECT_EQ(registry.createKey(localMachine, "Bad\nKey", handle), 87);
    EXPECT_EQ(registry.createKey(localMachine, std::string("Cut\0Short", 9), handle), 87);
    ASSERT_EQ(registry.createKey(localMachine, "V", handle), 0);
    EXPECT_EQ(registry.setValue(handle, std::string("a\0b", 3), 1, text("x")), 87);
    EXPECT_EQ(registry.closeKey(handle), 0);
    EXPECT_EQ(dir.read(hiveFile), "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\V]\r\n\r\n");
    ::umask(mask);
    struct stat info {};
    ASSERT_EQ(::stat(dir.file("registry").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 022, 0u) << "a state folder others may write";
}

TEST(PosixRegistry, PermissionErrorsChangeNothing) {
    if (::geteuid() == 0) {
        GTEST_SKIP() << "permissions do not bind root";
    }
    test::TempDir dir;
    ::chmod(dir.path().c_str(), 0555);
    PosixRegistry readOnlyState(dir.path());
    RegistryHandle handle = 0;
    EXPECT_EQ(readOnlyState.createKey(localMachine, eventKey, handle), 5);
    EXPECT_TRUE(entries(dir.path()).empty());
    ::chmod(dir.path().c_str(), 0755);

    // Key made while writable; the value comes after the folder turned read-only.
    PosixRegistry registry(dir.path());
    ASSERT_EQ(registry.createKey(localMachine, eventKey, handle), 0);
    const std::string before = dir.read(hiveFile);
    ::chmod(dir.file("registry").c_str(), 0555);
    EXPECT_EQ(registry.setValue(handle, "TypesSupported", 4, {7, 0, 0, 0}), 5);
    EXPECT_EQ(dir.read(hiveFile), before);
    EXPECT_EQ(entries(dir.file("registry")), std::vector<std::string>{"HKEY_LOCAL_MACHINE.reg"});
    // A hive file that cannot be read is no empty one to write over.
    ::chmod(dir.file("registry").c_str(), 0755);
    ::chmod(dir.file(hiveFile).c_str(), 0);
    EXPECT_EQ(registry.setValue(handle, "TypesSupported", 4, {7, 0, 0, 0}), 5);
    ::chmod(dir.file(hiveFile).c_str(), 0644);
    EXPECT_EQ(dir.read(hiveFile), before);
}

TEST(PosixRegistry, HiveFileThatIsALinkOrBeyondItsSizeIsLeftUnread) {
    test::TempDir dir;
    ::mkdir(dir.file("registry").c_str(), 0755);
    dir.write("secret", "password=swordfish\r\n");
    ASSERT_EQ(::symlink(dir.file("secret").c_str(), dir.file(hiveFile).c_str()), 0);
    PosixRegistry registry(dir.path());
    EXPECT_NE(registerSource(registry), 0);
    EXPECT_EQ(dir.read("secret"), "password=swordfish\r\n");
    EXPECT_TRUE(std::filesystem::is_symlink(dir.file(hiveFile)));
    EXPECT_EQ(entries(dir.file("registry")), std::vector<std::string>{"HKEY_LOCAL_MACHINE.reg"});

    ASSERT_EQ(::unlink(dir.file(hiveFile).c_str()), 0);
    dir.write(hiveFile, "");
    ASSERT_EQ(::truncate(dir.file(hiveFile).c_str(), 2 << 20), 0);
    PosixRegistry again(dir.path());
    EXPECT_NE(registerSource(again), 0);
    EXPECT_EQ(std::filesystem::file_size(dir.file(hiveFile)), 2u << 20);
}

TEST(PosixRegistry, LockHeldElsewhereIsWaitedForOnlyOnce) {
    test::TempDir dir;
    ::mkdir(dir.file("registry").c_str(), 0755);
    // Locks belong to an open file: one more open of the folder is another holder.
    const int held = ::open(dir.file("registry").c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    ASSERT_EQ(::flock(held, LOCK_EX), 0);
    using clock = std::chrono::steady_clock;
    PosixRegistry registry(dir.path(), std::chrono::milliseconds(300));
    auto start = clock::now();
    EXPECT_EQ(registerSource(registry), 32);
    EXPECT_GE(clock::now() - start, std::chrono::milliseconds(300));
    start = clock::now();
    EXPECT_EQ(registerSource(registry), 32);
    EXPECT_LT(clock::now() - start, std::chrono::milliseconds(100)) << "no second wait";
    EXPECT_FALSE(dir.exists(hiveFile));
    ::close(held);
    PosixRegistry again(dir.path(), std::chrono::milliseconds(300));
    EXPECT_EQ(registerSource(again), 0);
}

TEST(PosixRegistry, DefaultFolder) {
    test::EnvironmentGuard state("VESPERON_STATE_DIR");
    test::EnvironmentGuard xdg("XDG_STATE_HOME");
    test::EnvironmentGuard home("HOME");
    ::setenv("VESPERON_STATE_DIR", "/srv/v", 1);
    EXPECT_EQ(defaultRegistryFolder(), "/srv/v");
    ::setenv("VESPERON_STATE_DIR", "", 1);
    ::setenv("XDG_STATE_HOME", "/x/state", 1);
    ::setenv("HOME", "/home/u", 1);
    if (::geteuid() == 0) {
        EXPECT_EQ(defaultRegistryFolder(), "/var/lib/vesperon");
        return;
    }
    EXPECT_EQ(defaultRegistryFolder(), "/x/state/vesperon");
    ::setenv("XDG_STATE_HOME", "relative", 1);
    EXPECT_EQ(defaultRegistryFolder(), "/home/u/.local/state/vesperon");
    ::unsetenv("XDG_STATE_HOME");
    EXPECT_EQ(defaultRegistryFolder(), "/home/u/.local/state/vesperon");
}

} // namespace
} // namespace vesperon::platform::posix
