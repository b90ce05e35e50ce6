// Load and unload of the start-up window, and the run modes that its load carries.
#include "app/form1.h"
#include "app/run_metrics.h"
#include "app/shutdown_request.h"
#include "app/version_caption.h"
#include "base/resume_next.h"
#include "check/report_text.h"
#include "config/app_folder.h"
#include "config/settings_file.h"
#include "eventlog/event_writer.h"

#include <cstdio>
#include <optional>

namespace vesperon {

Form1::Form1(platform::Platform& platform, Forms& forms)
    : Form(forms, layout()), p_(platform), form2_(forms),
      form4_(forms, platform, [this]() -> clsFSO& { return fso(); }),
      form3_(forms, platform, *this), form5_(forms, platform.processListing) {}

Form1::~Form1() = default;

clsFSO& Form1::fso() {
    if (!fso_) {
        fso_ = std::make_unique<clsFSO>(p_);
    }
    return *fso_;
}

void Form1::Form_Load() {
    resumeNext([&] { Caption(VersionCaption("", "")); });
    // Where the run is bounded, one that gets stuck (a file system that stops answering) is
    // ended as one that could not tell. Until the check list is read, that is the subject.
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
        runOutcome = RunOutcome::Failed;
        Unload();
        return;
    }
    resumeNext([&] {
        if (const auto folder = p_.files.changeableByOthers(configFolder(p_))) {
            folderWarning = report_text::othersMayChange(*folder);
            p_.system.writeStandardError("vesperon: " + *folderWarning);
        }
    });
    resumeNext([&] { EnsureConfig(); });
    resumeNext([&] { EnsureSettings(); });
    resumeNext([&] {
        const std::string path = settingsFilePath(p_);
        const Settings settings = readSettings(p_.profile, path);
        if (settings.unreadable) {
            p_.system.writeStandardError(
                report_text::settingsUnreadableLine(path, *settings.unreadable));
        }
        for (const auto& [checkBox, which] : switches) {
            if (settings.*which.value) {
                Value(checkBox, 1);
            }
        }
    });
    std::optional<ShutdownKind> mode;
    resumeNext([&] { mode = runModeOf(p_.system.argumentText()); });
    if (!mode) {
        return;
    }
    // Two separate tests, as a window unloaded by the first is never tested again.
    if (*mode == ShutdownKind::Restart) {
        runMode(ShutdownKind::Restart);
    }
    if (Loaded() && *mode == ShutdownKind::Shutdown) {
        runMode(ShutdownKind::Shutdown);
    }
}

void Form1::runMode(ShutdownKind kind) {
    Hide();
    const bool showList = false;
    bool checked = false;
    CheckRunReport report;
    resumeNext([&] {
        report = checkAll(showList, nullptr);
        checked = true;
    });
    resumeNext([&] {
        if (const std::size_t count = p_.files.uninspectedProcesses(); count > 0) {
            p_.system.writeStandardError(report_text::uninspectedLine(count));
        }
    });
    runOutcome = bFileInUse ? RunOutcome::Withheld : RunOutcome::Failed;
    // A check that could not finish has not shown that nothing is in use.
    if (checked && !bFileInUse) {
        resumeNext([&] {
            // The file decides, not the check box: it may have changed during the check.
            const bool forced = readSettings(p_.profile, settingsFilePath(p_)).forceAppsToClose;
            const platform::StartOutcome outcome =
                p_.processes.start(shutdownRequest(kind, forced));
            if (outcome.started) {
                runOutcome = RunOutcome::Started;
            } else {
                reportFailedRequest(outcome);
            }
        });
    }
    resumeNext([&] {
        writeRunMetrics(p_, {kind == ShutdownKind::Restart ? RunKind::Restart : RunKind::Shutdown,
                             *runOutcome, report.entries, report.inhibitorRows.size(),
                             p_.system.unixTimeSeconds()});
    });
    Unload();
}

void Form1::reportFailedRequest(const platform::StartOutcome& outcome) {
    resumeNext([&] { p_.system.writeStandardError(report_text::failedRequestLine(outcome)); });
    resumeNext([&] {
        if (readSettings(p_.profile, settingsFilePath(p_)).writeToNTEventLog) {
            std::int32_t type = event_type::warning;
            std::int32_t id = 0;
            bool dll = false;
            WriteEvent(p_, report_text::failedRequestEntry(outcome), type, id, dll);
        }
    });
}

void Form1::reportNoWindow(const std::string& reason) {
    std::string arguments;
    resumeNext([&] { arguments = p_.system.argumentText(); });
    if (arguments.empty()) {
        resumeNext([&] { p_.system.writeStandardError(report_text::noWindowLine(reason)); });
        return;
    }
    resumeNext(
        [&] { p_.system.writeStandardError(report_text::notStartedLine(arguments, reason)); });
    resumeNext([&] {
        if (readSettings(p_.profile, settingsFilePath(p_)).writeToNTEventLog) {
            std::int32_t type = event_type::warning;
            std::int32_t id = 0;
            bool dll = false;
            WriteEvent(p_, report_text::notStartedEntry(arguments, reason), type, id, dll);
        }
    });
}

void Form1::Form_Unload(std::int16_t& /*cancel*/) {
    resumeNext([&] { p_.files.closeAll(); });
    UnloadOtherForms(forms(), *this);
}

} // namespace vesperon
