#pragma once

#include "platform/platform.h"

#include <optional>

namespace vesperon {

// The Linux edition's own arguments, those beginning with "--": --help, --version and
// --test [--json]. Returns the exit status when the argument text is one of them, nothing
// when it is not ("-r", "-s", none and any other text keep their meaning). colour: whether
// standard output may carry terminal colours.
std::optional<int> runTerminalCommand(platform::Platform& p, bool colour);

} // namespace vesperon
