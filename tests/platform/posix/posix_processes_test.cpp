#include "platform/posix/posix_processes.h"
#include "support/environment_guard.h"
#include "support/temp_dir.h"

#include <chrono>
#include <csignal>
#include <gtest/gtest.h>
#include <sstream>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace vesperon::platform::posix {
namespace {

// The stand-in for shutdown is the only one to be found: PATH holds its folder alone, and
// the real /usr/sbin and /sbin are never searched here.
TEST(PosixProcesses, VerdictIsWaitedForUntilTheBoundThenTheCommandRunsOnInASessionOfItsOwn) {
    test::TempDir dir;
    test::EnvironmentGuard path("PATH");
    ::setenv("PATH", dir.path().c_str(), 1);
    auto start = [&](const std::string& body, std::chrono::milliseconds wait) {
        dir.write("shutdown", "#!/bin/sh\n" + body + "\n");
        ::chmod(dir.file("shutdown").c_str(), 0755);
        EXPECT_EQ(::access(dir.file("shutdown").c_str(), X_OK), 0);
        return PosixProcesses(wait, {}).start({"", {"shutdown", "-r", "Restart by Vesperon"}, 2});
    };
    const StartOutcome refused = start("echo 'must be root' >&2; exit 1", std::chrono::seconds(10));
    EXPECT_FALSE(refused.started);
    EXPECT_EQ(refused.commandLine, dir.file("shutdown") + " -r \"Restart by Vesperon\"");
    EXPECT_EQ(refused.reason, "ended with exit status 1");

    const auto begin = std::chrono::steady_clock::now();
    EXPECT_TRUE(start("read -r stat </proc/$$/stat; set -- $stat\necho \"$1 $6\" >" +
                          dir.file("session") + "\nexec /bin/sleep 30",
                      std::chrono::milliseconds(300))
                    .started);
    EXPECT_LT(std::chrono::steady_clock::now() - begin, std::chrono::seconds(3));
    std::istringstream ids(dir.read("session"));
    pid_t pid = 0;
    pid_t session = 0;
    ids >> pid >> session;
    EXPECT_EQ(session, pid);
    ASSERT_EQ(::waitpid(pid, nullptr, WNOHANG), 0) << "still running";
    ::kill(pid, SIGKILL);
    ::waitpid(pid, nullptr, 0);
}

} // namespace
} // namespace vesperon::platform::posix
