#include "config/settings_file.h"

#include "base/resume_next.h"
#include "config/app_folder.h"
#include "fso/cls_fso.h"

#include <vector>

namespace vesperon {

namespace {

constexpr std::size_t valueBufferSize = 255;
constexpr const char* on = "1";
constexpr const char* off = "0";

// New settings files hold these, in this order.
constexpr SettingsSwitch newFileSwitches[] = {settings::writeToNTEventLog,
                                              settings::forceAppsToClose};

} // namespace

Settings readSettings(platform::Profile& profile, const std::string& file) {
    Settings read;
    read.unreadable = profile.whyUnreadable(file);
    if (read.unreadable) {
        return read;
    }
    auto value = [&](const char* section, const char* key) {
        return ReadIniValue(profile, file, section, key);
    };
    for (const SettingsSwitch& which : newFileSwitches) {
        read.*which.value = value(which.section, which.key) == on;
    }
    read.honourInhibitors = value("General", "HonourInhibitors") != off;
    read.textfileDirectory = value("Metrics", "TextfileDirectory");
    return read;
}

platform::ProfileWrite writeSwitch(platform::Profile& profile, const std::string& file,
                                   const SettingsSwitch& which, bool value) {
    return WriteIniValue(profile, file, which.section, which.key, value ? on : off);
}

void ensureSettingsFile(platform::Platform& p, clsFSO& fso) {
    resumeNext([&] {
        const std::string path = settingsFilePath(p);
        if (fso.File_Exist(path) || !p.files.absent(path)) {
            return;
        }
        std::vector<platform::Profile::Value> values;
        for (const SettingsSwitch& which : newFileSwitches) {
            values.push_back({which.section, which.key, Settings{}.*which.value ? on : off});
        }
        p.profile.createWith(path, values);
    });
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

} // namespace vesperon
