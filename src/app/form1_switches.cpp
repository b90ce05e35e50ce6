// The two check boxes of the configuration window: each click writes its setting at once.
#include "app/form1.h"
#include "base/app_identity.h"
#include "base/resume_next.h"
#include "config/app_folder.h"
#include "config/settings_file.h"

namespace vesperon {

void Form1::writeSwitch(const char* checkBox, const char* section, const char* key) {
    // Every click writes at once: a run started meanwhile already sees the new value.
    const char* value = Value(checkBox) == 1 ? settings::on : settings::off;
    const std::string path = settingsFilePath(p_);
    platform::ProfileWrite write{false, "unknown error"};
    resumeNext([&] { write = WriteIniValue(p_.profile, path, section, key, value); });
    if (write.written) {
        return;
    }
    // A box that shows what the file does not hold would mislead every later glance.
    resumeNext([&] {
        p_.windowing.messageBox("Could not save the setting in " + path + ": " + write.reason,
                                platform::msgbox::okOnly, applicationTitle);
    });
    resumeNext([&] { Value(checkBox, settingIsOn(p_.profile, path, section, key) ? 1 : 0); });
}

void Form1::ForceCheck_Click() {
    writeSwitch("ForceCheck", settings::generalSection, settings::forceAppsToClose);
}

void Form1::WriteEventCheck_Click() {
    writeSwitch("WriteEventCheck", settings::eventLogSection, settings::writeToNTEventLog);
}

} // namespace vesperon
