#include "e2e/posix/run_support.h"

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <regex>
#include <thread>

namespace vesperon::test {
namespace {

std::string readAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The entry that a syslog daemon stored for a blocked run, read back byte for byte.
TEST(Syslog, BlockedRunLeavesOneWarningNamingEachFileInUse) {
    const char* store = std::getenv("VESPERON_TEST_SYSLOG_FILE");
    if (store == nullptr || *store == '\0') {
        GTEST_SKIP() << "no syslog daemon of the test run (scripts/test starts one)";
    }
    Installation app;
    app.dir.write("a.dat", "a");
    app.dir.write("b.dat", "b");
    app.dir.write("vesperon.cfg", "\"" + app.file("a.dat") + "\"\r\n" + app.file("b.dat") + "\r\n");
    {
        Holder a(app.file("a.dat"), Holder::Way::Open);
        Holder b(app.file("b.dat"), Holder::Way::MappedOnly);
        ASSERT_EQ(app.run({"-s"}), 0);
    }
    EXPECT_TRUE(app.shutdownArguments(200).empty());

    const std::string expected = " *** A Planned Shutdown was Aborted! *** \r\n"
                                 "\r\nFile in use:  " +
                                 app.file("a.dat") +
                                 "\r\n"
                                 "\r\nFile in use:  " +
                                 app.file("b.dat") + "\r\n";
    // <12>: facility user (1) * 8 + priority warning (4).
    const std::regex entry("<12>[A-Z][a-z]{2} [ 0-9]\\d \\d\\d:\\d\\d:\\d\\d Vesperon\\[\\d+\\]: ");
    std::string found;
    for (int i = 0; i < 300 && found.empty(); ++i) {
        const std::string log = readAll(store);
        for (std::size_t start = 0, end; (end = log.find("\n--8<--\n", start)) != std::string::npos;
             start = end + 8) {
            const std::string record = log.substr(start, end - start);
            std::smatch m;
            if (record.find(app.file("a.dat")) != std::string::npos &&
                std::regex_search(record, m, entry) && m.position(0) == 0) {
                found = m.suffix();
            }
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_EQ(found, expected);
}

} // namespace
} // namespace vesperon::test
