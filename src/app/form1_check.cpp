// The procedures of the check that the start-up window carries: each hands its work to the
// check session.
#include "app/form1.h"
#include "base/app_identity.h"
#include "base/resume_next.h"
#include "check/listed_file.h"
#include "check/report_text.h"

namespace vesperon {

void Form1::EnsureConfig() {
    session_.ensureCheckList();
}

void Form1::EnsureSettings() {
    session_.ensureSettingsFile();
}

void Form1::CheckAllFiles(const bool& bShowList) {
    auto list = [&](const std::string& row) {
        if (bShowList) {
            resumeNext([&] {
                form2_.Show();
                form2_.ListAddItem("List1", row);
            });
        }
    };
    lastCheck_ = session_.check([&](const Finding& finding) {
        if (finding.blocks()) {
            bFileInUse = true;
            sCheckMsg = finding.message;
            list(report_text::entryRow(finding));
        }
    });
    for (const std::string& row : lastCheck_.report.inhibitorRows) {
        bFileInUse = true;
        list(row);
    }
}

void Form1::ConfigTest_Click() {
    bFileInUse = false;
    sCheckMsg.clear();
    resumeNext([&] { form2_.ListClear("List1"); });
    const bool showList = true;
    resumeNext([&] { CheckAllFiles(showList); });
    if (!bFileInUse) {
        p_.windowing.messageBox(report_text::nothingInUse, platform::msgbox::okOnly,
                                applicationTitle);
    }
}

// The check session tests each entry with the same two steps, testListedEntry and probeCode.
bool Form1::CheckFile(std::string& sFile) {
    Finding finding = testListedEntry(p_, sFile);
    sFile = std::move(finding.path);
    if (finding.blocks()) {
        sCheckMsg = finding.message;
    }
    return finding.blocks();
}

std::int16_t Form1::isFileInUse(const std::string& path) {
    return probeCode(p_.files, path);
}

} // namespace vesperon
