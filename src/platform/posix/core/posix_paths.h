#pragma once

#include <string>

namespace vesperon::platform::posix {

// A path that a system call can take: not empty, no NUL inside.
inline bool usable(const std::string& path) {
    return !path.empty() && path.find('\0') == std::string::npos;
}

// folder and name with one "/" between them.
std::string joined(const std::string& folder, const std::string& name);

} // namespace vesperon::platform::posix
