#pragma once

#include "platform/event_log.h"

#include <map>
#include <string>

namespace vesperon::platform::posix {

// The Application event log's stand-in: syslog, facility user, with the source as identity.
class SyslogEventLog final : public EventLog {
public:
    EventSourceHandle registerEventSource(const std::string& server,
                                          const std::string& source) override;
    bool reportEvent(EventSourceHandle handle, std::uint16_t type, std::uint16_t category,
                     std::uint32_t eventId, const std::vector<std::string>& strings,
                     const std::vector<std::uint8_t>& rawData) override;
    void deregisterEventSource(EventSourceHandle handle) override;

private:
    std::map<EventSourceHandle, std::string> sources_;
    EventSourceHandle next_ = 1;
};

} // namespace vesperon::platform::posix
