#include "platform/posix/logind_inhibitors.h"
#include "support/environment_guard.h"
#include "support/private_system_bus.h"
#include "support/temp_dir.h"

#include <chrono>
#include <cstdlib>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace vesperon::platform::posix {
namespace {

using Status = InhibitorList::Status;

TEST(LogindInhibitors, ListsTheLocksOfARealBus) {
    test::PrivateSystemBus bus;
    if (!bus.missing().empty()) {
        GTEST_SKIP() << bus.missing();
    }
    EXPECT_EQ(LogindInhibitors().list().status, Status::Answered);
    ASSERT_TRUE(bus.takeLock("shutdown:sleep", "block"));
    const InhibitorList list = LogindInhibitors().list();
    ASSERT_EQ(list.locks.size(), 1u);
    EXPECT_EQ(list.locks[0].why, "nightly backup");
    EXPECT_FALSE(list.locks[0].user.empty());
    // A login manager that is there but refuses cannot tell.
    ASSERT_TRUE(bus.refuseListing());
    EXPECT_EQ(LogindInhibitors().list().status, Status::Undetermined);
}

// No bus at all means nothing to ask; a bus that takes the connection and never answers
// cannot tell, and must not hold the run past the bound.
TEST(LogindInhibitors, NoBusAndASilentBus) {
    test::TempDir dir;
    test::EnvironmentGuard bus("DBUS_SYSTEM_BUS_ADDRESS");
    ::setenv("DBUS_SYSTEM_BUS_ADDRESS", ("unix:path=" + dir.file("none")).c_str(), 1);
    EXPECT_EQ(LogindInhibitors().list().status, Status::NoService);

    // A socket at the bus's place, made the bus address.
    auto busAt = [&](const std::string& name, int type) {
        const int fd = ::socket(AF_UNIX, type, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        dir.file(name).copy(address.sun_path, sizeof address.sun_path - 1);
        EXPECT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
        ::setenv("DBUS_SYSTEM_BUS_ADDRESS", ("unix:path=" + dir.file(name)).c_str(), 1);
        return fd;
    };
    const int listener = busAt("silent", SOCK_STREAM);
    ASSERT_EQ(::listen(listener, 4), 0); // connections wait in the backlog, never answered
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(LogindInhibitors(300).list().status, Status::Undetermined);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
    ::close(listener);

    // Something at the bus's place that takes no connection of this kind cannot be asked.
    const int datagrams = busAt("datagrams", SOCK_DGRAM);
    EXPECT_EQ(LogindInhibitors(300).list().status, Status::Undetermined);
    ::close(datagrams);
}

} // namespace
} // namespace vesperon::platform::posix
