#pragma once

// The Windows error codes that the portable code and the stand-ins report.
namespace vesperon::platform::windows_error {
inline constexpr long success = 0;
inline constexpr long invalid_function = 1;
inline constexpr long file_not_found = 2;
inline constexpr long path_not_found = 3;
inline constexpr long access_denied = 5;
inline constexpr long invalid_handle = 6;
inline constexpr long not_enough_memory = 8;
inline constexpr long invalid_data = 13;
inline constexpr long write_fault = 29;
inline constexpr long sharing_violation = 32;
inline constexpr long lock_violation = 33;
inline constexpr long file_exists = 80;
inline constexpr long disk_full = 112;
inline constexpr long invalid_parameter = 87;
inline constexpr long invalid_name = 123;
inline constexpr long file_too_large = 223;
inline constexpr long dir_not_empty = 145;
inline constexpr long already_exists = 183;
inline constexpr long badkey = 1010;
} // namespace vesperon::platform::windows_error
