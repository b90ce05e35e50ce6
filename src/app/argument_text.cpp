#include "app/argument_text.h"

#include "app/text.h"

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

std::optional<ShutdownKind> runModeOf(std::string_view argumentText) {
    // A blank typed after the switch in a scheduler's argument field must not turn a run
    // into a window that nobody sees.
    const std::string upper = text::upperAscii(text::trimBlanksAndTabs(argumentText));
    if (upper == "-R") {
        return ShutdownKind::Restart;
    }
    if (upper == "-S") {
        return ShutdownKind::Shutdown;
    }
    return std::nullopt;
}

} // namespace vesperon
