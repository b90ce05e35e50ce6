#include "platform/posix/posix_system.h"

#include <climits>
#include <ctime>
#include <unistd.h>

namespace vesperon::platform::posix {

PosixSystem::PosixSystem(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (i > 1) {
            arguments_ += ' ';
        }
        arguments_ += argv[i];
    }
}

std::string PosixSystem::executablePath() {
    char buffer[PATH_MAX];
    const ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer);
    if (n <= 0 || static_cast<std::size_t>(n) >= sizeof buffer) {
        return {};
    }
    return std::string(buffer, static_cast<std::size_t>(n));
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
