#include "platform/posix/logind/posix_shutdown_inhibitors.h"

#include "platform/posix/logind/dbus_wire.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <poll.h>
#include <pwd.h>
#include <string>
#include <string_view>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#include <vector>

namespace vesperon::platform::posix {

namespace {

using Status = InhibitorList::Status;
using Clock = std::chrono::steady_clock;

constexpr const char* defaultBus = "unix:path=/run/dbus/system_bus_socket";
constexpr std::uint32_t listSerial = 2;

InhibitorList answer(Status status, std::string problem) {
    InhibitorList list;
    list.status = status;
    list.problem = std::move(problem);
    return list;
}

std::string userName(std::uint32_t uid) {
    std::vector<char> buffer(16384);
    passwd entry{};
    passwd* found = nullptr;
    if (::getpwuid_r(uid, &entry, buffer.data(), buffer.size(), &found) == 0 && found != nullptr &&
        found->pw_name != nullptr) {
        return found->pw_name;
    }
    return std::to_string(uid);
}

// The first address of the list that is a Unix socket: "unix:path=..." or
// "unix:abstract=...". False when there is none.
bool socketAddress(const std::string& addresses, sockaddr_un& address, socklen_t& length) {
    for (std::size_t start = 0; start <= addresses.size();) {
        const std::size_t end = std::min(addresses.find(';', start), addresses.size());
        const std::string one = addresses.substr(start, end - start);
        start = end + 1;
        if (one.rfind("unix:", 0) != 0) {
            continue;
        }
        for (const std::string key : {"path=", "abstract="}) {
            const std::size_t at = one.find(key, 5);
            if (at == std::string::npos || (one[at - 1] != ':' && one[at - 1] != ',')) {
                continue;
            }
            const std::size_t stop = std::min(one.find(',', at), one.size());
            const std::string value = one.substr(at + key.size(), stop - at - key.size());
            const bool abstract = key == "abstract=";
            if (value.empty() || value.size() + (abstract ? 1 : 0) >= sizeof address.sun_path) {
                continue;
            }
            address = {};
            address.sun_family = AF_UNIX;
            value.copy(address.sun_path + (abstract ? 1 : 0), value.size());
            // One more byte either way: the NUL that starts an abstract name or ends a path.
            length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + value.size() + 1);
            return true;
        }
    }
    return false;
}

// One connection, closed with the object; every wait ends at the deadline.
class Connection {
public:
    explicit Connection(Clock::time_point deadline) : deadline_(deadline) {}
    ~Connection() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    // 0, or the errno of the connect.
    int connect(const sockaddr_un& address, socklen_t length) {
        fd_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
        if (fd_ < 0) {
            return errno;
        }
        if (::connect(fd_, reinterpret_cast<const sockaddr*>(&address), length) == 0) {
            return 0;
        }
        if (errno != EINPROGRESS && errno != EAGAIN) {
            return errno;
        }
        int error = 0;
        socklen_t size = sizeof error;
        if (!wait(POLLOUT) || ::getsockopt(fd_, SOL_SOCKET, SO_ERROR, &error, &size) != 0) {
            return ETIMEDOUT;
        }
        return error;
    }
    bool send(const std::string& bytes) {
        for (std::size_t done = 0; done < bytes.size();) {
            const ssize_t n = ::send(fd_, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
            if (n > 0) {
                done += static_cast<std::size_t>(n);
            } else if ((n < 0 && errno != EAGAIN && errno != EINTR) || !wait(POLLOUT)) {
                return false;
            }
        }
        return true;
    }
    // Appends what arrives to received; false at the deadline, an error or the end.
    bool receive() {
        char buffer[65536];
        for (;;) {
            const ssize_t n = ::recv(fd_, buffer, sizeof buffer, 0);
            if (n > 0 &&
                received.size() + static_cast<std::size_t>(n) <= dbus::maxMessage + sizeof buffer) {
                received.append(buffer, static_cast<std::size_t>(n));
                return true;
            }
            if (n >= 0 || (errno != EAGAIN && errno != EINTR) || !wait(POLLIN)) {
                return false;
            }
        }
    }
    std::string received;

private:
    bool wait(short events) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline_ - Clock::now());
        if (left.count() <= 0) {
            return false;
        }
        pollfd one{fd_, events, 0};
        const int n = ::poll(&one, 1, static_cast<int>(left.count()));
        return n > 0 && (one.revents & (events | POLLHUP | POLLERR)) != 0;
    }

    Clock::time_point deadline_;
    int fd_ = -1;
};

} // namespace

InhibitorList PosixShutdownInhibitors::list() {
    const char* configured = std::getenv("DBUS_SYSTEM_BUS_ADDRESS");
    const std::string addresses =
        configured != nullptr && *configured != '\0' ? configured : defaultBus;
    sockaddr_un address{};
    socklen_t length = 0;
    if (!socketAddress(addresses, address, length)) {
        return answer(Status::NoService, "no system bus socket in \"" + addresses + "\"");
    }
    Connection bus(Clock::now() + std::chrono::milliseconds(boundMilliseconds_));
    const int error = bus.connect(address, length);
    if (error != 0) {
        // Nothing listens where the system bus would be: a container, an init without it.
        const bool none = error == ENOENT || error == ECONNREFUSED || error == ENOTDIR;
        return answer(none ? Status::NoService : Status::Undetermined,
                      std::string("the system bus cannot be reached: ") + std::strerror(error));
    }
    const auto noAnswer = [&] {
        char bound[64];
        std::snprintf(bound, sizeof bound, "the system bus gave no answer within %.1f s",
                      boundMilliseconds_ / 1000.0);
        return answer(Status::Undetermined, bound);
    };
    // The bus knows who connects from the socket; EXTERNAL names the same user.
    char uid[16];
    std::snprintf(uid, sizeof uid, "%u", static_cast<unsigned>(::geteuid()));
    std::string hexUid;
    for (const char* c = uid; *c != '\0'; ++c) {
        char hex[3];
        std::snprintf(hex, sizeof hex, "%02x", static_cast<unsigned char>(*c));
        hexUid += hex;
    }
    if (!bus.send(std::string("\0AUTH EXTERNAL ", 15) + hexUid + "\r\n")) {
        return noAnswer();
    }
    while (bus.received.find("\r\n") == std::string::npos) {
        if (!bus.receive()) {
            return noAnswer();
        }
    }
    if (bus.received.rfind("OK ", 0) != 0) {
        return answer(Status::Undetermined, "the system bus refused the connection");
    }
    bus.received.clear();
    const std::string hello = dbus::methodCall(1, "org.freedesktop.DBus", "/org/freedesktop/DBus",
                                               "org.freedesktop.DBus", "Hello");
    const std::string ask =
        dbus::methodCall(listSerial, "org.freedesktop.login1", "/org/freedesktop/login1",
                         "org.freedesktop.login1.Manager", "ListInhibitors");
    if (!bus.send("BEGIN\r\n" + hello + ask)) {
        return noAnswer();
    }
    for (;;) {
        const auto size = dbus::messageLength(bus.received);
        if (size && *size == 0) {
            return answer(Status::Undetermined,
                          "the system bus sent a message that cannot be read");
        }
        if (size && *size > dbus::maxMessage) {
            return answer(Status::Undetermined,
                          "the system bus sent a message larger than D-Bus allows (" +
                              std::to_string(*size) + " bytes; at most " +
                              std::to_string(dbus::maxMessage) + ")");
        }
        if (!size || bus.received.size() < *size) {
            if (size) {
                bus.received.reserve(*size); // one allocation the size of what is kept
            }
            if (!bus.receive()) {
                return noAnswer();
            }
            continue;
        }
        dbus::Message message;
        if (!dbus::parseMessage(std::string_view(bus.received).substr(0, *size), message)) {
            return answer(Status::Undetermined,
                          "the system bus sent a message that cannot be read");
        }
        if (message.replySerial != listSerial) {
            bus.received.erase(0, *size);
            continue; // the answer to Hello, a signal
        }
        if (message.type == dbus::error) {
            const bool absent = message.errorName == "org.freedesktop.DBus.Error.ServiceUnknown" ||
                                message.errorName == "org.freedesktop.DBus.Error.NameHasNoOwner";
            return absent ? answer(Status::NoService, "no login manager on the system bus")
                          : answer(Status::Undetermined,
                                   "the login manager answered " + message.errorName);
        }
        InhibitorList list;
        if (message.type != dbus::methodReturn || !dbus::parseInhibitorLocks(message, list.locks)) {
            return answer(Status::Undetermined, "the login manager's answer cannot be read");
        }
        list.status = Status::Answered;
        std::map<std::uint32_t, std::string> users; // thousands of locks, a few users
        for (auto& lock : list.locks) {
            auto known = users.find(lock.uid);
            if (known == users.end()) {
                known = users.emplace(lock.uid, userName(lock.uid)).first;
            }
            lock.user = known->second;
        }
        return list;
    }
}

} // namespace vesperon::platform::posix
