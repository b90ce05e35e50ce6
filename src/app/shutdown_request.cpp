#include "app/shutdown_request.h"

#include "app/text.h"

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

std::string failedRequestEntry(const platform::StartOutcome& outcome) {
    return std::string(" *** A Planned Shutdown Failed! *** ") + text::crlf + text::crlf +
           "Command:  " + outcome.commandLine + text::crlf + text::crlf +
           "Reason:  " + outcome.reason + text::crlf;
}

std::string failedRequestLine(const platform::StartOutcome& outcome) {
    return "vesperon: the shutdown request failed: " + outcome.commandLine + ": " + outcome.reason;
}

} // namespace vesperon
