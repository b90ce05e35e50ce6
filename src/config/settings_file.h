#pragma once

#include "platform/profile.h"

#include <string>

namespace vesperon {

namespace settings {
inline constexpr const char* generalSection = "General";
inline constexpr const char* forceAppsToClose = "ForceAppsToClose";
inline constexpr const char* eventLogSection = "EventLog";
inline constexpr const char* writeToNTEventLog = "WriteToNTEventLog";
inline constexpr const char* on = "1";
inline constexpr const char* off = "0";
} // namespace settings

// One value of the settings file; a missing file, section or key reads as "".
std::string ReadIniValue(platform::Profile& profile, const std::string& file,
                         const std::string& section, const std::string& key);
// Sets one value; a failed write is silent and leaves the file as it was.
void WriteIniValue(platform::Profile& profile, const std::string& file, const std::string& section,
                   const std::string& key, const std::string& value);
// A switch is on only when its value is exactly "1".
bool settingIsOn(platform::Profile& profile, const std::string& file, const std::string& section,
                 const std::string& key);

} // namespace vesperon
