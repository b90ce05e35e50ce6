#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vesperon::platform {

// A lock that a program took to keep the system from shutting down or sleeping now.
struct InhibitorLock {
    std::string what; // colon-separated: "shutdown", "sleep", "idle", ...
    std::string who;
    std::string why;
    std::string mode; // "block" or "delay"
    std::uint32_t uid = 0;
    std::uint32_t pid = 0;
    std::string user; // the name of uid, or the number when it has none
};

struct InhibitorList {
    enum class Status {
        Answered,    // the locks are known
        NoService,   // nothing to ask: no system bus, or no login manager on it
        Undetermined // asked, but no answer came within the bound, or an error did
    };
    Status status = Status::NoService;
    std::vector<InhibitorLock> locks;
    std::string problem; // what kept them from being asked or told, in a few words
};

// The system's shutdown inhibitor locks (systemd-logind's on Linux).
class ShutdownInhibitors {
public:
    virtual ~ShutdownInhibitors() = default;
    // Never waits longer than its bound.
    virtual InhibitorList list() = 0;
};

// Where nothing can keep a shutdown from happening (the Windows edition).
class NoShutdownInhibitors final : public ShutdownInhibitors {
public:
    InhibitorList list() override { return {InhibitorList::Status::NoService, {}, "none here"}; }
};

} // namespace vesperon::platform
