#pragma once

#include "eventlog/registry_routines.h"
#include "platform/platform.h"

#include <cstdint>
#include <string>

namespace vesperon {

inline constexpr std::int32_t defaultEventId = 10177;

namespace event_type {
inline constexpr std::int32_t error = 1;
inline constexpr std::int32_t warning = 2;
inline constexpr std::int32_t information = 4;
} // namespace event_type

// Registers the program as an Application-log event source and writes one entry whose
// only text is message, registered or not; true when both succeeded. An eventId of 0
// becomes (and is written back as) 10177.
bool WriteEvent(platform::Platform& p, const std::string& message, std::int32_t& eventType,
                std::int32_t& eventId, bool& messageFileIsDll);
// WriteEvent as every warning of a run calls it: a warning, the default id, the executable as
// its message file; whether it was written is not looked at.
void writeWarningEntry(platform::Platform& p, const std::string& message);

} // namespace vesperon
