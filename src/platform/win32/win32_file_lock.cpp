#include "platform/win32/wide_text.h"
#include "platform/win32/win32_files.h"

#include <memory>
#include <windows.h>

namespace vesperon::platform::win32 {

namespace {

class HandleLock final : public FileLock {
public:
    explicit HandleLock(HANDLE h) : h_(h) {}
    ~HandleLock() override { ::CloseHandle(h_); }
    HandleLock(const HandleLock&) = delete;
    HandleLock& operator=(const HandleLock&) = delete;

private:
    HANDLE h_;
};

} // namespace

// The lock is the file itself, opened with no sharing: a second opener fails until it is closed.
LockAttempt Win32Files::lockFile(const std::string& path) {
    using Status = LockAttempt::Status;
    const std::wstring name = widePath(path);
    const DWORD start = ::GetTickCount();
    for (;;) {
        const HANDLE h = ::CreateFileW(name.c_str(), GENERIC_READ, 0, nullptr, OPEN_ALWAYS,
                                       FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h != INVALID_HANDLE_VALUE) {
            return {Status::Held, std::make_unique<HandleLock>(h)};
        }
        if (::GetLastError() != ERROR_SHARING_VIOLATION) {
            return {Status::Unavailable, nullptr};
        }
        if (::GetTickCount() - start >= lockWaitMilliseconds_) {
            return {Status::TimedOut, nullptr};
        }
        ::Sleep(5);
    }
}

} // namespace vesperon::platform::win32
