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

// No bus at all means nothing to ask; a bus that takes the connection and never answers, or
// answers beyond any D-Bus message, cannot tell, and must not hold the run past the bound.
TEST(PosixShutdownInhibitors, NoBusAndASilentOrBrokenBus) {
    test::TempDir dir;
    test::EnvironmentGuard bus("DBUS_SYSTEM_BUS_ADDRESS");
    ::setenv("DBUS_SYSTEM_BUS_ADDRESS", ("unix:path=" + dir.file("none")).c_str(), 1);
    EXPECT_EQ(PosixShutdownInhibitors().list().status, Status::NoService);
    // A socket made the bus address: at a path, or (name "") at an abstract name outside the
    // file system. Connections to a stream socket wait in the backlog, never answered.
    auto busAt = [&](const std::string& name, int type) {
        const int fd = ::socket(AF_UNIX, type, 0);
        const std::string abstract = "vesperon-test-" + std::to_string(::getpid());
        const std::string path = name.empty() ? abstract : dir.file(name);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        path.copy(address.sun_path + (name.empty() ? 1 : 0), path.size());
        const auto size = offsetof(sockaddr_un, sun_path) + path.size() + 1;
        EXPECT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), static_cast<socklen_t>(size)),
                  0);
        EXPECT_TRUE(type != SOCK_STREAM || ::listen(fd, 4) == 0);
        const std::string at = name.empty() ? "unix:abstract=" + abstract : "unix:path=" + path;
        ::setenv("DBUS_SYSTEM_BUS_ADDRESS", at.c_str(), 1);
        return fd;
    };
    for (const auto& [name, type] :
         {std::pair{"silent", SOCK_STREAM}, {"", SOCK_STREAM}, {"datagrams", SOCK_DGRAM}}) {
        SCOPED_TRACE(name);
        const int fd = busAt(name, type);
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(PosixShutdownInhibitors(300).list().status, Status::Undetermined);
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
        ::close(fd);
    }
    const int huge = busAt("huge", SOCK_STREAM);
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
}

} // namespace
} // namespace vesperon::platform::posix
