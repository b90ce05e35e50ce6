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

// For readers whose blanks are not the program's own: s without its leading, trailing or
// outer characters for which isBlank holds.
template <class IsBlank> std::string_view trimLeftWhere(std::string_view s, IsBlank isBlank) {
    while (!s.empty() && isBlank(s.front())) {
        s.remove_prefix(1);
    }
    return s;
}

template <class IsBlank> std::string_view trimRightWhere(std::string_view s, IsBlank isBlank) {
    while (!s.empty() && isBlank(s.back())) {
        s.remove_suffix(1);
    }
    return s;
}

template <class IsBlank> std::string_view trimWhere(std::string_view s, IsBlank isBlank) {
    return trimRightWhere(trimLeftWhere(s, isBlank), isBlank);
}

} // namespace vesperon::text
