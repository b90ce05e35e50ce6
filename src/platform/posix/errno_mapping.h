#pragma once

namespace vesperon::platform::posix {

// The Windows error code closest to an errno value.
long windowsErrorFromErrno(int error);

} // namespace vesperon::platform::posix
