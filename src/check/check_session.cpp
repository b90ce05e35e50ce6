#include "check/check_session.h"

#include "base/resume_next.h"
#include "check/report_text.h"
#include "config/app_folder.h"
#include "config/check_list_file.h"
#include "eventlog/event_writer.h"

#include <utility>

namespace vesperon {

CheckSession::CheckSession(platform::Platform& p, std::function<clsFSO&()> fso)
    : p_(p), fso_(std::move(fso)) {}

CheckSession::~CheckSession() {
    resumeNext([&] { p_.system.runBound().setExpiry(nullptr); });
}

bool CheckSession::begin() {
    // Until the check list is read, that is what a stuck run was at.
    resumeNext([&] {
        p_.system.runBound().guard([&] {
            progress_.report.logging = true;
            progress_.subject = checkListPath(p_);
        });
        p_.system.runBound().setExpiry([this] { return timeUp(); });
    });
    if (!hasAppFolder(p_)) {
        // Files in some other folder would be the wrong ones: do nothing rather than guess.
        p_.system.writeStandardError(report_text::noAppFolderLine());
        return false;
    }
    resumeNext([&] {
        if (const auto folder = p_.files.changeableByOthers(configFolder(p_))) {
            folderWarning_ = report_text::othersMayChange(*folder);
            p_.system.writeStandardError("vesperon: " + *folderWarning_);
        }
    });
    return true;
}

void CheckSession::ensureCheckList() {
    vesperon::ensureCheckList(p_, fso_());
}

void CheckSession::ensureSettingsFile() {
    vesperon::ensureSettingsFile(p_, fso_());
}

bool CheckSession::start() {
    if (!begin()) {
        return false;
    }
    resumeNext([&] { ensureCheckList(); });
    resumeNext([&] { ensureSettingsFile(); });
    resumeNext([&] { readSettings(); });
    return true;
}

Settings CheckSession::readSettings() {
    const std::string path = settingsFilePath(p_);
    Settings settings = vesperon::readSettings(p_.profile, path);
    if (settings.unreadable && !saidUnreadable_) {
        saidUnreadable_ = true;
        p_.system.writeStandardError(
            report_text::settingsUnreadableLine(path, *settings.unreadable));
    }
    return settings;
}

CheckOutcome CheckSession::check(const std::function<void(const Finding&)>& onEntry,
                                 bool describeHolders) {
    CheckRun run(p_, progress_);
    resumeNext([&] { ensureCheckList(); });
    resumeNext([&] { ensureSettingsFile(); });
    // One reading serves the whole run; until it is made, the defaults hold.
    CheckOutcome outcome;
    resumeNext([&] { outcome.settings = readSettings(); });
    outcome.report = run.run(outcome.settings, onEntry, describeHolders);
    // Decided in time: what remains (the warning, the request) has bounds of its own.
    p_.system.runBound().disarm();
    writeWarning(outcome.report);
    return outcome;
}

void CheckSession::warn(const std::string& entry) {
    if (readSettings().writeToNTEventLog) {
        writeWarningEntry(p_, entry);
    }
}

void CheckSession::writeWarning(const CheckRunReport& report) {
    if (!report.blocked || !report.logging) {
        return;
    }
    for (const std::string& entry :
         report_text::abortedRunEntries(report.abortBlocks, p_.edition.maxEventText)) {
        resumeNext([&] { writeWarningEntry(p_, entry); });
    }
}

int CheckSession::timeUp() {
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
    writeWarning(report);
    return 2;
}

} // namespace vesperon
