#pragma once

#include "platform/profile.h"

#include <string>

namespace vesperon {

namespace settings {
inline constexpr const char* generalSection = "General";
inline constexpr const char* forceAppsToClose = "ForceAppsToClose";
inline constexpr const char* eventLogSection = "EventLog";
inline constexpr const char* writeToNTEventLog = "WriteToNTEventLog";
// Linux: "0" lets runs pass over the system's shutdown inhibitor locks; missing means honour
// them. New settings files do not hold it.
inline constexpr const char* honourInhibitors = "HonourInhibitors";
// Linux: the folder of the node exporter's textfile collector, where every run replaces
// <base name>.prom; missing or empty means no metrics. New settings files do not hold it.
inline constexpr const char* metricsSection = "Metrics";
inline constexpr const char* textfileDirectory = "TextfileDirectory";
inline constexpr const char* on = "1";
inline constexpr const char* off = "0";
// What a new settings file holds: logging on, forcing off.
const char* defaultValue(const std::string& key);
} // namespace settings

// One value of the settings file; a missing file, section or key reads as "".
std::string ReadIniValue(platform::Profile& profile, const std::string& file,
                         const std::string& section, const std::string& key);
// Sets one value; a failed write leaves the file as it was and says why.
platform::ProfileWrite WriteIniValue(platform::Profile& profile, const std::string& file,
                                     const std::string& section, const std::string& key,
                                     const std::string& value);
// A switch is on only when its value is exactly "1". A settings file that is there but
// cannot be read counts as the defaults, never as all off: a blocked run must still log.
bool settingIsOn(platform::Profile& profile, const std::string& file, const std::string& section,
                 const std::string& key);

} // namespace vesperon
