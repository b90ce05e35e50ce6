#pragma once

#include "platform/files.h"
#include "platform/posix/core/folder_cache.h"
#include "platform/posix/proc/holder_names.h"
#include "platform/posix/proc/open_file_scan.h"
#include "platform/posix/proc/overlay_layers.h"

#include <chrono>
#include <string>
#include <sys/types.h>
#include <utility>

namespace vesperon::platform::posix {

// Files on Linux. A file counts as in use when it cannot be opened for reading or when any
// other process holds it open or mapped; one pass over /proc per check run serves all probes.
class PosixFiles final : public vesperon::platform::Files {
public:
    // lockWait: how long lockFile() waits for another process to let go of the lock.
    explicit PosixFiles(const std::string& procRoot = "/proc",
                        std::chrono::milliseconds lockWait = std::chrono::seconds(30));
    bool fileNumberAvailable() override;
    void beginProbeRun() override;
    void endProbeRun() override;
    Presence presenceOf(const std::string& path) override;
    ProbeResult probe(const std::string& path) override;
    OpenedFile openForReading(const std::string& path) override;
    std::size_t uninspectedProcesses() override { return scan_.uninspectedProcesses(); }
    void describeHolders(bool on) override { scan_.noteHolders(on); }
    std::vector<FileHolder> holdersOf(const std::string& path) override;
    std::vector<std::string> seenAs(const std::string& path) override;
    LockAttempt lockFile(const std::string& path) override;
    FileRead readWhole(const std::string& path) override;
    bool writeText(const std::string& path, const std::string& bytes, bool overwrite) override;
    bool createFile(const std::string& path, const std::string& bytes) override;
    void removeStaleTemporaries(const std::string& folder,
                                const std::vector<std::string>& names) override;
    std::optional<std::string> changeableByOthers(const std::string& folder) override;
    bool absent(const std::string& path) override;
    bool normalFilePresent(const std::string& path) override;
    bool deleteFile(const std::string& path) override;
    bool replaceFile(const std::string& path, const std::string& bytes) override;
    std::string lastWriteFailure() override { return lastWriteFailure_; }
    void closeAll() override;

private:
    static bool descriptorAvailable();
    // Notes the reason for the failure at hand; false, for the caller to return.
    bool writeFailed(int error);

    HolderNames holderNames_;
    FolderCache folder_;
    // The last file presenceOf() found, and its device and inode.
    std::string lastFile_;
    std::pair<dev_t, ino_t> lastFileId_{};
    OpenFileScan scan_;
    OverlayLayers overlays_;
    // The last path presenceOf() found inside an overlay's layer, and where programs see it.
    std::string lastLayered_;
    std::vector<std::string> lastSeenAs_;
    std::chrono::milliseconds lockWait_;
    bool fileNumberKnown_ = false;
    bool fileNumberAvailable_ = true;
    bool scanStale_ = true;
    bool scanValid_ = false;
    std::string lastWriteFailure_;
};

} // namespace vesperon::platform::posix
