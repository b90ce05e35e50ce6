#pragma once

#include "platform/process_listing.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace vesperon::fake {

// Processes as the Windows calls would report them.
struct FakeProcess {
    std::uint32_t id = 0;
    std::string path;          // the main module's file name
    bool opens = true;         // OpenProcess succeeds
    bool modulesListed = true; // EnumProcessModules succeeds
};

class FakeProcessListing final : public platform::ProcessListing {
public:
    std::int32_t platformId() override { return id; }
    platform::ProcessHandle createProcessSnapshot() override;
    bool process32First(platform::ProcessHandle snapshot, std::string& exeFile) override;
    bool process32Next(platform::ProcessHandle snapshot, std::string& exeFile) override;
    void enumProcesses(std::vector<std::uint32_t>& ids, std::uint32_t cb,
                       std::uint32_t& bytesReturned) override;
    platform::ProcessHandle openProcess(std::uint32_t access, bool inherit,
                                        std::uint32_t processId) override;
    bool enumProcessModules(platform::ProcessHandle process, std::uintptr_t& firstModule,
                            std::uint32_t cb, std::uint32_t& needed) override;
    std::uint32_t moduleFileName(platform::ProcessHandle process, std::uintptr_t module,
                                 std::string& buffer, std::uint32_t size) override;
    void closeHandle(platform::ProcessHandle handle) override { closed.push_back(handle); }

    std::int32_t id = 2;
    std::vector<FakeProcess> processes;
    std::vector<platform::ProcessHandle> closed;

private:
    // The process a handle from openProcess stands for.
    const FakeProcess* opened(platform::ProcessHandle process) const;
    std::size_t snapshotAt_ = 0;
};

} // namespace vesperon::fake
