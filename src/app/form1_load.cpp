// Load and unload of the start-up window, and the run modes that its load carries.
#include "app/form1.h"
#include "app/run_metrics.h"
#include "app/shutdown_request.h"
#include "app/version_caption.h"
#include "base/resume_next.h"
#include "check/report_text.h"

#include <optional>

namespace vesperon {

Form1::Form1(platform::Platform& platform, Forms& forms)
    : Form(forms, layout()), p_(platform),
      session_(platform, [this]() -> clsFSO& { return fso(); }), form2_(forms),
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
    if (!session_.begin()) {
        runOutcome = RunOutcome::Failed;
        Unload();
        return;
    }
    resumeNext([&] { EnsureConfig(); });
    resumeNext([&] { EnsureSettings(); });
    resumeNext([&] {
        const Settings settings = session_.readSettings();
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
    resumeNext([&] {
        CheckAllFiles(showList);
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
        resumeNext([&] { runOutcome = requestShutdown(p_, session_, kind); });
    }
    resumeNext([&] {
        writeRunMetrics(
            p_, lastCheck_.settings.textfileDirectory,
            runRecord(kind == ShutdownKind::Restart ? RunKind::Restart : RunKind::Shutdown,
                      *runOutcome, lastCheck_.report, p_.system.unixTimeSeconds()));
    });
    Unload();
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
    resumeNext([&] { session_.warn(report_text::notStartedEntry(arguments, reason)); });
}

void Form1::Form_Unload(std::int16_t& /*cancel*/) {
    resumeNext([&] { p_.files.closeAll(); });
    UnloadOtherForms(forms(), *this);
}

} // namespace vesperon
