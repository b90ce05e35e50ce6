#pragma once

#include <string>
#include <string_view>

namespace vesperon::platform::posix {

// Writes all of bytes to fd, going on after interrupted and short writes; false, with errno
// set, when a write fails or writes nothing.
bool writeAll(int fd, std::string_view bytes);

// The folder that holds a path, for a file made beside it: "." for a bare name.
std::string folderOf(const std::string& path);

} // namespace vesperon::platform::posix
