#include "app/form1.h"
#include "base/app_identity.h"
#include "base/resume_next.h"
#include "base/text.h"
#include "config/app_folder.h"
#include "config/check_list_file.h"
#include "config/settings_file.h"

namespace vesperon {

// Both files are created only when the system says plainly that nothing is there:
// a file that merely cannot be seen must never get a second header or default values.

void Form1::EnsureConfig() {
    resumeNext([&] {
        const std::string path = checkListPath(p_);
        if (fso().File_Exist(path) || !p_.files.pathAbsent(path)) {
            return;
        }
        p_.files.createFile(path, checkListHeader() + text::crlf);
    });
}

void Form1::EnsureSettings() {
    resumeNext([&] {
        const std::string path = settingsFilePath(p_);
        if (fso().File_Exist(path) || !p_.files.pathAbsent(path)) {
            return;
        }
        p_.profile.createWith(path, {{settings::eventLogSection, settings::writeToNTEventLog,
                                      settings::defaultValue(settings::writeToNTEventLog)},
                                     {settings::generalSection, settings::forceAppsToClose,
                                      settings::defaultValue(settings::forceAppsToClose)}});
    });
}

} // namespace vesperon
