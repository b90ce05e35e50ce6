#pragma once

#include "app/form1.h"
#include "platform/platform.h"

namespace vesperon {

// What the program does once its platform is built; the process's exit status.
// Loads the start-up window; a run mode ends inside its load handler, with status 0 when
// its request started, 2 when it was withheld and 1 when it failed. Otherwise the
// configuration window is shown and serves until the last window is unloaded (status 0,
// or 1 without a display).
int runApplication(platform::Platform& platform);

} // namespace vesperon
