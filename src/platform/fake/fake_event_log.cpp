#include "platform/fake/fake_event_log.h"

#include <new>

namespace vesperon::fake {

platform::EventSourceHandle FakeEventLog::registerEventSource(const std::string& /*server*/,
                                                              const std::string& source) {
    ++registrations;
    if (registerFails) {
        return 0;
    }
    const platform::EventSourceHandle handle = 100 + sources_.size();
    sources_[handle] = source;
    return handle;
}

bool FakeEventLog::reportEvent(platform::EventSourceHandle handle, std::uint16_t type,
                               std::uint16_t category, std::uint32_t eventId,
                               const std::vector<std::string>& strings,
                               const std::vector<std::uint8_t>& rawData) {
    if (reportFails || !sources_.contains(handle)) {
        return false;
    }
    events.push_back({sources_[handle], type, category, eventId, strings, rawData});
    return true;
}

void FakeEventLog::deregisterEventSource(platform::EventSourceHandle handle) {
    ++deregistrations;
    sources_.erase(handle);
}

} // namespace vesperon::fake
