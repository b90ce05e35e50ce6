#include "app/form1.h"
#include "base/app_identity.h"
#include "base/resume_next.h"
#include "base/unicode_text.h"
#include "check/check_run.h"
#include "check/listed_file.h"
#include "check/report_text.h"
#include "eventlog/event_writer.h"

namespace vesperon {

void Form1::CheckAllFiles(const bool& bShowList) {
    checkAll(bShowList, nullptr);
}

CheckRunReport Form1::checkAll(bool showList, const std::function<void(const Finding&)>& observer,
                               bool describeHolders) {
    CheckRun run(p_, progress_);
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
    // Decided in time: what remains (the warning, the request) has bounds of its own.
    p_.system.runBound().disarm();
    for (const std::string& row : report.inhibitorRows) {
        bFileInUse = true;
        list(row);
    }
    writeAbortEntries(report);
    return report;
}

void Form1::writeAbortEntries(const CheckRunReport& report) {
    if (!report.blocked || !report.logging) {
        return;
    }
    for (const std::string& entry :
         report_text::abortedRunEntries(report.abortBlocks, p_.edition.maxEventText)) {
        resumeNext([&] {
            std::int32_t type = event_type::warning;
            std::int32_t id = 0;
            bool dll = false;
            WriteEvent(p_, entry, type, id, dll);
        });
    }
}

int Form1::timeUp() {
    // The check is stuck in a call that does not return (a file system that stopped
    // answering): what it was at cannot be told, and neither can anything after it.
    CheckRunReport report = progress_.report;
    const Finding stuck = undeterminedFinding(progress_.subject);
    report.blocked = true;
    if (!report.inhibitorsAsked) {
        report.inhibitorsAsked = true;
        report.inhibitors = {platform::InhibitorList::Status::Undetermined,
                             {},
                             "not asked: the check did not finish"};
    }
    if (report.logging) {
        report.abortBlocks.push_back(report_text::abortBlock(stuck.message, stuck.path));
    }
    resumeNext([&] {
        if (onTimeUp) {
            onTimeUp(stuck, report);
        }
    });
    resumeNext([&] {
        p_.system.writeStandardError(
            report_text::timeUpLine(p_.system.runBound().limit().count(), stuck.path));
    });
    writeAbortEntries(report);
    return 2;
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
