#pragma once

#include "platform/platform.h"

#include <chrono>
#include <optional>
#include <string>

namespace vesperon {

// The Linux edition's own arguments, those beginning with "--": --help, --version and
// --test [--json]. Returns the exit status when the argument text is one of them, nothing
// when it is not ("-r", "-s", none and any other text keep their meaning). colour: whether
// standard output may carry terminal colours.
// How long a run mode or `--test` may take in all before it counts as undetermined and ends:
// the lock wait (30 s) and a large check list behind a slow share fit, a stuck one does not.
inline constexpr std::chrono::seconds runBound{60};
// Whether the argument text asks for a run that is bounded so: a run mode, or --test.
bool isBoundedRun(const std::string& argumentText);

std::optional<int> runTerminalCommand(platform::Platform& p, bool colour);

} // namespace vesperon
