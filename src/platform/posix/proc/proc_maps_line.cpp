#include "platform/posix/proc/proc_maps_line.h"

#include <charconv>
#include <sys/sysmacros.h>

namespace vesperon::platform::posix {

namespace {

std::string_view nextField(std::string_view& rest) {
    auto start = rest.find_first_not_of(' ');
    if (start == std::string_view::npos) {
        rest = {};
        return {};
    }
    rest.remove_prefix(start);
    auto end = rest.find(' ');
    std::string_view field = rest.substr(0, end);
    rest.remove_prefix(end == std::string_view::npos ? rest.size() : end);
    return field;
}

template <typename T> bool parseNumber(std::string_view text, T& value, int base) {
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    return ec == std::errc() && end == text.data() + text.size() && !text.empty();
}

} // namespace

bool parseMapsLine(std::string_view line, std::uint64_t& dev, std::uint64_t& ino,
                   std::string_view& path) {
    for (int skip = 0; skip < 3; ++skip) {
        nextField(line);
    }
    std::string_view device = nextField(line);
    std::string_view inode = nextField(line);
    auto colon = device.find(':');
    unsigned int major = 0;
    unsigned int minor = 0;
    if (colon == std::string_view::npos || !parseNumber(device.substr(0, colon), major, 16) ||
        !parseNumber(device.substr(colon + 1), minor, 16) || !parseNumber(inode, ino, 10)) {
        return false;
    }
    dev = makedev(major, minor);
    auto start = line.find_first_not_of(' ');
    path = start == std::string_view::npos ? std::string_view{} : line.substr(start);
    return true;
}

} // namespace vesperon::platform::posix
