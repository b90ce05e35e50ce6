#include "app/form1.h"
#include "base/app_identity.h"
#include "base/resume_next.h"
#include "base/unicode_text.h"
#include "check/check_run.h"
#include "check/in_use.h"
#include "check/listed_file.h"
#include "eventlog/event_writer.h"

namespace vesperon {

void Form1::CheckAllFiles(const bool& bShowList) {
    checkAll(bShowList, nullptr);
}

CheckRunReport Form1::checkAll(bool showList, const std::function<void(const Finding&)>& observer,
                               bool describeHolders) {
    CheckRun run(p_);
    resumeNext([&] { EnsureConfig(); });
    resumeNext([&] { EnsureSettings(); });
    auto list = [&](const std::string& row) {
        if (showList) {
            resumeNext([&] {
                form2_.Show();
                form2_.ListAddItem("List1", row);
            });
        }
    };
    CheckRunReport report = run.run(
        [&](const Finding& finding) {
            if (finding.blocks()) {
                bFileInUse = true;
                sCheckMsg = finding.message;
                list(unicode::visible(finding.path));
            }
            if (observer) {
                observer(finding);
            }
        },
        describeHolders);
    for (const std::string& row : report.inhibitorRows) {
        bFileInUse = true;
        list(row);
    }
    if (report.blocked && report.logging) {
        for (const std::string& entry :
             abortedRunEntries(report.abortBlocks, p_.edition.maxEventText)) {
            resumeNext([&] {
                std::int32_t type = event_type::warning;
                std::int32_t id = 0;
                bool dll = false;
                WriteEvent(p_, entry, type, id, dll);
            });
        }
    }
    return report;
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
