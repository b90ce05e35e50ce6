#include "platform/posix/core/posix_paths.h"

namespace vesperon::platform::posix {

std::string joined(const std::string& folder, const std::string& name) {
    std::string path = folder;
    while (path.size() > 1 && path.back() == '/') {
        path.pop_back();
    }
    if (path.empty() || path.back() != '/') {
        path += '/';
    }
    return path + name;
}

} // namespace vesperon::platform::posix
