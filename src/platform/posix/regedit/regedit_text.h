#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Registry keys and values kept in the text form the Windows registry editor exports
// (REGEDIT4). Every function takes the whole file and returns the whole new file; bytes
// it does not need to change (hand edits, comments, lines it does not understand) are
// kept as they were. Key and value names are matched without regard to ASCII case.
namespace vesperon::platform::regedit_text {

// "HKEY_LOCAL_MACHINE" and so on for the predefined root handles; "" for any other.
std::string hiveName(std::uint32_t root);

// The file with a "[fullKeyPath]" section present. A path that cannot be written as a
// section header (line breaks, leading '-') leaves the bytes unchanged.
std::string ensureKey(std::string_view fileBytes, std::string_view fullKeyPath);

// The file with the value set: its existing line replaced (all continuation lines of
// it too), or a new line after the key's last value line. A value name containing a
// line break cannot be written and leaves the bytes unchanged.
std::string setValue(std::string_view fileBytes, std::string_view fullKeyPath,
                     std::string_view valueName, std::uint32_t type,
                     const std::vector<std::uint8_t>& data);

// One value line, CR LF terminated; long hex data is continued on further lines.
std::string formatValueLine(std::string_view valueName, std::uint32_t type,
                            const std::vector<std::uint8_t>& data);

} // namespace vesperon::platform::regedit_text
