#pragma once

#include "platform/files.h"

#include <string>

namespace vesperon::platform::win32 {

class Win32Files final : public Files {
public:
    // lockWaitMilliseconds: how long lockFile() waits for another process to let go of the lock.
    explicit Win32Files(unsigned long lockWaitMilliseconds = 30000)
        : lockWaitMilliseconds_(lockWaitMilliseconds) {}
    bool fileNumberAvailable() override { return true; }
    void beginProbeRun() override {}
    void endProbeRun() override {}
    Presence presenceOf(const std::string& path) override;
    ProbeResult probe(const std::string& path) override;
    OpenedFile openForReading(const std::string& path) override;
    // An exclusive open sees every other process's handles by itself.
    std::size_t uninspectedProcesses() override { return 0; }
    LockAttempt lockFile(const std::string& path) override;
    FileRead readWhole(const std::string& path) override;
    bool writeText(const std::string& path, const std::string& bytes, bool overwrite) override;
    bool absent(const std::string& path) override;
    bool normalFilePresent(const std::string& path) override;
    bool deleteFile(const std::string& path) override;
    bool replaceFile(const std::string& path, const std::string& bytes) override;
    std::string lastWriteFailure() override { return lastWriteFailure_; }
    void closeAll() override {}

private:
    // Notes the system's reason for the failure at hand; false, for the caller to return.
    bool writeFailed();

    unsigned long lockWaitMilliseconds_;
    std::string lastWriteFailure_;
};

} // namespace vesperon::platform::win32
