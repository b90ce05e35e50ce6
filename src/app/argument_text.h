#pragma once

#include "app/shutdown_request.h"

#include <optional>
#include <string>
#include <string_view>

namespace vesperon {

// What follows the program name on a Windows command line: a quoted name ends at its
// closing quote, any other at the first blank or tab; the blanks and tabs after it are
// skipped.
std::string argumentTextOf(std::string_view commandLine);

// The run that the argument text asks for: "-r" or "-s" in either case, blanks and tabs
// around it allowed; nothing for interactive mode.
std::optional<ShutdownKind> runModeOf(std::string_view argumentText);

} // namespace vesperon
