#pragma once

#include "platform/processes.h"

#include <string>

namespace vesperon::platform::posix {

class PosixProcesses final : public Processes {
public:
    // Runs argv directly (never through a shell) in a session of its own; false when it
    // could not be started. The child is not reaped: the program ends right after.
    bool startWithoutWaiting(const StartRequest& request) override;
};

// The program's full path: a name with "/" as it is, otherwise the first executable
// of that name on PATH, then in /usr/sbin and /sbin. Empty when there is none.
std::string findProgram(const std::string& name);

} // namespace vesperon::platform::posix
