#pragma once

#include <string>
#include <string_view>

namespace vesperon::text {

inline constexpr const char* crlf = "\r\n";

// Leading and trailing blanks (spaces only, as Basic's Trim) removed.
std::string trimBlanks(std::string_view s);
// Leading and trailing blanks and tabs removed.
std::string trimBlanksAndTabs(std::string_view s);
// ASCII letters upper-cased; every other byte kept.
std::string upperAscii(std::string_view s);
std::string lowerAscii(std::string_view s);
bool equalsIgnoringAsciiCase(std::string_view a, std::string_view b);

} // namespace vesperon::text
