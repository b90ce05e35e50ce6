#include "config/settings_file.h"

namespace vesperon {

namespace {
constexpr std::size_t valueBufferSize = 255;
}

std::string ReadIniValue(platform::Profile& profile, const std::string& file,
                         const std::string& section, const std::string& key) {
    return profile.getString(section, key, "", valueBufferSize, file);
}

void WriteIniValue(platform::Profile& profile, const std::string& file, const std::string& section,
                   const std::string& key, const std::string& value) {
    profile.writeString(section, key, value, file);
}

bool settingIsOn(platform::Profile& profile, const std::string& file, const std::string& section,
                 const std::string& key) {
    return ReadIniValue(profile, file, section, key) == settings::on;
}

} // namespace vesperon
