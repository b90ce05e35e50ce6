#include "base/argument_text.h"

namespace vesperon {

namespace {

bool isBlankOrTab(char c) {
    return c == ' ' || c == '\t';
}

char lowerAscii(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// How long the path is when the line starts with it, letter case aside, followed by a blank,
// a tab or the end; 0 otherwise.
std::size_t leadingPath(std::string_view commandLine, std::string_view path) {
    if (path.empty() || commandLine.size() < path.size()) {
        return 0;
    }
    for (std::size_t i = 0; i < path.size(); ++i) {
        if (lowerAscii(commandLine[i]) != lowerAscii(path[i])) {
            return 0;
        }
    }
    return commandLine.size() == path.size() || isBlankOrTab(commandLine[path.size()]) ? path.size()
                                                                                       : 0;
}

} // namespace

std::string argumentTextOf(std::string_view commandLine, std::string_view modulePath) {
    std::size_t i = leadingPath(commandLine, modulePath);
    if (i == 0) {
        const std::size_t dot = modulePath.find_last_of(".\\/");
        if (dot != std::string_view::npos && modulePath[dot] == '.') {
            i = leadingPath(commandLine, modulePath.substr(0, dot));
        }
    }
    if (i == 0 && !commandLine.empty() && commandLine[0] == '"') {
        auto close = commandLine.find('"', 1);
        i = close == std::string_view::npos ? commandLine.size() : close + 1;
    }
    while (i < commandLine.size() && !isBlankOrTab(commandLine[i])) {
        ++i;
    }
    while (i < commandLine.size() && isBlankOrTab(commandLine[i])) {
        ++i;
    }
    return std::string(commandLine.substr(i));
}

} // namespace vesperon
