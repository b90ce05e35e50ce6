#pragma once

#include "platform/fake/fake_disk.h"
#include "platform/files.h"

#include <cstddef>
#include <string>
#include <vector>

namespace vesperon::fake {

class FakeFiles final : public platform::Files {
public:
    explicit FakeFiles(FakeDisk& disk) : disk_(disk) {}
    bool fileNumberAvailable() override { return disk_.fileNumbersLeft; }
    void beginProbeRun() override { ++disk_.probeRuns; }
    void endProbeRun() override { ++disk_.endedProbeRuns; }
    platform::Presence presenceOf(const std::string& path) override;
    platform::ProbeResult probe(const std::string& path) override;
    platform::OpenedFile openForReading(const std::string& path) override;
    std::size_t uninspectedProcesses() override { return disk_.uninspectedProcesses; }
    platform::LockAttempt lockFile(const std::string& path) override;
    platform::FileRead readWhole(const std::string& path) override;
    bool writeText(const std::string& path, const std::string& bytes, bool overwrite) override;
    bool absent(const std::string& path) override;
    bool normalFilePresent(const std::string& path) override { return disk_.hasFile(path); }
    bool deleteFile(const std::string& path) override;
    bool replaceFile(const std::string& path, const std::string& bytes) override;
    std::string lastWriteFailure() override { return "Access is denied."; }
    void closeAll() override { ++closeAllCalls; }
    int closeAllCalls = 0;

    void describeHolders(bool on) override { describing = on; }
    std::vector<platform::FileHolder> holdersOf(const std::string& path) override {
        const auto it = disk_.holders.find(FakeDisk::key(path));
        return describing && it != disk_.holders.end() ? it->second
                                                       : std::vector<platform::FileHolder>{};
    }
    bool describing = false;

private:
    FakeDisk& disk_;
};

} // namespace vesperon::fake
