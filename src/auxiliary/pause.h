#pragma once

#include "platform/system.h"
#include "platform/windowing.h"

namespace vesperon {

// Waits until the clock, read to whole seconds, has passed now + seconds, sleeping 100 ms
// at a time and handling window messages meanwhile, so clicks are handled during a pause.
void Pause(platform::System& system, platform::Windowing& windowing, const double& seconds);

} // namespace vesperon
