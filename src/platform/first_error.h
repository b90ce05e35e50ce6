#pragma once

#include "platform/windows_error.h"

namespace vesperon::platform {

// Keeps the first Windows error code of an operation that goes on after failures.
class FirstError {
public:
    void note(long error) {
        if (first_ == windows_error::success) {
            first_ = error;
        }
    }
    long get() const { return first_; }

private:
    long first_ = windows_error::success;
};

} // namespace vesperon::platform
