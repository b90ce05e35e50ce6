#include "eventlog/event_writer.h"

#include "base/app_identity.h"
#include "config/app_folder.h"

#include <vector>

namespace vesperon {

bool WriteEvent(platform::Platform& p, const std::string& message, std::int32_t& eventType,
                std::int32_t& eventId, bool& messageFileIsDll) {
    if (eventId == 0) {
        eventId = defaultEventId;
    }
    const std::string source = applicationTitle;
    const std::string messageFile =
        AppFolder(p) + BaseName(p) +
        (messageFileIsDll ? p.edition.libraryExtension : p.edition.executableExtension);
    const std::string keyPath =
        "SYSTEM\\CurrentControlSet\\Services\\Eventlog\\Application\\" + source;
    const RegistryFacilities reg{p.registry, p.profile, p.files};

    WriteRegValue(reg, "HKLM", keyPath, "TypesSupported", "D", std::int32_t{7});
    // An unregistered source still logs: the warning matters more than how a viewer shows it.
    const bool registered =
        WriteRegValue(reg, "HKLM", keyPath, "EventMessageFile", "S", messageFile) == 0;
    const platform::EventSourceHandle handle = p.eventLog.registerEventSource("", source);
    if (handle == 0) {
        return false; // RegisterEventSource Failed
    }
    const bool reported = p.eventLog.reportEvent(handle, static_cast<std::uint16_t>(eventType), 0,
                                                 static_cast<std::uint32_t>(eventId), {message},
                                                 std::vector<std::uint8_t>{0x01});
    p.eventLog.deregisterEventSource(handle);
    return registered && reported; // false: Failed Registry Write, or ReportEvent Failed
}

void writeWarningEntry(platform::Platform& p, const std::string& message) {
    std::int32_t type = event_type::warning;
    std::int32_t id = 0;
    bool dll = false;
    WriteEvent(p, message, type, id, dll);
}

} // namespace vesperon
