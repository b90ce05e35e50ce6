#include "platform/posix/posix_system.h"

#include <climits>
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

} // namespace vesperon::platform::posix
