#include "platform/posix/core/errno_mapping.h"

#include "platform/windows_error.h"

#include <cerrno>

namespace vesperon::platform::posix {

long windowsErrorFromErrno(int error) {
    namespace we = vesperon::platform::windows_error;
    switch (error) {
    case 0:
        return we::success;
    case ENOENT:
        return we::file_not_found;
    case ENOTDIR:
        return we::path_not_found;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
        return we::access_denied;
    case ENOMEM:
        return we::not_enough_memory;
    case ENOSPC:
    case EDQUOT:
        return we::disk_full;
    case EBUSY:
    case ETXTBSY:
        return we::sharing_violation;
    case EIO:
        return we::write_fault;
    case EFBIG:
        return we::file_too_large;
    default:
        return we::invalid_function;
    }
}

long fileErrorFromErrno(int error) {
    switch (error) {
    case EEXIST:
        return windows_error::already_exists;
    case ENAMETOOLONG:
        return windows_error::invalid_name;
    case ENOTEMPTY:
        return windows_error::dir_not_empty;
    case ELOOP: // a link where the class never goes through one
        return windows_error::access_denied;
    default:
        return windowsErrorFromErrno(error);
    }
}

} // namespace vesperon::platform::posix
