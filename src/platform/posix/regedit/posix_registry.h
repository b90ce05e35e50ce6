#pragma once

#include "platform/registry.h"

#include <chrono>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace vesperon::platform::posix {

// The state folder: $VESPERON_STATE_DIR when set and not empty; else /var/lib/vesperon
// for root; else $XDG_STATE_HOME/vesperon or ~/.local/state/vesperon.
std::string defaultRegistryFolder();

// The registry kept as REGEDIT4 text, one file per hive:
// <stateFolder>/registry/HKEY_LOCAL_MACHINE.reg and so on. Each call reads the hive
// file and, when something changed, replaces it in one step. A hive file that is no
// regular file, a link, or larger than 1 MiB is refused, not read.
class PosixRegistry final : public vesperon::platform::Registry {
public:
    // lockWait: how long, all calls together, to wait for another process to let go of the
    // registry folder before a call fails with ERROR_SHARING_VIOLATION. Another run holds
    // it for milliseconds; three seconds cover a slow disk's flush with room to spare.
    explicit PosixRegistry(std::string stateFolder,
                           std::chrono::milliseconds lockWait = std::chrono::seconds(3));

    long createKey(std::uint32_t root, const std::string& path, RegistryHandle& handle) override;
    long setValue(RegistryHandle handle, const std::string& name, std::uint32_t type,
                  const std::vector<std::uint8_t>& data) override;
    long closeKey(RegistryHandle handle) override;

private:
    struct OpenKey {
        std::uint32_t root = 0;
        std::string path;
    };

    std::string stateFolder_;
    std::chrono::steady_clock::duration lockWaitLeft_;
    std::map<RegistryHandle, OpenKey> open_;
    RegistryHandle nextHandle_ = 1;
};

} // namespace vesperon::platform::posix
