#include "platform/posix/dbus_wire.h"
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
    ASSERT_EQ(list.status, Status::Answered);
    ASSERT_EQ(list.locks.size(), 1u);
    const InhibitorLock& lock = list.locks[0];
    EXPECT_EQ(lock.what, "shutdown:sleep");
    EXPECT_EQ(lock.who, "backup.sh");
    EXPECT_EQ(lock.why, "nightly backup");
    EXPECT_EQ(lock.mode, "block");
    EXPECT_NE(lock.pid, 0u);
    EXPECT_FALSE(lock.user.empty());
    bus.releaseLocks();
    EXPECT_TRUE(LogindInhibitors().list().locks.empty());
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

    const int listener = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const std::string path = dir.file("silent");
    path.copy(address.sun_path, sizeof address.sun_path - 1);
    ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(::listen(listener, 4), 0); // connections wait in the backlog, never answered
    ::setenv("DBUS_SYSTEM_BUS_ADDRESS", ("unix:path=" + path).c_str(), 1);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(LogindInhibitors(300).list().status, Status::Undetermined);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
    ::close(listener);

    // Something at the bus's place that takes no connection of this kind cannot be asked.
    const int datagrams = ::socket(AF_UNIX, SOCK_DGRAM, 0);
    dir.file("datagrams").copy(address.sun_path, sizeof address.sun_path - 1);
    ASSERT_EQ(::bind(datagrams, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ::setenv("DBUS_SYSTEM_BUS_ADDRESS", ("unix:path=" + dir.file("datagrams")).c_str(), 1);
    EXPECT_EQ(LogindInhibitors(300).list().status, Status::Undetermined);
    ::close(datagrams);
}

// What the bus sends is read with bounds: a message cut short or lying about its lengths is
// refused, never read past.
TEST(DbusWire, MessagesAreReadWithinTheirBounds) {
    const std::string call =
        dbus::methodCall(7, "org.freedesktop.login1", "/org/freedesktop/login1",
                         "org.freedesktop.login1.Manager", "ListInhibitors");
    ASSERT_EQ(dbus::messageLength(call), call.size());
    dbus::Message message;
    EXPECT_TRUE(dbus::parseMessage(call, message));
    EXPECT_EQ(message.type, 1);
    for (std::size_t cut = 0; cut < call.size(); ++cut) {
        EXPECT_FALSE(dbus::parseMessage(call.substr(0, cut), message)) << cut;
    }
    std::string lying = call;
    lying[12] = static_cast<char>(lying[12] + 16); // header fields longer than the message
    EXPECT_FALSE(dbus::parseMessage(lying, message));
    EXPECT_EQ(dbus::messageLength("x" + call.substr(1)), 0u);
    std::vector<InhibitorLock> locks;
    message.signature = "a(ssssuu)";
    message.body = std::string_view("\xff\xff\xff\x7f\0\0\0\0", 8);
    EXPECT_FALSE(dbus::parseInhibitorLocks(message, locks));
}

} // namespace
} // namespace vesperon::platform::posix
