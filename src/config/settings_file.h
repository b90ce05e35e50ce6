#pragma once

#include "platform/platform.h"
#include "platform/profile.h"

#include <optional>
#include <string>

namespace vesperon {

class clsFSO;

// Everything the settings file holds, read at once. A switch is on only when its value is
// exactly "1"; HonourInhibitors is off only when it is exactly "0". A file that is there but
// cannot be read gives the defaults, never all off: a withheld run must still log.
struct Settings {
    bool writeToNTEventLog = true; // [EventLog]: a withheld run writes a warning
    bool forceAppsToClose = false; // [General]: the request closes running programs
    // [General] HonourInhibitors, Linux: "0" lets runs pass over shutdown inhibitor locks.
    bool honourInhibitors = true;
    // [Metrics] TextfileDirectory, Linux: the node exporter's folder, where every run replaces
    // <base name>.prom; empty: no metrics.
    std::string textfileDirectory;
    // Why a settings file that is there could not be read; the defaults hold then.
    std::optional<std::string> unreadable;
};

// A switch that the configuration window shows and writes; new settings files hold both, at
// their defaults.
struct SettingsSwitch {
    const char* section;
    const char* key;
    bool Settings::*value;
};

namespace settings {
inline constexpr SettingsSwitch writeToNTEventLog{"EventLog", "WriteToNTEventLog",
                                                  &Settings::writeToNTEventLog};
inline constexpr SettingsSwitch forceAppsToClose{"General", "ForceAppsToClose",
                                                 &Settings::forceAppsToClose};
} // namespace settings

// The one reader of the settings file.
Settings readSettings(platform::Profile& profile, const std::string& file);
// The one writer: sets the switch to "1" or "0". A failed write leaves the file as it was and
// says why.
platform::ProfileWrite writeSwitch(platform::Profile& profile, const std::string& file,
                                   const SettingsSwitch& which, bool value);
// Creates the settings file with both switches at their defaults, logging first, when nothing
// is there; a file that merely cannot be seen never gets the defaults over what it holds.
void ensureSettingsFile(platform::Platform& p, clsFSO& fso);

// One value of the settings file; a missing file, section or key reads as "".
std::string ReadIniValue(platform::Profile& profile, const std::string& file,
                         const std::string& section, const std::string& key);
// Sets one value; a failed write leaves the file as it was and says why.
platform::ProfileWrite WriteIniValue(platform::Profile& profile, const std::string& file,
                                     const std::string& section, const std::string& key,
                                     const std::string& value);

} // namespace vesperon
