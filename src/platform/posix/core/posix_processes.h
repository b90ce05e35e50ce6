#pragma once

#include "platform/processes.h"

#include <chrono>
#include <string>
#include <vector>

namespace vesperon::platform::posix {

class PosixProcesses final : public Processes {
public:
    // wait: how long to wait for the command's verdict. systemd's shutdown returns as soon
    // as logind has scheduled the request, in milliseconds even on a busy machine; ten
    // seconds leave ample room for that, and a command still running then (sysvinit's
    // shutdown counts down in the foreground) counts as started and is left running.
    // fallbackFolders: searched after PATH.
    explicit PosixProcesses(std::chrono::milliseconds wait = std::chrono::seconds(10),
                            std::vector<std::string> fallbackFolders = {"/usr/sbin", "/sbin"});

    // Runs argv directly (never through a shell) in a session of its own, so that nothing
    // that ends this program's session or process group takes it along, and waits as above.
    StartOutcome start(const StartRequest& request) override;

private:
    std::chrono::milliseconds wait_;
    std::vector<std::string> fallbackFolders_;
};

// The program's full path: a name with "/" as it is, otherwise the first executable
// of that name in PATH's absolute folders, then in fallbackFolders. Empty when there is none.
std::string findProgram(const std::string& name, const std::vector<std::string>& fallbackFolders);

} // namespace vesperon::platform::posix
