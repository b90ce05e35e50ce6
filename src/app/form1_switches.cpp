// The two check boxes of the configuration window: each click writes its setting at once.
#include "app/form1.h"
#include "base/app_identity.h"
#include "base/resume_next.h"
#include "config/app_folder.h"
#include "config/settings_file.h"

namespace vesperon {

void Form1::saveSwitch(const char* checkBox, const SettingsSwitch& which) {
    // Every click writes at once: a run started meanwhile already sees the new value.
    const bool on = Value(checkBox) == 1;
    const std::string path = settingsFilePath(p_);
    platform::ProfileWrite write{false, "unknown error"};
    resumeNext([&] { write = writeSwitch(p_.profile, path, which, on); });
    if (write.written) {
        return;
    }
    // A box that shows what the file does not hold would mislead every later glance.
    resumeNext([&] {
        p_.windowing.messageBox("Could not save the setting in " + path + ": " + write.reason,
                                platform::msgbox::okOnly, applicationTitle);
    });
    resumeNext([&] { Value(checkBox, readSettings(p_.profile, path).*which.value ? 1 : 0); });
}

void Form1::ForceCheck_Click() {
    saveSwitch("ForceCheck", settings::forceAppsToClose);
}

void Form1::WriteEventCheck_Click() {
    saveSwitch("WriteEventCheck", settings::writeToNTEventLog);
}

} // namespace vesperon
