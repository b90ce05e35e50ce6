#pragma once

#include "platform/event_log.h"

#include <string>

namespace vesperon::platform::win32 {

class Win32EventLog final : public EventLog {
public:
    EventSourceHandle registerEventSource(const std::string& server,
                                          const std::string& source) override;
    bool reportEvent(EventSourceHandle handle, std::uint16_t type, std::uint16_t category,
                     std::uint32_t eventId, const std::vector<std::string>& strings,
                     const std::vector<std::uint8_t>& rawData) override;
    void deregisterEventSource(EventSourceHandle handle) override;
};

} // namespace vesperon::platform::win32
