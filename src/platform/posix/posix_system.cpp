#include "platform/posix/posix_system.h"

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string_view>
#include <sys/auxv.h>
#include <unistd.h>
#include <utility>

namespace vesperon::platform::posix {

namespace {

// The kernel's own answer, already free of links. It names an executable that was replaced or
// removed while running "<path> (deleted)"; the folder is still the one it was started from.
std::string fromProc() {
    char buffer[PATH_MAX];
    const ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer);
    if (n <= 0 || static_cast<std::size_t>(n) >= sizeof buffer || buffer[0] != '/') {
        return {};
    }
    std::string path(buffer, static_cast<std::size_t>(n));
    constexpr std::string_view deleted = " (deleted)";
    if (path.size() > deleted.size() && path.ends_with(deleted)) {
        path.resize(path.size() - deleted.size());
    }
    return path;
}

// Without /proc: a name the program was started by, made absolute against the folder current
// now (at start) and freed of links, so that a link such as /usr/sbin/vesperon leads to the
// folder that holds the program itself.
std::string resolved(const char* name) {
    char path[PATH_MAX];
    return name != nullptr && ::realpath(name, path) != nullptr ? path : std::string();
}

std::string findExecutable(const char* argv0) {
    std::string path = fromProc();
    if (path.empty()) {
        // The name execve() was given, always a path.
        // getauxval hands the address over as an integer.
        path = resolved(reinterpret_cast<const char*>( // NOLINT(performance-no-int-to-ptr)
            ::getauxval(AT_EXECFN)));
    }
    if (path.empty() && argv0 != nullptr && std::strchr(argv0, '/') != nullptr) {
        path = resolved(argv0); // without a "/" it was a name looked up on PATH
    }
    return path;
}

} // namespace

PosixSystem::PosixSystem(int argc, char** argv)
    : executable_(findExecutable(argc > 0 ? argv[0] : nullptr)) {
    for (int i = 1; i < argc; ++i) {
        if (i > 1) {
            arguments_ += ' ';
        }
        arguments_ += argv[i];
    }
}

PosixRunBound::~PosixRunBound() {
    disarm();
}

void PosixRunBound::arm(std::chrono::seconds limit) {
    if (const char* given = std::getenv("VESPERON_RUN_BOUND"); given != nullptr) {
        char* end = nullptr;
        const long seconds = std::strtol(given, &end, 10);
        if (end != given && *end == '\0' && seconds > 0) {
            limit = std::chrono::seconds(seconds);
        }
    }
    limit_ = limit;
    const auto deadline = std::chrono::steady_clock::now() + limit;
    watcher_ = std::thread(&PosixRunBound::watch, this, deadline);
    // Saying that the run is stuck may hang the same way, or wait for the stuck thread to let
    // go of the guard: a few seconds after the deadline the process ends regardless.
    std::thread([deadline, done = done_] {
        std::this_thread::sleep_until(deadline + std::chrono::seconds(10));
        if (!*done) {
            std::_Exit(2);
        }
    }).detach();
}

void PosixRunBound::guard(const std::function<void()>& change) {
    const std::lock_guard<std::mutex> lock(mutex_);
    change();
}

void PosixRunBound::setExpiry(std::function<int()> handler) {
    const std::lock_guard<std::mutex> lock(mutex_);
    handler_ = std::move(handler);
}

void PosixRunBound::disarm() {
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        *done_ = true;
    }
    stopped_.notify_all();
    if (watcher_.joinable()) {
        watcher_.join();
    }
}

void PosixRunBound::watch(std::chrono::steady_clock::time_point deadline) {
    std::unique_lock<std::mutex> lock(mutex_);
    if (stopped_.wait_until(lock, deadline, [this] { return done_->load(); })) {
        return;
    }
    // The run is stuck, most likely in a call on a file system that stopped answering,
    // which nothing but the end of the process interrupts.
    int status = 2;
    if (handler_) {
        try {
            status = handler_();
        } catch (...) {
            // the process ends all the same
        }
    }
    std::fflush(nullptr);
    std::_Exit(status);
}

std::int64_t PosixSystem::localTimeWholeSeconds() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    ::localtime_r(&now, &local);
    return static_cast<std::int64_t>(now) + local.tm_gmtoff;
}

void PosixSystem::sleepMilliseconds(int milliseconds) {
    timespec wait{milliseconds / 1000, (milliseconds % 1000) * 1000000L};
    while (::nanosleep(&wait, &wait) != 0) {
    }
}

} // namespace vesperon::platform::posix
