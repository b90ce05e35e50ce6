// Runs under conditions that administrators create: no /proc, an executable replaced while
// it runs.
#include "e2e/posix/run_support.h"

#include <chrono>
#include <filesystem>
#include <gtest/gtest.h>
#include <thread>
#include <unistd.h>

namespace vesperon::test {
namespace {

const std::string header = "; ********************************************\r\n"
                           ";     Vesperon - Configuration File\r\n"
                           "; ********************************************\r\n"
                           "\r\n";

TEST(RunConditions, ExecutableReplacedWhileRunningKeepsItsFolderAndName) {
    Installation app;
    using Exec = Installation::Exec;
    ASSERT_EQ(Installation::finish(app.start({"-r"}, Exec::ByDescriptorOfRemovedFile)), 0);
    EXPECT_EQ(app.dir.read("vesperon.cfg"), header);
    EXPECT_EQ(app.shutdownArguments(),
              (std::vector<std::string>{"-r", "+1", "Restart by Vesperon"}));
}

#if !defined(__SANITIZE_ADDRESS__) // the sanitizer itself cannot start without /proc
TEST(RunConditions, WithoutProcNothingPassesForFree) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "a mount namespace of its own needs root";
    }
    {
        // Its folder comes from the name it was started by; no process can be looked at.
        Installation app;
        app.dir.write("free.dat", "x");
        app.dir.write("vesperon.cfg", header + app.file("free.dat") + "\r\n");
        EXPECT_EQ(Installation::finish(app.start({"-r"}, Installation::Exec::ByPath, true)), 0);
        EXPECT_TRUE(app.shutdownArguments(300).empty());
        EXPECT_TRUE(app.dir.exists("vesperon.ini"));
    }
    {
        // Started through a descriptor, it cannot tell where it lives: it writes nothing.
        Installation app;
        EXPECT_EQ(Installation::finish(app.start({"-r"}, Installation::Exec::ByDescriptor, true)),
                  0);
        EXPECT_TRUE(app.shutdownArguments(300).empty());
        EXPECT_NE(app.dir.read("stderr").find("cannot find the folder"), std::string::npos);
        for (const std::string& litter : {app.file("vesperon.cfg"), app.file(".cfg"),
                                          std::string("/.cfg"), std::string("/.ini")}) {
            EXPECT_FALSE(std::filesystem::exists(litter)) << litter;
            std::filesystem::remove(litter);
        }
    }
}
#endif

} // namespace
} // namespace vesperon::test
