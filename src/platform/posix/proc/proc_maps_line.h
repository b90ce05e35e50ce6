#pragma once

#include <cstdint>
#include <string_view>

namespace vesperon::platform::posix {

// One line of /proc/<pid>/maps: "start-end perms offset major:minor inode   [path]",
// device numbers in hex, inode in decimal. False when the line does not read so; path is
// empty for an anonymous mapping and points into line otherwise.
bool parseMapsLine(std::string_view line, std::uint64_t& dev, std::uint64_t& ino,
                   std::string_view& path);

} // namespace vesperon::platform::posix
