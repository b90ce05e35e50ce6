#pragma once

namespace vesperon::platform::posix {

// The Windows error code closest to an errno value.
long windowsErrorFromErrno(int error);

// The same as the file-system utility class reports it: a name that is taken, too long, a
// folder that is not empty, a link in the way.
long fileErrorFromErrno(int error);

} // namespace vesperon::platform::posix
