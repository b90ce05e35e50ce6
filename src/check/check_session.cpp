#include "check/check_session.h"

#include "base/resume_next.h"
#include "check/listed_file.h"
#include "check/report_text.h"
#include "config/app_folder.h"
#include "config/check_list_file.h"
#include "config/check_list_reader.h"
#include "eventlog/event_writer.h"

#include <utility>

namespace vesperon {

namespace {

// Ends the probe run however the check run ends, so that nothing stays open after it.
class ProbeRun {
public:
    ProbeRun(platform::Files& files, bool describeHolders) : files_(files) {
        files_.describeHolders(describeHolders);
        files_.beginProbeRun();
    }
    ~ProbeRun() {
        resumeNext([&] {
            files_.endProbeRun();
            files_.describeHolders(false);
        });
    }
    ProbeRun(const ProbeRun&) = delete;
    ProbeRun& operator=(const ProbeRun&) = delete;

private:
    platform::Files& files_;
};

// One check over the check list: every entry in list order, then the system's shutdown
// inhibitor locks. Runs of one application folder take turns; the turn is taken when the run
// is made, so that the files it ensures are ensured by one run at a time. Its progress is
// kept in progress, under the guard of the platform's run bound.
class CheckRun {
public:
    CheckRun(platform::Platform& p, RunProgress& progress);
    ~CheckRun() = default;
    CheckRun(const CheckRun&) = delete;
    CheckRun& operator=(const CheckRun&) = delete;

    // Hands every entry's finding to onEntry, if any, as soon as it is known; with
    // describeHolders a file in use names the processes that hold it.
    CheckRunReport run(const Settings& settings, const std::function<void(const Finding&)>& onEntry,
                       bool describeHolders = false);

private:
    void askInhibitors(bool asked, CheckRunReport& report);

    platform::Platform& p_;
    RunProgress& progress_;
    platform::LockAttempt turn_;
    std::string lockPath_;
};

CheckRun::CheckRun(platform::Platform& p, RunProgress& progress) : p_(p), progress_(progress) {
    // One run's probe would look like a holder to another run's view of the system.
    turn_.status = platform::LockAttempt::Status::TimedOut;
    resumeNext([&] {
        lockPath_ = checkRunLockPath(p_);
        turn_ = p_.files.lockFile(lockPath_);
    });
    if (turn_.status == platform::LockAttempt::Status::Held) {
        // A run killed while it replaced one of its files left the temporary file behind.
        resumeNext([&] {
            const std::string base = BaseName(p_);
            p_.files.removeStaleTemporaries(configFolder(p_), {base + ".ini", base + ".cfg"});
        });
    }
}

CheckRunReport CheckRun::run(const Settings& settings,
                             const std::function<void(const Finding&)>& onEntry,
                             bool describeHolders) {
    platform::RunBound& bound = p_.system.runBound();
    CheckRunReport& report = progress_.report;
    const std::string listPath = checkListPath(p_);
    bound.guard([&] {
        report = CheckRunReport{};
        report.logging = settings.writeToNTEventLog;
        progress_.subject = listPath;
    });
    auto take = [&](const Finding& finding) {
        bound.guard([&] {
            report.entries.inUse += finding.state == EntryState::InUse ? 1 : 0;
            report.entries.undetermined += finding.state == EntryState::Undetermined ? 1 : 0;
            report.entries.missing += finding.state == EntryState::Missing ? 1 : 0;
            if (finding.blocks()) {
                report.blocked = true;
                if (report.logging) {
                    report.abortBlocks.push_back(
                        report_text::abortBlock(finding.message, finding.path));
                }
            }
            if (onEntry) {
                onEntry(finding);
            }
        });
    };

    try {
        CheckListReader list(p_.files, p_.system, listPath);
        if (turn_.status == platform::LockAttempt::Status::TimedOut) {
            take(undeterminedFinding(lockPath_));
        } else if (list.status() == CheckListReader::Status::Unreadable) {
            take(undeterminedFinding(listPath));
        } else if (list.status() == CheckListReader::Status::Open) {
            ProbeRun probes(p_.files, describeHolders);
            ListLine line;
            while (list.next(line)) {
                if (!isCheckListEntry(line.text)) {
                    continue;
                }
                bound.guard([&] { progress_.subject = line.text; });
                Finding finding = undeterminedFinding(line.text);
                if (line.exact) {
                    try {
                        finding = testListedEntry(p_, line.text, describeHolders);
                    } catch (...) {
                        finding = undeterminedFinding(line.text);
                    }
                }
                take(finding);
            }
            if (list.failed()) {
                take(undeterminedFinding(listPath));
            }
        }
    } catch (...) {
        // Whatever keeps the run from telling must not let the machine go down.
        take(undeterminedFinding(listPath));
    }
    bound.guard([&] { progress_.subject = listPath; });
    askInhibitors(settings.honourInhibitors, report);
    return report;
}

void CheckRun::askInhibitors(bool asked, CheckRunReport& report) {
    platform::InhibitorList inhibitors;
    if (asked) {
        inhibitors = p_.inhibitors.list();
    }
    p_.system.runBound().guard([&] {
        report.inhibitorsAsked = asked;
        report.inhibitors = std::move(inhibitors);
        auto block = [&](const std::string& text) {
            report.blocked = true;
            report.inhibitorRows.push_back(text);
            if (report.logging) {
                report.abortBlocks.push_back(report_text::inhibitorBlock(text));
            }
        };
        if (!asked) {
            return;
        }
        if (report.inhibitors.status == platform::InhibitorList::Status::Undetermined) {
            block(report_text::inhibitorsUndeterminedRow(report.inhibitors.problem));
            return;
        }
        for (const auto& lock : report.inhibitors.locks) {
            if (inhibitsShutdown(lock)) {
                block(report_text::inhibitorRow(lock));
            }
        }
    });
}

} // namespace

Finding undeterminedFinding(const std::string& path) {
    return {
        path, EntryState::Undetermined, report_text::inUseMessage(in_use::undetermined), {}, {}};
}

bool inhibitsShutdown(const platform::InhibitorLock& lock) {
    if (lock.mode != "block") {
        return false; // a delay lock only holds the shutdown back a little, and logind sees to it
    }
    // "what" lists the operations it covers, separated by colons: "shutdown:sleep".
    const std::string what = ":" + lock.what + ":";
    return what.find(":shutdown:") != std::string::npos;
}

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
