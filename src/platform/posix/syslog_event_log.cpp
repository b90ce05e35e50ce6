#include "platform/posix/syslog_event_log.h"

#include <syslog.h>

namespace vesperon::platform::posix {

namespace {

int priorityFor(std::uint16_t type) {
    switch (type) {
    case 1:
        return LOG_ERR;
    case 2:
        return LOG_WARNING;
    case 4:
        return LOG_INFO;
    default:
        return LOG_NOTICE;
    }
}

} // namespace

EventSourceHandle SyslogEventLog::registerEventSource(const std::string& server,
                                                      const std::string& source) {
    // Only the local log exists here.
    if (!server.empty() || source.empty()) {
        return 0;
    }
    sources_[next_] = source;
    return next_++;
}

bool SyslogEventLog::reportEvent(EventSourceHandle handle, std::uint16_t type,
                                 std::uint16_t /*category*/, std::uint32_t /*eventId*/,
                                 const std::vector<std::string>& strings,
                                 const std::vector<std::uint8_t>& /*rawData*/) {
    auto source = sources_.find(handle);
    if (source == sources_.end()) {
        return false;
    }
    // The message table shows an entry as its first string, so that string is the entry.
    const std::string message = strings.empty() ? std::string() : strings.front();
    ::openlog(source->second.c_str(), LOG_PID, LOG_USER);
    ::syslog(LOG_USER | priorityFor(type), "%s", message.c_str());
    ::closelog();
    return true;
}

void SyslogEventLog::deregisterEventSource(EventSourceHandle handle) {
    sources_.erase(handle);
}

} // namespace vesperon::platform::posix
