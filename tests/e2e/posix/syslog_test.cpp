#include "e2e/posix/run_support.h"

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <iterator>
#include <optional>
#include <poll.h>
#include <regex>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>

namespace vesperon::test {
namespace {

const std::string header = " *** A Planned Shutdown was Aborted! *** \r\n";

// The session's store holds every earlier run's entries (tens of MB): only what came after
// the test started is read.
std::streamoff storeStart = 0;

std::string readSinceStart(const char* path) {
    std::ifstream in(path, std::ios::binary);
    in.seekg(storeStart);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The texts of the warnings that the test run's syslog daemon stored and that mention
// marker, byte for byte, in the order they came; waits until done() accepts them (by
// default: until there is one).
std::vector<std::string> storedWarnings(
    const std::string& marker,
    const std::function<bool(const std::vector<std::string>&)>& done =
        [](const std::vector<std::string>& texts) { return !texts.empty(); }) {
    const char* store = std::getenv("VESPERON_TEST_SYSLOG_FILE");
    // <12>: facility user (1) * 8 + priority warning (4).
    const std::regex prefix(
        "<12>[A-Z][a-z]{2} [ 0-9]\\d \\d\\d:\\d\\d:\\d\\d Vesperon\\[\\d+\\]: ");
    std::vector<std::string> found;
    for (int i = 0; i < 300 && !done(found); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        found.clear();
        const std::string log = readSinceStart(store);
        for (std::size_t start = 0, end; (end = log.find("\n--8<--\n", start)) != std::string::npos;
             start = end + 8) {
            const std::string record = log.substr(start, end - start);
            std::smatch m;
            if (record.find(marker) != std::string::npos && std::regex_search(record, m, prefix) &&
                m.position(0) == 0) {
                found.push_back(m.suffix());
            }
        }
    }
    return found;
}

struct Syslog : ::testing::Test {
    void SetUp() override {
        const char* store = std::getenv("VESPERON_TEST_SYSLOG_FILE");
        if (store == nullptr || *store == '\0') {
            GTEST_SKIP() << "no syslog daemon of the test run (scripts/test starts one)";
        }
        std::error_code error;
        const auto size = std::filesystem::file_size(store, error);
        storeStart = error ? 0 : static_cast<std::streamoff>(size);
    }
    Installation app;
};

// The entry that a syslog daemon stored for a blocked run, read back byte for byte.
TEST_F(Syslog, BlockedRunLeavesOneWarningNamingEachFileInUse) {
    app.dir.write("a.dat", "a");
    app.dir.write("b.dat", "b");
    app.dir.write("vesperon.cfg", "\"" + app.file("a.dat") + "\"\r\n" + app.file("b.dat") + "\r\n");
    {
        Holder a(app.file("a.dat"), Holder::Way::Open);
        Holder b(app.file("b.dat"), Holder::Way::MappedOnly);
        EXPECT_EQ(app.run({"-s"}), 2);
    }
    EXPECT_TRUE(app.shutdownArguments(200).empty());
    EXPECT_EQ(storedWarnings(app.dir.path()),
              std::vector<std::string>{header + "\r\nFile in use:  " + app.file("a.dat") +
                                       "\r\n\r\nFile in use:  " + app.file("b.dat") + "\r\n"});
}

// Faults of the registry store, or a settings file that cannot be read (which counts as the
// defaults, and says so), still leave the warning and never hang the run.
TEST_F(Syslog, FaultsAroundTheWarningStillLeaveItAndNeverHang) {
    const char* faults[] = {"a folder where the hive file belongs", "a FIFO there",
                            "the registry folder locked by a stuck process",
                            "a FIFO as the settings file", "a full file system (as root only)"};
    for (int i = 0; i < 5; ++i) {
        SCOPED_TRACE(faults[i]);
        Installation app;
        app.listFiles({"job.dat"});
        std::filesystem::create_directories(app.file("state/registry"));
        const std::string hive = app.file("state/registry/HKEY_LOCAL_MACHINE.reg");
        std::optional<Holder> stuck;
        if (i == 0) {
            ::mkdir(hive.c_str(), 0755);
        } else if (i == 1) {
            ::mkfifo(hive.c_str(), 0644);
        } else if (i == 2) {
            stuck.emplace(app.file("state/registry"), Holder::Way::Locked);
        } else if (i == 3) {
            ::mkfifo(app.file("vesperon.ini").c_str(), 0644);
        } else if (::geteuid() == 0) {
            app.mountSetup = "mount -t tmpfs -o size=16k tmpfs state && "
                             "{ cat /dev/zero >state/fill 2>/dev/null; true; }";
        } else {
            continue;
        }
        EXPECT_EQ(app.runHolding("job.dat"), 2);
        EXPECT_EQ(
            storedWarnings(app.dir.path()),
            std::vector<std::string>{header + "\r\nFile in use:  " + app.file("job.dat") + "\r\n"});
        EXPECT_EQ(app.dir.read("stderr").find("vesperon: cannot read the settings file " +
                                              app.file("vesperon.ini") +
                                              ": not a regular file; using the defaults"),
                  i == 3 ? 0 : std::string::npos);
    }
}

// A daemon that holds /dev/log and never reads: the run still decides, says on standard error
// that the warning did not go out, and ends within seconds (a /dev/log of the test's own, in a
// mount namespace of the run's own).
TEST(SyslogDaemon, ThatNeverReadsCannotHoldTheRun) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "a /dev/log of the test's own needs a mount namespace (root)";
    }
    Installation app;
    app.listFiles({"job.dat"});
    const int daemon = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    app.file("log").copy(address.sun_path, sizeof address.sun_path - 1);
    ASSERT_EQ(::bind(daemon, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    // Its queue is full: every further datagram waits for a read that never comes.
    const int filler = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    ASSERT_EQ(::connect(filler, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    while (::send(filler, "x", 1, 0) == 1) {
    }
    app.mountSetup = "mount --bind " + app.file("log") + " /dev/log";
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(app.runHolding("job.dat", {"-s"}), 2) << "the decision's status";
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
    EXPECT_NE(app.dir.read("stderr").find(
                  "vesperon: the warning could not be handed to syslog (/dev/log): it "
                  "did not take the entry within 2.0 s"),
              std::string::npos)
        << app.dir.read("stderr");
    ::close(filler);
    ::close(daemon);
}

// A daemon whose socket takes streams (syslog-ng can be set up so) gets each record ended by
// a NUL, as syslog(3) sends them.
TEST(SyslogDaemon, OnAStreamSocketGetsRecordsEndedByNul) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "a /dev/log of the test's own needs a mount namespace (root)";
    }
    Installation app;
    app.listFiles({"job.dat"});
    const int daemon = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    app.file("log").copy(address.sun_path, sizeof address.sun_path - 1);
    ASSERT_EQ(::bind(daemon, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(::listen(daemon, 4), 0);
    std::string received;
    std::thread reader([&] {
        pollfd one{daemon, POLLIN, 0};
        const int connection =
            ::poll(&one, 1, 10000) == 1 ? ::accept(daemon, nullptr, nullptr) : -1;
        char bytes[4096];
        for (ssize_t n; connection >= 0 && (n = ::read(connection, bytes, sizeof bytes)) > 0;) {
            received.append(bytes, static_cast<std::size_t>(n));
        }
    });
    app.mountSetup = "mount --bind " + app.file("log") + " /dev/log";
    EXPECT_EQ(app.runHolding("job.dat", {"-s"}), 2);
    reader.join();
    ::close(daemon);
    EXPECT_NE(received.find("File in use:  " + app.file("job.dat")), std::string::npos) << received;
    EXPECT_TRUE(!received.empty() && received.back() == '\0');
}

// 5,000 names of one held file make a report far beyond one datagram and rsyslog's 8 KB.
TEST_F(Syslog, LongReportArrivesWholeAsSeveralEntries) {
    app.dir.write("job.dat", "data");
    std::string list;
    std::string blocks;
    for (int i = 0; i < 5000; ++i) {
        const std::string name = app.file("exports-of-the-night-part-" + std::to_string(i));
        ASSERT_EQ(::link(app.file("job.dat").c_str(), name.c_str()), 0);
        list += name + "\r\n";
        blocks += "\r\nFile in use:  " + name + "\r\n";
    }
    app.dir.write("vesperon.cfg", list);
    app.runHolding("job.dat");
    const auto found = storedWarnings(app.dir.path(), [&](const auto& texts) {
        std::size_t length = 0;
        for (const std::string& text : texts) {
            length += text.size() - header.size();
        }
        return length >= blocks.size();
    });
    std::string joined;
    for (const std::string& text : found) {
        EXPECT_LE(text.size(), 6000u);
        ASSERT_EQ(text.substr(0, header.size()), header);
        joined += text.substr(header.size());
    }
    EXPECT_EQ(joined, blocks);
}

} // namespace
} // namespace vesperon::test
