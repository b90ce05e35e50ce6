#pragma once

#include "platform/processes.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vesperon {

enum class ShutdownKind { Restart, Shutdown };

// The run that the argument text asks for: "-r" or "-s" in either case, blanks and tabs
// around it allowed; nothing for interactive mode.
std::optional<ShutdownKind> runModeOf(std::string_view argumentText);

// "Forced Restart by Vesperon" and its three siblings.
std::string shutdownComment(ShutdownKind kind, bool forced);
// The Windows command line, such as: shutdown.exe -r -t 60 -c "Restart by Vesperon" -d p:4:1
std::string shutdownCommandLine(ShutdownKind kind, bool forced);
// The Linux request: shutdown -r|-P +1 COMMENT
std::vector<std::string> shutdownArguments(ShutdownKind kind, bool forced);
// Both forms, started minimised.
platform::StartRequest shutdownRequest(ShutdownKind kind, bool forced);

} // namespace vesperon
