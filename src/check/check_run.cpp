#include "app/app_folder.h"
#include "app/app_identity.h"
#include "app/form1.h"
#include "app/resume_next.h"
#include "check/in_use.h"
#include "config/check_list_file.h"
#include "config/settings_file.h"
#include "eventlog/event_writer.h"

namespace vesperon {

void Form1::CheckAllFiles(const bool& bShowList) {
    resumeNext([&] { EnsureConfig(); });
    resumeNext([&] { EnsureSettings(); });

    std::string abortReport;
    auto loggingOn = [&] {
        bool on = false;
        resumeNext([&] {
            on = settingIsOn(p_.profile, settingsFilePath(p_), settings::eventLogSection,
                             settings::writeToNTEventLog);
        });
        return on;
    };
    auto report = [&](const std::string& path) {
        bFileInUse = true;
        if (loggingOn()) {
            abortReport += abortReportBlock(sCheckMsg, path);
        }
        if (bShowList) {
            resumeNext([&] {
                form2_.Show();
                form2_.ListAddItem("List1", path);
            });
        }
    };

    const std::string listPath = checkListPath(p_);
    platform::FileRead list{platform::FileRead::Status::Unreadable, {}};
    resumeNext([&] { list = p_.files.readWhole(listPath); });
    if (list.status == platform::FileRead::Status::Unreadable) {
        // A list that is there but cannot be read must never let the machine go down.
        sCheckMsg = inUseMessage(in_use::undetermined);
        report(listPath);
    } else {
        resumeNext([&] { p_.files.beginProbeRun(); });
        for (std::string line : checkListEntries(list.bytes)) {
            bool inUse = true;
            try {
                inUse = CheckFile(line);
            } catch (...) {
                // A file that could not be checked must not let the machine go down.
                sCheckMsg = inUseMessage(in_use::undetermined);
            }
            if (inUse) {
                report(line);
            }
        }
    }

    if (bFileInUse && loggingOn()) {
        resumeNext([&] {
            std::int32_t type = event_type::warning;
            std::int32_t id = 0;
            bool dll = false;
            WriteEvent(p_, abortedRunEntry(abortReport), type, id, dll);
        });
    }
}

void Form1::ConfigTest_Click() {
    bFileInUse = false;
    sCheckMsg.clear();
    resumeNext([&] { form2_.ListClear("List1"); });
    const bool showList = true;
    resumeNext([&] { CheckAllFiles(showList); });
    if (!bFileInUse) {
        p_.windowing.messageBox("Found no in-use files, this system would shutdown.",
                                platform::msgbox::okOnly, applicationTitle);
    }
}

bool Form1::CheckFile(std::string& sFile) {
    StripChars(sFile, "\"");
    if (!fso().File_Exist(sFile)) {
        return false;
    }
    const std::int16_t code = isFileInUse(sFile);
    if (code == in_use::free) {
        return false;
    }
    sCheckMsg = inUseMessage(code);
    return true;
}

std::int16_t Form1::isFileInUse(std::string path) {
    if (!p_.files.fileNumberAvailable()) {
        return in_use::undetermined;
    }
    return p_.files.probeExclusive(path) ? in_use::free : in_use::inUse;
}

} // namespace vesperon
