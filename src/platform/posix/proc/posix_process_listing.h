#pragma once

#include "platform/process_listing.h"

#include <map>
#include <string>
#include <sys/types.h>

namespace vesperon::platform::posix {

// Lists processes from /proc with the id listing's steps: every process is "opened" by
// its id, and its "main module" is its executable, when that can be read.
class PosixProcessListing final : public ProcessListing {
public:
    explicit PosixProcessListing(std::string procRoot = "/proc") : procRoot_(std::move(procRoot)) {}
    std::int32_t platformId() override { return 2; } // one listing, the id listing, serves
    ProcessHandle createProcessSnapshot() override { return 0; }
    bool process32First(ProcessHandle, std::string&) override { return false; }
    bool process32Next(ProcessHandle, std::string&) override { return false; }
    void enumProcesses(std::vector<std::uint32_t>& ids, std::uint32_t cb,
                       std::uint32_t& bytesReturned) override;
    ProcessHandle openProcess(std::uint32_t access, bool inherit, std::uint32_t id) override;
    bool enumProcessModules(ProcessHandle process, std::uintptr_t& firstModule, std::uint32_t cb,
                            std::uint32_t& needed) override;
    std::uint32_t moduleFileName(ProcessHandle process, std::uintptr_t module, std::string& buffer,
                                 std::uint32_t size) override;
    void closeHandle(ProcessHandle handle) override { open_.erase(handle); }

private:
    std::string executableOf(ProcessHandle process) const;

    std::string procRoot_;
    std::map<ProcessHandle, pid_t> open_;
    ProcessHandle next_ = 1;
};

} // namespace vesperon::platform::posix
