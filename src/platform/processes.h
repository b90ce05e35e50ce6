#pragma once

#include <string>
#include <vector>

namespace vesperon::platform {

struct StartRequest {
    std::string commandLine;       // the whole command line, as Windows takes it
    std::vector<std::string> argv; // the same request as an argument vector, for POSIX
    int windowStyle = 1;
};

class Processes {
public:
    virtual ~Processes() = default;
    // Starts the program and returns at once; never waits for it to end.
    virtual bool startWithoutWaiting(const StartRequest& request) = 0;
};

} // namespace vesperon::platform
