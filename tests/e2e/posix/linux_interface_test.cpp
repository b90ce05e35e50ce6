#include "e2e/posix/run_support.h"
#include "support/private_system_bus.h"

#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>

namespace vesperon::test {
namespace {

bool contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

// What a run over a held file, a free one and a missing one prints, and that it never asks
// for anything.
TEST(TerminalInterface, TestPrintsEachEntryAndTheDecisionAndRequestsNothing) {
    Installation app;
    app.listFiles({"job.dat", "free.dat", "gone.dat"});
    std::filesystem::remove(app.file("gone.dat"));
    {
        Holder held(app.file("job.dat"), Holder::Way::Open);
        EXPECT_EQ(app.run({"--test"}), 2);
        const std::string out = app.dir.read("stdout");
        EXPECT_TRUE(contains(out, "in use        " + app.file("job.dat") + "\n")) << out;
        EXPECT_TRUE(contains(out, "open for reading\n")) << "the holder and how it holds it";
        EXPECT_TRUE(contains(out, "free          " + app.file("free.dat") + "\n")) << out;
        EXPECT_TRUE(contains(out, "missing       " + app.file("gone.dat") + "\n")) << out;
        EXPECT_TRUE(contains(out, "would NOT restart\n")) << out;
        EXPECT_FALSE(contains(out, "\033[")) << "no colour when the output is no terminal";

        EXPECT_EQ(app.run({"--test", "--json"}), 2);
        const std::string check =
            "/usr/bin/python3 -c 'import json,sys; d=json.load(open(sys.argv[1]));"
            " sys.exit(d[\"decision\"] != \"would NOT restart\" or "
            "d[\"entries\"][0][\"holders\"][0][\"how\"] != \"open for reading\")' " +
            app.file("stdout");
        EXPECT_EQ(std::system(check.c_str()), 0) << app.dir.read("stdout");
    }
    EXPECT_EQ(app.run({"--test"}), 0);
    EXPECT_TRUE(contains(app.dir.read("stdout"), "would restart\n"));
    EXPECT_TRUE(app.shutdownArguments(300).empty()) << "a test requests nothing";
}

// A file name, a command name (prctl) and a lock's who and why are chosen by others: none of
// their control characters reaches root's terminal raw, in the text or in the JSON.
TEST(TerminalInterface, NamesFromOthersArriveEscaped) {
    Installation app;
    const std::string name = "job\x1b[2J.dat";
    app.listFiles({name});
    PrivateSystemBus bus;
    const bool withBus =
        bus.missing().empty() && bus.takeLock("shutdown", "block", "evil\r\nFile in use:  /etc/x",
                                              "\x1b[32mwould restart\x1b[0m");
    Holder held(app.file(name), Holder::Way::Open, "ev\x1b[8mil\x7f");
    EXPECT_EQ(app.run({"--test"}), 2);
    const std::string out = app.dir.read("stdout");
    EXPECT_EQ(out.find_first_of("\x1b\r\x7f"), std::string::npos) << out;
    EXPECT_TRUE(contains(out, "job\\x1b[2J.dat\n")) << out;
    EXPECT_TRUE(contains(out, "ev\\x1b[8mil\\x7f")) << out;
    if (withBus) {
        EXPECT_TRUE(contains(out, "Shutdown inhibited by evil\\r\\nFile in use:  /etc/x (pid "))
            << out;
        EXPECT_TRUE(contains(out, "\\x1b[32mwould restart\\x1b[0m\n")) << out;
    }
    EXPECT_EQ(app.run({"--test", "--json"}), 2);
    const std::string json = app.dir.read("stdout");
    EXPECT_EQ(json.find_first_of(std::string("\x1b\r\x7f\x00", 4)), std::string::npos) << json;
    const std::string check =
        "/usr/bin/python3 -c 'import json,sys; d=json.load(open(sys.argv[1]));"
        " sys.exit(d[\"entries\"][0][\"path\"] != sys.argv[2])' " +
        app.file("stdout") + " \"" + app.file("job$(printf \"\\033\")[2J.dat") + "\"";
    EXPECT_EQ(std::system(check.c_str()), 0) << "valid JSON that keeps the name as it is";
}

TEST(TerminalInterface, HelpVersionAndUnknownOptions) {
    Installation app;
    EXPECT_EQ(app.run({"--help"}), 0);
    EXPECT_TRUE(contains(app.dir.read("stdout"), app.file("vesperon.cfg")));
    EXPECT_TRUE(contains(app.dir.read("stdout"), "Exit statuses:"));
    EXPECT_EQ(app.run({"--version"}), 0);
    EXPECT_EQ(app.dir.read("stdout").rfind("Vesperon 1.3 (commit ", 0), 0u);
    EXPECT_EQ(app.run({"--restart"}), 1);
    EXPECT_TRUE(contains(app.dir.read("stderr"), "vesperon --help"));
    EXPECT_TRUE(app.shutdownArguments(300).empty());
}

// Programs that asked the system not to shut down now, through systemd-logind.
TEST(Inhibitors, BlockingShutdownLocksWithholdTheRequest) {
    PrivateSystemBus bus;
    if (!bus.missing().empty()) {
        GTEST_SKIP() << bus.missing();
    }
    const struct {
        const char* what;
        const char* mode;
        const char* settings;
        int status;
    } cases[] = {{"shutdown", "block", "", 2},
                 {"shutdown", "delay", "", 0},
                 {"sleep", "block", "", 0},
                 {"shutdown:sleep", "block", "[General]\r\nHonourInhibitors=0\r\n", 0}};
    Installation app;
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.what) + " " + c.mode + " " + c.settings);
        app.dir.write("vesperon.ini", c.settings);
        ASSERT_TRUE(bus.takeLock(c.what, c.mode));
        EXPECT_EQ(app.run({"-r"}), c.status) << "0: requested, 2: withheld";
        if (c.status == 2) {
            EXPECT_EQ(app.run({"--test"}), 2);
            EXPECT_TRUE(contains(app.dir.read("stdout"),
                                 "inhibited     Shutdown inhibited by backup.sh (pid "))
                << app.dir.read("stdout");
        }
        bus.releaseLocks();
        if (c.status == 2) {
            EXPECT_EQ(app.run({"-r"}), 0) << "the lock let go, the request goes through";
        }
    }
}

} // namespace
} // namespace vesperon::test
