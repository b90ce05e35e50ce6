#include "platform/posix/core/posix_system.h"

#include "platform/posix/regedit/posix_registry.h"

#include <algorithm>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <poll.h>
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

std::string PosixSystem::configurationFolder() {
    return VESPERON_CONFIG_FOLDER;
}

std::string PosixSystem::stateFolder() {
    return defaultRegistryFolder();
}

PosixRunBound::~PosixRunBound() {
    disarm();
    if (started_) {
        ::pthread_join(watcher_, nullptr);
        ::close(wake_[0]);
    }
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
    deadline_ = std::chrono::steady_clock::now() + limit;
    if (::pipe2(wake_, O_CLOEXEC) != 0) {
        return;
    }
    // A thread of its own, as the run may be stuck where no signal reaches it; a plain one,
    // which keeps a run's memory as small as it was.
    pthread_attr_t attributes;
    ::pthread_attr_init(&attributes);
    ::pthread_attr_setstacksize(&attributes, std::size_t{1} << 20);
    started_ = ::pthread_create(&watcher_, &attributes, &PosixRunBound::watch, this) == 0;
    armed_ = started_;
    ::pthread_attr_destroy(&attributes);
}

void PosixRunBound::setExpiry(const std::function<int()>& handler) {
    const std::lock_guard<std::mutex> lock(mutex_);
    handler_ = handler;
}

void PosixRunBound::disarm() {
    // Taken so that an expiry already under way finishes (and ends the process) first. The
    // watcher is woken, not waited for: it is joined when the process ends.
    const std::lock_guard<std::mutex> lock(mutex_);
    if (armed_) {
        armed_ = false;
        ::close(wake_[1]);
    }
}

namespace {

void endNow(int /*signal*/) {
    ::_exit(2);
}

} // namespace

void* PosixRunBound::watch(void* self) {
    auto& bound = *static_cast<PosixRunBound*>(self);
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            bound.deadline_ - std::chrono::steady_clock::now());
        pollfd wake{bound.wake_[0], POLLIN, 0};
        const int ready = ::poll(&wake, 1, static_cast<int>(std::max<long>(left.count(), 0)));
        if (ready > 0) {
            return nullptr; // disarmed
        }
        if (ready == 0 && left.count() <= 0) {
            break;
        }
    }
    // The run is stuck, most likely in a call on a file system that stopped answering, which
    // nothing but the end of the process interrupts. Saying so may get stuck as well, or wait
    // for the stuck thread to let go of the guard: ten seconds more, and the process ends.
    struct sigaction action {};
    action.sa_handler = endNow;
    ::sigaction(SIGALRM, &action, nullptr);
    ::alarm(10);
    const std::lock_guard<std::mutex> lock(bound.mutex_);
    if (!bound.armed_) {
        ::alarm(0);
        return nullptr; // disarmed as the time ran out
    }
    int status = 2;
    if (bound.handler_) {
        try {
            status = bound.handler_();
        } catch (...) {
            // the process ends all the same
        }
    }
    std::fflush(nullptr);
    ::_exit(status);
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
