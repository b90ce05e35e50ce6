#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace vesperon::test {

// The whole text of the line (with its continuation lines and line end) that holds the value
// in REGEDIT4 text, the last one when it appears more than once, as an import would take it;
// nothing when the key or the value is not there.
std::optional<std::string> storedLine(std::string_view fileBytes, std::string_view fullKeyPath,
                                      std::string_view valueName);

} // namespace vesperon::test
