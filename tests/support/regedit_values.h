#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

namespace vesperon::test {

// Type and data of the value in REGEDIT4 text; nothing when the key or value is missing,
// deleted ("name"=-) or its data cannot be read. When a value appears more than once, the
// last one counts, as it would when the file is imported.
std::optional<std::pair<std::uint32_t, std::vector<std::uint8_t>>>
findValue(std::string_view fileBytes, std::string_view fullKeyPath, std::string_view valueName);

} // namespace vesperon::test
