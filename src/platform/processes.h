#pragma once

#include <string>
#include <vector>

namespace vesperon::platform {

struct StartRequest {
    std::string commandLine;       // the whole command line, as Windows takes it
    std::vector<std::string> argv; // the same request as an argument vector, for POSIX
    int windowStyle = 1;
};

struct StartOutcome {
    bool started = false;
    // What was started, or would have been: the program by its full path when it was found.
    std::string commandLine;
    // Why the request did not start or was refused, in the system's words.
    std::string reason;
};

class Processes {
public:
    virtual ~Processes() = default;
    // Starts the program. Windows returns once it runs; Linux waits a bounded time for
    // the command's verdict (see PosixProcesses).
    virtual StartOutcome start(const StartRequest& request) = 0;
};

} // namespace vesperon::platform
