#include "platform/posix/fltk/fltk_file_filter.h"

#include "base/text.h"

#include <vector>

namespace vesperon::platform::posix {

namespace {

std::vector<std::string> split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (;;) {
        const auto end = text.find(separator, start);
        parts.push_back(text.substr(start, end - start));
        if (end == std::string::npos) {
            return parts;
        }
        start = end + 1;
    }
}

// "*.txt;*.log" as one FLTK pattern; on Linux "*.*" would miss names without a dot.
std::string fltkPattern(const std::string& windowsPatterns) {
    std::vector<std::string> patterns;
    for (const auto& part : split(windowsPatterns, ';')) {
        const auto pattern = text::trimBlanksAndTabs(part);
        if (pattern == "*.*" || pattern == "*") {
            return "*";
        }
        if (!pattern.empty()) {
            patterns.push_back(pattern);
        }
    }
    if (patterns.empty()) {
        return "*";
    }
    if (patterns.size() == 1) {
        return patterns.front();
    }
    std::string joined = "{";
    for (const auto& pattern : patterns) {
        joined += (joined.size() > 1 ? "," : "") + pattern;
    }
    return joined + "}";
}

} // namespace

std::string fltkFileFilter(const std::string& windowsFilter) {
    if (windowsFilter.find('|') == std::string::npos) {
        return fltkPattern(windowsFilter);
    }
    const auto parts = split(windowsFilter, '|');
    std::string filter;
    for (std::size_t i = 0; i + 1 < parts.size(); i += 2) {
        const auto pattern = fltkPattern(parts[i + 1]);
        // FLTK takes the pattern from the first parentheses: drop those of the description.
        const auto name = text::trimBlanksAndTabs(parts[i].substr(0, parts[i].find('(')));
        if (!filter.empty()) {
            filter += '\t';
        }
        if (name.empty()) {
            filter += pattern;
        } else {
            filter.append(name).append(" (").append(pattern).append(")");
        }
    }
    return filter.empty() ? "*" : filter;
}

} // namespace vesperon::platform::posix
