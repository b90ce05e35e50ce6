#pragma once

#include "platform/event_log.h"

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace vesperon::fake {

struct ReportedEvent {
    std::string source;
    std::uint16_t type = 0;
    std::uint16_t category = 0;
    std::uint32_t eventId = 0;
    std::vector<std::string> strings;
    std::vector<std::uint8_t> rawData;
};

class FakeEventLog final : public platform::EventLog {
public:
    platform::EventSourceHandle registerEventSource(const std::string& server,
                                                    const std::string& source) override;
    bool reportEvent(platform::EventSourceHandle handle, std::uint16_t type, std::uint16_t category,
                     std::uint32_t eventId, const std::vector<std::string>& strings,
                     const std::vector<std::uint8_t>& rawData) override;
    void deregisterEventSource(platform::EventSourceHandle handle) override;

    bool registerFails = false;
    bool reportFails = false;
    std::vector<ReportedEvent> events;
    int registrations = 0;
    int deregistrations = 0;

private:
    std::map<platform::EventSourceHandle, std::string> sources_;
};

} // namespace vesperon::fake
