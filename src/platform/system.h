#pragma once

#include <cstdint>
#include <string>

namespace vesperon::platform {

// What the running process knows about itself.
class System {
public:
    virtual ~System() = default;
    // Full path of the running executable, in the edition's own path style.
    virtual std::string executablePath() = 0;
    // Everything after the program name on the command line.
    virtual std::string argumentText() = 0;
    // The local date and time, to whole seconds (fractions dropped), as seconds since a fixed day.
    virtual std::int64_t localTimeWholeSeconds() = 0;
    virtual void sleepMilliseconds(int milliseconds) = 0;
};

} // namespace vesperon::platform
