#include "platform/posix/logind/posix_shutdown_inhibitors.h"
#include "support/environment_guard.h"
#include "support/private_system_bus.h"
#include "support/temp_dir.h"

#include <chrono>
#include <cstddef>
#include <cstdlib>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>

namespace vesperon::platform::posix {
namespace {

using Status = InhibitorList::Status;

TEST(PosixShutdownInhibitors, ListsTheLocksOfARealBus) {
    test::PrivateSystemBus bus;
    if (!bus.missing().empty()) {
        GTEST_SKIP() << bus.missing();
    }
    EXPECT_EQ(PosixShutdownInhibitors().list().status, Status::Answered);
    ASSERT_TRUE(bus.takeLock("shutdown:sleep", "block"));
    const InhibitorList list = PosixShutdownInhibitors().list();
    ASSERT_EQ(list.locks.size(), 1u);
    EXPECT_EQ(list.locks[0].why, "nightly backup");
    EXPECT_FALSE(list.locks[0].user.empty());
    // logind's own limit of locks, each with a reason of an ordinary sentence, is a long
    // answer but a harmless one.
    ASSERT_TRUE(bus.listDelayLocks(8192));
    const InhibitorList many = PosixShutdownInhibitors().list();
    EXPECT_EQ(many.status, Status::Answered) << many.problem;
    ASSERT_EQ(many.locks.size(), 8192u);
    EXPECT_EQ(many.locks[8191].who, "player 8191");
    // A login manager that is there but refuses cannot tell.
    ASSERT_TRUE(bus.refuseListing());
    EXPECT_EQ(PosixShutdownInhibitors().list().status, Status::Undetermined);
}

// No bus at all means nothing to ask; a bus that takes the connection and never answers
// cannot tell, and must not hold the run past the bound.
TEST(PosixShutdownInhibitors, NoBusAndASilentBus) {
    test::TempDir dir;
    test::EnvironmentGuard bus("DBUS_SYSTEM_BUS_ADDRESS");
    ::setenv("DBUS_SYSTEM_BUS_ADDRESS", ("unix:path=" + dir.file("none")).c_str(), 1);
    EXPECT_EQ(PosixShutdownInhibitors().list().status, Status::NoService);

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
    EXPECT_EQ(PosixShutdownInhibitors(300).list().status, Status::Undetermined);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
    ::close(listener);

    // A bus that announces an answer beyond any D-Bus message is not read, and says so.
    const int huge = busAt("huge", SOCK_STREAM);
    ASSERT_EQ(::listen(huge, 4), 0);
    std::thread server([huge] {
        const int client = ::accept(huge, nullptr, nullptr);
        char buffer[4096];
        (void)!::read(client, buffer, sizeof buffer);
        (void)!::write(client, "OK 0123456789abcdef\r\n", 21);
        (void)!::read(client, buffer, sizeof buffer);
        // A method return of serial 1 whose body would be 256 MiB long.
        (void)!::write(client, "l\2\0\1\0\0\0\x10\1\0\0\0\0\0\0\0", 16);
        (void)!::read(client, buffer, sizeof buffer);
        ::close(client);
    });
    const InhibitorList tooLong = PosixShutdownInhibitors(2000).list();
    server.join();
    ::close(huge);
    EXPECT_EQ(tooLong.status, Status::Undetermined);
    EXPECT_NE(tooLong.problem.find("larger than"), std::string::npos) << tooLong.problem;

    // An abstract address is a name outside the file system, taken but never answered here.
    const int abstract = ::socket(AF_UNIX, SOCK_STREAM, 0);
    const std::string name = "vesperon-test-" + std::to_string(::getpid());
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    name.copy(address.sun_path + 1, name.size());
    ASSERT_EQ(::bind(abstract, reinterpret_cast<sockaddr*>(&address),
                     static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + name.size())),
              0);
    ASSERT_EQ(::listen(abstract, 4), 0);
    ::setenv("DBUS_SYSTEM_BUS_ADDRESS", ("unix:abstract=" + name).c_str(), 1);
    EXPECT_EQ(PosixShutdownInhibitors(300).list().status, Status::Undetermined);
    ::close(abstract);

    // Something at the bus's place that takes no connection of this kind cannot be asked.
    const int datagrams = busAt("datagrams", SOCK_DGRAM);
    EXPECT_EQ(PosixShutdownInhibitors(300).list().status, Status::Undetermined);
    ::close(datagrams);
}

// A bus whose socket this user may not open, or that answers the greeting with anything but
// OK, is there yet cannot be asked: neither is "no login manager".
TEST(PosixShutdownInhibitors, ABusThatRefusesByPermissionOrGreetingCannotTell) {
    test::TempDir dir;
    test::EnvironmentGuard saved("DBUS_SYSTEM_BUS_ADDRESS");
    const int listener = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    dir.file("bus").copy(address.sun_path, sizeof address.sun_path - 1);
    ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(::listen(listener, 4), 0);
    ::setenv("DBUS_SYSTEM_BUS_ADDRESS", ("unix:path=" + dir.file("bus")).c_str(), 1);
    if (::geteuid() != 0) { // permissions do not bind root
        ASSERT_EQ(::chmod(dir.file("bus").c_str(), 0), 0);
        EXPECT_EQ(PosixShutdownInhibitors(300).list().status, Status::Undetermined);
        ASSERT_EQ(::chmod(dir.file("bus").c_str(), 0600), 0);
    }
    // Were the greeting's ERROR taken for OK, the answer that follows would list no locks.
    std::thread server([listener] {
        const int client = ::accept(listener, nullptr, nullptr);
        char buffer[4096];
        (void)!::read(client, buffer, sizeof buffer);
        (void)!::send(client, "ERROR\r\n", 7, MSG_NOSIGNAL);
        (void)!::read(client, buffer, sizeof buffer);
        const char noLocks[] =
            "l\2\0\1\10\0\0\0\2\0\0\0\x17\0\0\0\5\1u\0\2\0\0\0\10\1g\0\ta(ssssuu)"
            "\0\0\0\0\0\0\0\0\0\0";
        (void)!::send(client, noLocks, sizeof noLocks - 1, MSG_NOSIGNAL);
        ::close(client);
    });
    EXPECT_EQ(PosixShutdownInhibitors(2000).list().status, Status::Undetermined);
    server.join();
    ::close(listener);
}

} // namespace
} // namespace vesperon::platform::posix
