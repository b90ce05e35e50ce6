#include "platform/posix/core/fd_io.h"

#include "base/path_text.h"

#include <cerrno>
#include <unistd.h>

namespace vesperon::platform::posix {

bool writeAll(int fd, std::string_view bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

std::string folderOf(const std::string& path) {
    if (path.find('/') == std::string::npos) {
        return ".";
    }
    return path_text::posixParentFolderName(path);
}

} // namespace vesperon::platform::posix
