#include "platform/fake/fake_process_listing.h"

#include <algorithm>
#include <new>

namespace vesperon::fake {

platform::ProcessHandle FakeProcessListing::createProcessSnapshot() {
    snapshotAt_ = 0;
    return 7;
}

bool FakeProcessListing::process32First(platform::ProcessHandle snapshot, std::string& exeFile) {
    snapshotAt_ = 0;
    return process32Next(snapshot, exeFile);
}

bool FakeProcessListing::process32Next(platform::ProcessHandle, std::string& exeFile) {
    if (snapshotAt_ >= processes.size()) {
        return false;
    }
    // The record's 260-character field: the name, then zeros.
    exeFile = processes[snapshotAt_++].path;
    exeFile.resize(260, '\0');
    return true;
}

void FakeProcessListing::enumProcesses(std::vector<std::uint32_t>& ids, std::uint32_t cb,
                                       std::uint32_t& bytesReturned) {
    const std::size_t n = std::min<std::size_t>(processes.size(), cb / 4);
    for (std::size_t i = 0; i < n && i < ids.size(); ++i) {
        ids[i] = processes[i].id;
    }
    bytesReturned = static_cast<std::uint32_t>(n * 4);
}

platform::ProcessHandle FakeProcessListing::openProcess(std::uint32_t, bool,
                                                        std::uint32_t processId) {
    for (const auto& p : processes) {
        if (p.id == processId && p.opens) {
            return 1000 + processId;
        }
    }
    return 0;
}

const FakeProcess* FakeProcessListing::opened(platform::ProcessHandle process) const {
    for (const auto& p : processes) {
        if (1000 + p.id == process) {
            return &p;
        }
    }
    return nullptr;
}

bool FakeProcessListing::enumProcessModules(platform::ProcessHandle process,
                                            std::uintptr_t& firstModule, std::uint32_t,
                                            std::uint32_t&) {
    const FakeProcess* p = opened(process);
    firstModule = process;
    return p != nullptr && p->modulesListed;
}

std::uint32_t FakeProcessListing::moduleFileName(platform::ProcessHandle process, std::uintptr_t,
                                                 std::string& buffer, std::uint32_t size) {
    const FakeProcess* p = opened(process);
    if (p == nullptr) {
        return 0;
    }
    const std::size_t n = std::min<std::size_t>(p->path.size(), size);
    buffer.replace(0, n, p->path.substr(0, n));
    return static_cast<std::uint32_t>(n);
}

} // namespace vesperon::fake
