#include "platform/posix/core/posix_files.h"

#include <cerrno>
#include <fcntl.h>
#include <memory>
#include <sys/file.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace vesperon::platform::posix {

namespace {

class FlockLock final : public FileLock {
public:
    explicit FlockLock(int fd) : fd_(fd) {}
    ~FlockLock() override { ::close(fd_); } // the last close lets go of the lock
    FlockLock(const FlockLock&) = delete;
    FlockLock& operator=(const FlockLock&) = delete;
    int fd() const { return fd_; }

private:
    int fd_;
};

} // namespace

LockAttempt PosixFiles::lockFile(const std::string& path) {
    using Status = LockAttempt::Status;
    if (path.find('\0') != std::string::npos) {
        return {Status::Unavailable, nullptr};
    }
    // Never through a link, and never hanging on a FIFO planted under that name.
    const int fd = ::open(
        path.c_str(), O_RDONLY | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0644);
    if (fd < 0) {
        return {Status::Unavailable, nullptr};
    }
    auto lock = std::make_unique<FlockLock>(fd);
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        return {Status::Unavailable, nullptr};
    }
    const auto deadline = std::chrono::steady_clock::now() + lockWait_;
    for (;;) {
        if (::flock(lock->fd(), LOCK_EX | LOCK_NB) == 0) {
            return {Status::Held, std::move(lock)};
        }
        if (errno != EWOULDBLOCK && errno != EINTR) {
            return {Status::Unavailable, nullptr}; // a file system without locks, say
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            return {Status::TimedOut, nullptr};
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

} // namespace vesperon::platform::posix
