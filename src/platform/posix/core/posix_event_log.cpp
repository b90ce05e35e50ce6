#include "platform/posix/core/posix_event_log.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <syslog.h>
#include <unistd.h>
#include <utility>

namespace vesperon::platform::posix {

namespace {

using Clock = std::chrono::steady_clock;

int priorityFor(std::uint16_t type) {
    switch (type) {
    case 1:
        return LOG_ERR;
    case 2:
        return LOG_WARNING;
    case 4:
        return LOG_INFO;
    default:
        return LOG_NOTICE;
    }
}

// The record as syslog(3) frames it: "<12>Dec  7 03:30:01 Vesperon[4711]: text", the time
// in the C locale's words whatever the user's locale.
std::string record(int priority, const std::string& identity, const std::string& message) {
    static const char* const months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                         "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    ::localtime_r(&now, &local);
    char head[64];
    std::snprintf(head, sizeof head, "<%d>%s %2d %02d:%02d:%02d ", LOG_USER | priority,
                  months[local.tm_mon % 12], local.tm_mday, local.tm_hour, local.tm_min,
                  local.tm_sec);
    return head + identity + "[" + std::to_string(::getpid()) + "]: " + message;
}

// A connection to the log socket, closed with the object.
class LogSocket {
public:
    LogSocket(const LogSocket&) = delete;
    LogSocket& operator=(const LogSocket&) = delete;
    explicit LogSocket(const std::string& path) {
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        path.copy(address.sun_path, sizeof address.sun_path - 1);
        // Datagrams as most daemons take them; a stream where the socket is one.
        for (int type : {SOCK_DGRAM, SOCK_STREAM}) {
            fd_ = ::socket(AF_UNIX, type | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
            if (fd_ < 0) {
                error_ = errno;
                return;
            }
            if (::connect(fd_, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0 ||
                errno == EINPROGRESS) {
                stream_ = type == SOCK_STREAM;
                error_ = 0;
                return;
            }
            error_ = errno;
            ::close(fd_);
            fd_ = -1;
            if (error_ != EPROTOTYPE) {
                return;
            }
        }
    }
    ~LogSocket() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    // 0 when the whole record went out before the deadline, else the errno that stopped it.
    int send(std::string bytes, Clock::time_point deadline) {
        if (fd_ < 0) {
            return error_;
        }
        if (stream_) {
            bytes += '\0'; // a stream's records are separated as syslog(3) separates them
        }
        for (std::size_t done = 0; done < bytes.size();) {
            const ssize_t n =
                ::send(fd_, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL | MSG_DONTWAIT);
            if (n >= 0) {
                done += static_cast<std::size_t>(n);
                continue;
            }
            if (errno == EINTR) {
                continue;
            }
            if (errno != EAGAIN) {
                return errno;
            }
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
            pollfd one{fd_, POLLOUT, 0};
            if (left.count() <= 0 || ::poll(&one, 1, static_cast<int>(left.count())) <= 0) {
                return ETIMEDOUT;
            }
        }
        return 0;
    }

private:
    int fd_ = -1;
    int error_ = 0;
    bool stream_ = false;
};

} // namespace

PosixEventLog::PosixEventLog(std::string socketPath, std::chrono::milliseconds bound)
    : socketPath_(std::move(socketPath)), bound_(bound), budget_(bound) {}

EventSourceHandle PosixEventLog::registerEventSource(const std::string& server,
                                                     const std::string& source) {
    // Only the local log exists here.
    if (!server.empty() || source.empty()) {
        return 0;
    }
    sources_[next_] = source;
    return next_++;
}

bool PosixEventLog::reportEvent(EventSourceHandle handle, std::uint16_t type,
                                std::uint16_t /*category*/, std::uint32_t /*eventId*/,
                                const std::vector<std::string>& strings,
                                const std::vector<std::uint8_t>& /*rawData*/) {
    auto source = sources_.find(handle);
    if (source == sources_.end()) {
        return false;
    }
    // The message table shows an entry as its first string, so that string is the entry.
    const std::string message = strings.empty() ? std::string() : strings.front();
    // syslog(3) would wait for ever on a daemon that stopped reading, with the run's lock
    // held. One budget serves every entry of the process: once it is spent, later entries
    // are only offered.
    const auto start = Clock::now();
    const int error =
        LogSocket(socketPath_)
            .send(record(priorityFor(type), source->second, message), start + budget_);
    budget_ -= std::min(
        budget_, std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start));
    if (error == 0) {
        return true;
    }
    char waited[64];
    std::snprintf(waited, sizeof waited, "it did not take the entry within %.1f s",
                  static_cast<double>(bound_.count()) / 1000);
    const std::string why = error == ETIMEDOUT ? waited : std::strerror(error);
    const std::string line =
        "vesperon: the warning could not be handed to syslog (" + socketPath_ + "): " + why + "\n";
    std::fputs(line.c_str(), stderr);
    return false;
}

void PosixEventLog::deregisterEventSource(EventSourceHandle handle) {
    sources_.erase(handle);
}

} // namespace vesperon::platform::posix
