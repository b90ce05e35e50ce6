#pragma once

#include "platform/event_log.h"

#include <chrono>
#include <map>
#include <string>

namespace vesperon::platform::posix {

// The Application event log's stand-in: syslog, facility user, with the source as identity,
// written to the log socket without ever blocking: all entries of a process together wait at
// most bound for a daemon that does not read, and one that cannot be delivered is said on
// standard error.
class PosixEventLog final : public EventLog {
public:
    explicit PosixEventLog(std::string socketPath = "/dev/log",
                           std::chrono::milliseconds bound = std::chrono::seconds(2));
    EventSourceHandle registerEventSource(const std::string& server,
                                          const std::string& source) override;
    bool reportEvent(EventSourceHandle handle, std::uint16_t type, std::uint16_t category,
                     std::uint32_t eventId, const std::vector<std::string>& strings,
                     const std::vector<std::uint8_t>& rawData) override;
    void deregisterEventSource(EventSourceHandle handle) override;

private:
    std::string socketPath_;
    std::chrono::milliseconds bound_;
    std::chrono::milliseconds budget_; // what is left of bound
    std::map<EventSourceHandle, std::string> sources_;
    EventSourceHandle next_ = 1;
};

} // namespace vesperon::platform::posix
