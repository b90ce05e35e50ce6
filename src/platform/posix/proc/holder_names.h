#pragma once

#include "platform/files.h"
#include "platform/posix/proc/open_file_scan.h"

#include <map>
#include <string>
#include <utility>
#include <vector>

namespace vesperon::platform::posix {

// Names the holders of files as a person reads them: one entry per process, with its owner's
// name and its command name looked up in procRoot (once per process: a file in use is often
// one of many that the same process holds), and every way it holds the file.
class HolderNames {
public:
    explicit HolderNames(std::string procRoot) : procRoot_(std::move(procRoot)) {}
    std::vector<FileHolder> name(const std::vector<OpenFileScan::Holding>& holdings);
    // Forgets what it learnt: a new view of the processes starts.
    void clear() { known_.clear(); }

private:
    struct Process {
        std::string user;
        std::string command;
    };
    const Process& process(pid_t pid);

    std::string procRoot_;
    std::map<pid_t, Process> known_;
};

} // namespace vesperon::platform::posix
