#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vesperon::platform {

using EventSourceHandle = std::uintptr_t;

class EventLog {
public:
    virtual ~EventLog() = default;
    // 0 on failure.
    virtual EventSourceHandle registerEventSource(const std::string& server,
                                                  const std::string& source) = 0;
    virtual bool reportEvent(EventSourceHandle handle, std::uint16_t type, std::uint16_t category,
                             std::uint32_t eventId, const std::vector<std::string>& strings,
                             const std::vector<std::uint8_t>& rawData) = 0;
    virtual void deregisterEventSource(EventSourceHandle handle) = 0;
};

} // namespace vesperon::platform
