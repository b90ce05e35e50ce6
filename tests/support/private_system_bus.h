#pragma once

#include "support/environment_guard.h"
#include "support/temp_dir.h"

#include <string>
#include <sys/types.h>
#include <utility>
#include <vector>

namespace vesperon::test {

// A D-Bus daemon of the test's own, with python3-dbusmock's login manager on it, standing in
// for the system bus: DBUS_SYSTEM_BUS_ADDRESS points at it while the object lives.
class PrivateSystemBus {
public:
    PrivateSystemBus();
    ~PrivateSystemBus();
    PrivateSystemBus(const PrivateSystemBus&) = delete;
    PrivateSystemBus& operator=(const PrivateSystemBus&) = delete;

    // Empty when the bus and the mock are up; otherwise why not (the test then skips).
    const std::string& missing() const { return missing_; }
    std::string address() const { return "unix:path=" + dir_.file("system.sock"); }

    // Another process takes an inhibitor lock and holds it until releaseLocks().
    bool takeLock(const std::string& what, const std::string& mode,
                  const std::string& who = "backup.sh", const std::string& why = "nightly backup");
    void releaseLocks();
    // From now on the login manager answers ListInhibitors with an error, or with that many
    // delay locks on shutdown whose reasons are as long as a sentence.
    bool refuseListing();
    bool listDelayLocks(int count);

private:
    // Quiet, with the given descriptor (or none) as input.
    pid_t start(const std::vector<std::string>& argv, int input = -1);

    EnvironmentGuard savedAddress_{"DBUS_SYSTEM_BUS_ADDRESS"};
    TempDir dir_;
    std::string missing_;
    std::vector<pid_t> daemons_;
    std::vector<std::pair<pid_t, int>> lockHolders_; // and the input that keeps each going
};

} // namespace vesperon::test
