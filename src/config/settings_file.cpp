#include "config/settings_file.h"

namespace vesperon {

namespace {
constexpr std::size_t valueBufferSize = 255;
}

const char* settings::defaultValue(const std::string& key) {
    return key == writeToNTEventLog ? on : off;
}

std::string ReadIniValue(platform::Profile& profile, const std::string& file,
                         const std::string& section, const std::string& key) {
    return profile.getString(section, key, "", valueBufferSize, file);
}

platform::ProfileWrite WriteIniValue(platform::Profile& profile, const std::string& file,
                                     const std::string& section, const std::string& key,
                                     const std::string& value) {
    return profile.writeString(section, key, value, file);
}

bool settingIsOn(platform::Profile& profile, const std::string& file, const std::string& section,
                 const std::string& key) {
    const std::string value = profile.whyUnreadable(file)
                                  ? settings::defaultValue(key)
                                  : ReadIniValue(profile, file, section, key);
    return value == settings::on;
}

} // namespace vesperon
