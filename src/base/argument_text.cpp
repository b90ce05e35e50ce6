#include "base/argument_text.h"

namespace vesperon {

namespace {

bool isBlankOrTab(char c) {
    return c == ' ' || c == '\t';
}

} // namespace

std::string argumentTextOf(std::string_view commandLine) {
    std::size_t i = 0;
    if (i < commandLine.size() && commandLine[i] == '"') {
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
