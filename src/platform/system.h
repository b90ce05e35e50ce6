#pragma once

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
};

} // namespace vesperon::platform
