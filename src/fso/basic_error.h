#pragma once

#include "platform/windows_error.h"

#include <cstdint>
#include <stdexcept>
#include <string>

namespace vesperon {

// An error as the Basic runtime reports it: its number and its description.
class FsoError : public std::runtime_error {
public:
    FsoError(std::int32_t number, const std::string& description)
        : std::runtime_error(description), number_(number) {}
    std::int32_t number() const { return number_; }
    std::string description() const { return what(); }

private:
    std::int32_t number_;
};

namespace basic_error {

inline constexpr std::int32_t invalidArgument = 5;
inline constexpr std::int32_t typeMismatch = 13;

// The Basic runtime's number and text for a failure the platform reported.
inline FsoError fromWindowsError(long code) {
    namespace we = platform::windows_error;
    switch (code) {
    case we::file_not_found:
        return {53, "File not found"};
    case we::path_not_found:
        return {76, "Path not found"};
    case we::access_denied:
    case we::sharing_violation:
    case we::lock_violation:
        return {70, "Permission denied"};
    case we::file_exists:
    case we::already_exists:
        return {58, "File already exists"};
    case we::invalid_name:
        return {52, "Bad file name or number"};
    case we::invalid_parameter:
        return {invalidArgument, "Invalid procedure call or argument"};
    default:
        return {75, "Path/File access error"};
    }
}

inline FsoError typeMismatchError() {
    return {typeMismatch, "Type mismatch"};
}

// Throws the Basic error of a failed platform call; does nothing on success.
inline void check(long code) {
    if (code != platform::windows_error::success) {
        throw fromWindowsError(code);
    }
}

} // namespace basic_error
} // namespace vesperon
