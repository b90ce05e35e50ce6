// One line of /proc/<pid>/maps, as a process of any kind may show it.
#include "platform/posix/proc/proc_maps_line.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view line(reinterpret_cast<const char*>(data), size);
    std::uint64_t dev = 0;
    std::uint64_t ino = 0;
    std::string_view path;
    if (vesperon::platform::posix::parseMapsLine(line, dev, ino, path) && !path.empty()) {
        // The path is the end of the line itself, its leading blanks skipped.
        if (path.data() + path.size() != line.data() + line.size() || path.front() == ' ') {
            std::abort();
        }
    }
    return 0;
}
