#pragma once

#include "platform/shutdown_inhibitors.h"

namespace vesperon::platform::posix {

// Asks systemd-logind on the system bus (org.freedesktop.login1.Manager.ListInhibitors),
// talking D-Bus on the bus socket itself: one call without arguments does not warrant mapping
// libsystemd and the six libraries it brings into every scheduled run. The bus is the one
// DBUS_SYSTEM_BUS_ADDRESS names, else the standard socket. Every wait counts against one
// bound, so a bus that takes the connection and never answers cannot hold a run.
class PosixShutdownInhibitors final : public ShutdownInhibitors {
public:
    explicit PosixShutdownInhibitors(int boundMilliseconds = 2000)
        : boundMilliseconds_(boundMilliseconds) {}
    InhibitorList list() override;

private:
    int boundMilliseconds_;
};

} // namespace vesperon::platform::posix
