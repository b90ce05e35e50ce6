#include "auxiliary/process_list_window.h"
#include "platform/posix/core/posix_processes.h"
#include "platform/posix/proc/posix_process_listing.h"
#include "support/environment_guard.h"
#include "support/temp_dir.h"

#include <algorithm>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <gtest/gtest.h>
#include <sstream>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace vesperon::platform::posix {
namespace {

// The stand-in for shutdown is the only one to be found: PATH holds its folder alone, and
// the real /usr/sbin and /sbin are never searched here.
TEST(PosixProcesses, StillRunningAtTheBoundCountsAsStartedAndRunsOnInASessionOfItsOwn) {
    test::TempDir dir;
    test::EnvironmentGuard path("PATH");
    ::setenv("PATH", dir.path().c_str(), 1);
    dir.write("shutdown", "#!/bin/sh\nread -r stat </proc/$$/stat; set -- $stat\necho \"$1 $6\" >" +
                              dir.file("session") + "\nexec /bin/sleep 30\n");
    ASSERT_EQ(::chmod(dir.file("shutdown").c_str(), 0755), 0);
    const auto begin = std::chrono::steady_clock::now();
    EXPECT_TRUE(PosixProcesses(std::chrono::milliseconds(300), {})
                    .start({"", {"shutdown", "-r", "Restart by Vesperon"}, 2})
                    .started);
    EXPECT_LT(std::chrono::steady_clock::now() - begin, std::chrono::seconds(3));
    std::istringstream ids(dir.read("session"));
    pid_t pid = 0, session = 0;
    ids >> pid >> session;
    EXPECT_EQ(session, pid);
    ASSERT_EQ(::waitpid(pid, nullptr, WNOHANG), 0) << "still running";
    ::kill(pid, SIGKILL);
    ::waitpid(pid, nullptr, 0);
}

// Only an executable in an absolute PATH folder, and after those in a fallback folder, is
// ever started: never one that a relative entry finds wherever the program happens to run.
TEST(PosixProcesses, ProgramLookupAndAProgramThatCannotRun) {
    test::TempDir dir;
    test::EnvironmentGuard path("PATH");
    for (const std::string folder : {"relative", "plain", "exec", "fallback"}) {
        std::filesystem::create_directory(dir.file(folder));
        dir.write(folder + "/shutdown", "#!/bin/sh\n");
        ::chmod(dir.file(folder + "/shutdown").c_str(), folder == "plain" ? 0644 : 0755);
    }
    const std::vector<std::string> fallback{dir.file("fallback")};
    const std::string relative = std::filesystem::relative(dir.file("relative")).string();
    ::setenv("PATH", (":" + relative + ":" + dir.file("plain")).c_str(), 1);
    EXPECT_EQ(findProgram("shutdown", fallback), dir.file("fallback/shutdown"));
    EXPECT_EQ(findProgram(dir.file("plain/shutdown"), fallback), "");
    ::setenv("PATH", dir.file("exec").c_str(), 1);
    EXPECT_EQ(findProgram("shutdown", fallback), dir.file("exec/shutdown"));
    dir.write("exec/shutdown", "#!/no/such/interpreter\n");
    const StartOutcome outcome =
        PosixProcesses(std::chrono::seconds(10), fallback).start({"", {"shutdown"}, 2});
    EXPECT_FALSE(outcome.started);
    EXPECT_EQ(outcome.reason, "could not be run: No such file or directory");
}

// Unreadable processes give no line; without /proc nothing is listed.
TEST(PosixProcessListing, ListsTheExecutableOfEachProcess) {
    PosixProcessListing listing;
    const auto lines = listProcesses(listing);
    EXPECT_NE(
        std::find(lines.begin(), lines.end(), std::filesystem::read_symlink("/proc/self/exe")),
        lines.end());
    EXPECT_EQ(std::count(lines.begin(), lines.end(), ""), 0);
    PosixProcessListing none("/nonexistent-proc");
    EXPECT_TRUE(listProcesses(none).empty());
}

} // namespace
} // namespace vesperon::platform::posix
