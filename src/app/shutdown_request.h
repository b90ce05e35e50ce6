#pragma once

#include "app/run_outcome.h"
#include "check/check_session.h"
#include "platform/platform.h"
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

// Starts the request, forced as the settings file says now: it may have changed during the
// check. A request that fails is said on standard error and, when logging is on, in a warning.
RunOutcome requestShutdown(platform::Platform& p, CheckSession& session, ShutdownKind kind);

} // namespace vesperon
