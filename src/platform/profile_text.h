#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

// Reading and writing one value of an initialisation file the way the Windows profile
// functions do (as Wine implements them), working on the file's bytes.
//
// Section, key and value arguments end at their first NUL byte, as the C strings the
// Windows functions receive would.
namespace vesperon::platform::profile_text {

// Whether a section created by setValue is preceded by a blank line.
inline constexpr bool blankLineBeforeNewSection = false;

// The value as stored (blanks around it removed, cut at a NUL byte, quotes kept);
// nullopt when the section or key is missing or the key's line has no "=".
// A blank section name finds the keys that come before the first section header.
std::optional<std::string> findRawValue(std::string_view fileBytes, std::string_view section,
                                        std::string_view key);

// findRawValue with one enclosing pair of quotes removed.
std::optional<std::string> findValue(std::string_view fileBytes, std::string_view section,
                                     std::string_view key);

// What a buffer of bufferSize characters receives when value is copied into it: an
// enclosing pair of quotes is removed only when the value fits, otherwise just the
// leading quote is skipped; at most bufferSize - 1 characters.
std::string copyToBuffer(std::string_view value, std::size_t bufferSize);

// The file's bytes with key set to value (leading blanks of value dropped). Only the
// affected line changes; a missing key or section is added. Unchanged bytes come back
// when the key already holds that value.
std::string setValue(std::string_view fileBytes, std::string_view section, std::string_view key,
                     std::string_view value);

// True for files that start with a UTF-16 byte-order mark; this reader does not
// understand them.
bool isUtf16(std::string_view fileBytes);

} // namespace vesperon::platform::profile_text
