#include "check/check_run.h"

#include "base/resume_next.h"
#include "check/listed_file.h"
#include "check/report_text.h"
#include "config/app_folder.h"
#include "config/check_list_reader.h"

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

CheckRun::~CheckRun() = default;

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

} // namespace vesperon
