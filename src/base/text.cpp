#include "base/text.h"

namespace vesperon::text {

std::string trimBlanks(std::string_view s) {
    auto first = s.find_first_not_of(' ');
    if (first == std::string_view::npos) {
        return {};
    }
    auto last = s.find_last_not_of(' ');
    return std::string(s.substr(first, last - first + 1));
}

std::string trimBlanksAndTabs(std::string_view s) {
    auto first = s.find_first_not_of(" \t");
    if (first == std::string_view::npos) {
        return {};
    }
    auto last = s.find_last_not_of(" \t");
    return std::string(s.substr(first, last - first + 1));
}

std::string upperAscii(std::string_view s) {
    std::string out(s);
    for (char& c : out) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
    }
    return out;
}

std::string lowerAscii(std::string_view s) {
    std::string out(s);
    for (char& c : out) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return out;
}

bool equalsIgnoringAsciiCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && upperAscii(a) == upperAscii(b);
}

} // namespace vesperon::text
