#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vesperon::platform {

using ProcessHandle = std::uintptr_t;

// The operations the process list window lists processes with, one for each Windows call
// it makes, so that both listings run as written on any backend.
class ProcessListing {
public:
    virtual ~ProcessListing() = default;
    // The version record's platform id: 1 for the Windows 95 family, 2 for the NT family.
    virtual std::int32_t platformId() = 0;

    // Snapshot listing. 0 when no snapshot could be taken.
    virtual ProcessHandle createProcessSnapshot() = 0;
    // The next entry's executable-file field (260 characters, as the record holds it).
    virtual bool process32First(ProcessHandle snapshot, std::string& exeFile) = 0;
    virtual bool process32Next(ProcessHandle snapshot, std::string& exeFile) = 0;

    // Id listing: fills ids (holding cb / 4 entries) and sets the bytes it wrote.
    virtual void enumProcesses(std::vector<std::uint32_t>& ids, std::uint32_t cb,
                               std::uint32_t& bytesReturned) = 0;
    virtual ProcessHandle openProcess(std::uint32_t access, bool inherit, std::uint32_t id) = 0;
    // The first module handle of the process; false when its modules cannot be listed.
    virtual bool enumProcessModules(ProcessHandle process, std::uintptr_t& firstModule,
                                    std::uint32_t cb, std::uint32_t& needed) = 0;
    // Puts the module's file name (at most size characters) into buffer; returns its length
    // in bytes, 0 on failure.
    virtual std::uint32_t moduleFileName(ProcessHandle process, std::uintptr_t module,
                                         std::string& buffer, std::uint32_t size) = 0;
    virtual void closeHandle(ProcessHandle handle) = 0;
};

} // namespace vesperon::platform
