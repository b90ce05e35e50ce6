// Runs under conditions that schedulers and administrators create: many runs at once, no
// /proc, an executable replaced while it runs.
#include "e2e/posix/run_support.h"

#include <chrono>
#include <filesystem>
#include <gtest/gtest.h>
#include <thread>
#include <unistd.h>

namespace vesperon::test {
namespace {

TEST(RunConditions, SimultaneousRunsDoNotTakeEachOthersProbesForHolders) {
    Installation app;
    // Each request adds a line, so that none is lost to another.
    app.dir.write("bin/shutdown", "#!/bin/sh\necho >> \"$(dirname \"$0\")/../requests\"\n");
    std::string list = listHeader;
    for (int i = 0; i < 300; ++i) {
        app.dir.write("f" + std::to_string(i), "x");
        list += app.file("f" + std::to_string(i)) + "\r\n";
    }
    app.dir.write("vesperon.cfg", list);
#if defined(__SANITIZE_ADDRESS__)
    constexpr int rounds = 2, runs = 20; // each sanitized run takes several times as long
#else
    constexpr int rounds = 10, runs = 20;
#endif
    for (int round = 0; round < rounds; ++round) {
        std::vector<pid_t> started;
        for (int i = 0; i < runs; ++i) {
            started.push_back(app.start({"-r"}));
        }
        for (pid_t pid : started) {
            EXPECT_EQ(Installation::finish(pid), 0);
        }
    }
    auto requests = [&] {
        return app.dir.exists("requests") ? app.dir.read("requests").size() : 0u;
    };
    for (int wait = 0; wait < 300 && requests() < rounds * runs; ++wait) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_EQ(requests(), static_cast<std::size_t>(rounds * runs)) << "every run requests";
    EXPECT_TRUE(app.dir.exists("vesperon.lock"));
}

TEST(RunConditions, ExecutableReplacedWhileRunningKeepsItsFolderAndName) {
    Installation app;
    using Exec = Installation::Exec;
    ASSERT_EQ(Installation::finish(app.start({"-r"}, Exec::ByDescriptorOfRemovedFile)), 0);
    EXPECT_EQ(app.dir.read("vesperon.cfg"), listHeader);
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
        app.listFiles({"free.dat"});
        EXPECT_EQ(Installation::finish(app.start({"-r"}, Installation::Exec::ByPath, true)), 2);
        EXPECT_TRUE(app.shutdownArguments(300).empty());
        EXPECT_TRUE(app.dir.exists("vesperon.ini"));
    }
    {
        // Started through a descriptor, it cannot tell where it lives: it writes nothing.
        Installation app;
        EXPECT_EQ(Installation::finish(app.start({"-r"}, Installation::Exec::ByDescriptor, true)),
                  1);
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
