#include "platform/posix/syscall_recorder.h"

#include <cerrno>
#include <unistd.h>
#include <utility>

namespace vesperon::test {

namespace {
SyscallRecorder* active = nullptr;
}

SyscallRecorder::SyscallRecorder(std::string failing) : failing_(std::move(failing)) {
    active = this;
}

SyscallRecorder::~SyscallRecorder() {
    active = nullptr;
}

bool SyscallRecorder::allow(const char* kind) {
    calls_.push_back(kind);
    if (failing_ != kind) {
        return true;
    }
    failing_.clear();
    return false;
}

} // namespace vesperon::test

namespace {
bool allowed(const char* kind) {
    return vesperon::test::active == nullptr || vesperon::test::active->allow(kind);
}
} // namespace

extern "C" {
ssize_t __real_write(int fd, const void* bytes, size_t size);
int __real_fsync(int fd);
int __real_close(int fd);
int __real_rename(const char* from, const char* to);

ssize_t __wrap_write(int fd, const void* bytes, size_t size) {
    if (!allowed("write")) {
        errno = EIO;
        return -1;
    }
    return __real_write(fd, bytes, size);
}

int __wrap_fsync(int fd) {
    if (!allowed("fsync")) {
        errno = EIO;
        return -1;
    }
    return __real_fsync(fd);
}

int __wrap_close(int fd) {
    if (!allowed("close")) {
        __real_close(fd);
        errno = EIO;
        return -1;
    }
    return __real_close(fd);
}

int __wrap_rename(const char* from, const char* to) {
    if (!allowed("rename")) {
        errno = EIO;
        return -1;
    }
    return __real_rename(from, to);
}
}
