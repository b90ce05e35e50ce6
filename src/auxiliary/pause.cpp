#include "auxiliary/pause.h"

namespace vesperon {

void Pause(platform::System& system, platform::Windowing& windowing, const double& seconds) {
    const double end = static_cast<double>(system.localTimeWholeSeconds()) + seconds;
    while (static_cast<double>(system.localTimeWholeSeconds()) <= end) {
        system.sleepMilliseconds(100);
        windowing.processPendingMessages();
    }
}

} // namespace vesperon
