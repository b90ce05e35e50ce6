#pragma once

#include "app/form1.h"
#include "platform/platform.h"

namespace vesperon {

// What the program does once its platform is built; the process's exit status.
// Loads the start-up window; a run mode ends inside its load handler. Otherwise the
// configuration window is shown and serves until the last window is unloaded.
int runApplication(platform::Platform& platform);

} // namespace vesperon
