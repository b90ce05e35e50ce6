#include "app/shutdown_request.h"

#include "base/resume_next.h"
#include "base/text.h"
#include "check/report_text.h"

namespace vesperon {

namespace {

constexpr int showMinimized = 2;

const char* switchText(ShutdownKind kind, bool forced) {
    if (kind == ShutdownKind::Restart) {
        return forced ? " -r -f -t 60 -c " : " -r -t 60 -c ";
    }
    return forced ? " -s -f -t 60 -c " : " -s -t 60 -c ";
}

} // namespace

std::optional<ShutdownKind> runModeOf(std::string_view argumentText) {
    // A blank typed after the switch in a scheduler's argument field must not turn a run
    // into a window that nobody sees.
    const std::string upper = text::upperAscii(text::trimBlanksAndTabs(argumentText));
    if (upper == "-R") {
        return ShutdownKind::Restart;
    }
    if (upper == "-S") {
        return ShutdownKind::Shutdown;
    }
    return std::nullopt;
}

std::string shutdownComment(ShutdownKind kind, bool forced) {
    std::string comment = forced ? "Forced " : "";
    comment += kind == ShutdownKind::Restart ? "Restart" : "Shutdown";
    return comment + " by Vesperon";
}

std::string shutdownCommandLine(ShutdownKind kind, bool forced) {
    return std::string("shutdown.exe") + switchText(kind, forced) + '"' +
           shutdownComment(kind, forced) + '"' + " -d p:4:1";
}

std::vector<std::string> shutdownArguments(ShutdownKind kind, bool forced) {
    return {"shutdown", kind == ShutdownKind::Restart ? "-r" : "-P", "+1",
            shutdownComment(kind, forced)};
}

platform::StartRequest shutdownRequest(ShutdownKind kind, bool forced) {
    return {shutdownCommandLine(kind, forced), shutdownArguments(kind, forced), showMinimized};
}

RunOutcome requestShutdown(platform::Platform& p, CheckSession& session, ShutdownKind kind) {
    const bool forced = session.readSettings().forceAppsToClose;
    const platform::StartOutcome outcome = p.processes.start(shutdownRequest(kind, forced));
    if (outcome.started) {
        return RunOutcome::Started;
    }
    resumeNext([&] { p.system.writeStandardError(report_text::failedRequestLine(outcome)); });
    resumeNext([&] { session.warn(report_text::failedRequestEntry(outcome)); });
    return RunOutcome::Failed;
}

} // namespace vesperon
