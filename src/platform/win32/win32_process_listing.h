#pragma once

#include "platform/process_listing.h"

#include <string>

namespace vesperon::platform::win32 {

class Win32ProcessListing final : public ProcessListing {
public:
    std::int32_t platformId() override;
    ProcessHandle createProcessSnapshot() override;
    bool process32First(ProcessHandle snapshot, std::string& exeFile) override;
    bool process32Next(ProcessHandle snapshot, std::string& exeFile) override;
    void enumProcesses(std::vector<std::uint32_t>& ids, std::uint32_t cb,
                       std::uint32_t& bytesReturned) override;
    ProcessHandle openProcess(std::uint32_t access, bool inherit, std::uint32_t id) override;
    bool enumProcessModules(ProcessHandle process, std::uintptr_t& firstModule, std::uint32_t cb,
                            std::uint32_t& needed) override;
    std::uint32_t moduleFileName(ProcessHandle process, std::uintptr_t module, std::string& buffer,
                                 std::uint32_t size) override;
    void closeHandle(ProcessHandle handle) override;
};

} // namespace vesperon::platform::win32
