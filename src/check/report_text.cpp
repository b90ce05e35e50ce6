#include "check/report_text.h"

#include "base/text.h"
#include "base/unicode_text.h"
#include "check/listed_file.h"
#include "eventlog/entry_split.h"

#include <cstdio>

namespace vesperon::report_text {

using unicode::visible;

std::string inUseMessage(std::int16_t code) {
    switch (code) {
    case in_use::inUse:
        return "File in use";
    case in_use::undetermined:
        return "Unable to determine if file is in use";
    default:
        return "Unknown Error";
    }
}

std::string abortBlock(const std::string& message, const std::string& path) {
    // A name with a line end or a NUL would forge or cut the entry.
    return text::crlf + message + ":  " + visible(path) + text::crlf;
}

std::string inhibitorBlock(const std::string& row) {
    return text::crlf + row + text::crlf;
}

std::vector<std::string> abortedRunEntries(const std::vector<std::string>& blocks,
                                           std::size_t maxLength) {
    return splitIntoEntries(std::string(" *** A Planned Shutdown was Aborted! *** ") + text::crlf,
                            blocks, maxLength);
}

std::string failedRequestEntry(const platform::StartOutcome& outcome) {
    return std::string(" *** A Planned Shutdown Failed! *** ") + text::crlf + text::crlf +
           "Command:  " + outcome.commandLine + text::crlf + text::crlf +
           "Reason:  " + outcome.reason + text::crlf;
}

std::string notStartedEntry(const std::string& argumentText, const std::string& reason) {
    return std::string(" *** A Planned Shutdown was Not Started! *** ") + text::crlf + text::crlf +
           "Arguments:  " + visible(argumentText) + text::crlf + text::crlf +
           "Reason:  not a run mode (-r restart, -s shut down); " + reason + text::crlf;
}

std::string inhibitorRow(const platform::InhibitorLock& lock) {
    // Any user allowed a lock chooses who and why: a line end would forge blocks of the entry.
    return "Shutdown inhibited by " + visible(lock.who) + " (pid " + std::to_string(lock.pid) +
           ", user " + visible(lock.user) + "): " + visible(lock.why);
}

std::string entryRow(const Finding& finding) {
    return visible(finding.path);
}

std::string inhibitorsUndeterminedRow(const std::string& problem) {
    return "Unable to determine if shutdown is inhibited:  " + visible(problem);
}

std::string noAppFolderLine() {
    return "vesperon: cannot find the folder that holds the program, where its settings file and "
           "check list are kept; nothing was checked and nothing requested";
}

std::string othersMayChange(const std::string& folder) {
    return folder + " may be written by other users, who could then choose what this run "
                    "checks and where it writes; keep the program in a folder that only root may "
                    "change";
}

std::string settingsUnreadableLine(const std::string& path, const std::string& why) {
    return "vesperon: cannot read the settings file " + path + ": " + why +
           "; using the defaults (log on, force off)";
}

std::string uninspected(std::size_t count) {
    return std::to_string(count) + (count == 1 ? " process" : " processes") +
           " could not be inspected (root needs CAP_SYS_PTRACE to see them); files they hold "
           "count as free";
}

std::string uninspectedLine(std::size_t count) {
    return "vesperon: " + uninspected(count);
}

std::string failedRequestLine(const platform::StartOutcome& outcome) {
    return "vesperon: the shutdown request failed: " + outcome.commandLine + ": " + outcome.reason;
}

std::string notStartedLine(const std::string& argumentText, const std::string& reason) {
    return "vesperon: not a run mode (-r restart, -s shut down): \"" + visible(argumentText) +
           "\"; " + reason;
}

std::string noWindowLine(const std::string& reason) {
    return "vesperon: " + reason;
}

std::string noDisplay() {
    return "no display for the configuration window; set DISPLAY, or start with -r (restart) or "
           "-s (shut down)";
}

std::string timeUpLine(long long seconds, const std::string& path) {
    return "vesperon: the check did not finish within " + std::to_string(seconds) + " s; " +
           visible(path) +
           " counts as undetermined (on a file system that does not answer?), and nothing was "
           "requested";
}

std::string unknownArgumentsLine(const std::string& arguments, const std::string& baseName) {
    return "vesperon: unknown arguments \"" + arguments + "\" (see " + baseName + " --help)";
}

std::string metricsFolderNotAbsoluteLine() {
    return "vesperon: [Metrics] TextfileDirectory is not an absolute folder; no metrics written";
}

std::string metricsUnwritableLine(const std::string& path) {
    return "vesperon: cannot write the metrics file " + path;
}

const char* stateName(EntryState state) {
    switch (state) {
    case EntryState::InUse:
        return "in use";
    case EntryState::Free:
        return "free";
    case EntryState::Missing:
        return "missing";
    case EntryState::Undetermined:
        return "undetermined";
    case EntryState::NotAFile:
        return "not a file";
    }
    return "undetermined";
}

namespace {

constexpr const char* red = "\033[31m";
constexpr const char* green = "\033[32m";
constexpr const char* yellow = "\033[33m";
constexpr int stateWidth = 14; // "undetermined" and two blanks

const char* colourOf(EntryState state) {
    switch (state) {
    case EntryState::InUse:
        return red;
    case EntryState::Undetermined:
        return yellow;
    case EntryState::Free:
        return green;
    default:
        return nullptr;
    }
}

std::string padded(const std::string& text, std::size_t width) {
    return text.size() >= width ? text + " " : text + std::string(width - text.size(), ' ');
}

const char* inhibitorStatus(platform::InhibitorList::Status status) {
    switch (status) {
    case platform::InhibitorList::Status::Answered:
        return "answered";
    case platform::InhibitorList::Status::NoService:
        return "no service";
    case platform::InhibitorList::Status::Undetermined:
        break;
    }
    return "undetermined";
}

} // namespace

std::string jsonString(const std::string& text) {
    std::string out = "\"";
    for (std::size_t at = 0; at < text.size();) {
        const char32_t c = unicode::decodeUtf8(text, at);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20 || (c >= 0x7F && c <= 0x9F)) {
            // DEL and C1 are valid in JSON, but a terminal would act on them.
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(c));
            out += escaped;
        } else {
            unicode::appendUtf8(out, c);
        }
    }
    return out + "\"";
}

std::string TerminalReport::paint(const std::string& text, const char* colour) const {
    return colour_ && colour != nullptr ? colour + text + "\033[0m" : text;
}

std::string TerminalReport::begin() const {
    return json_ ? "{\"entries\":[" : "";
}

std::string TerminalReport::entry(const Finding& finding) {
    ++entries_;
    if (json_) {
        std::string out = firstEntry_ ? "\n" : ",\n";
        firstEntry_ = false;
        out += "{\"state\":" + jsonString(stateName(finding.state)) +
               ",\"path\":" + jsonString(finding.path) + ",\"holders\":[";
        for (std::size_t i = 0; i < finding.holders.size(); ++i) {
            const auto& h = finding.holders[i];
            out += (i > 0 ? "," : "") + std::string("{\"pid\":") + std::to_string(h.pid) +
                   ",\"user\":" + jsonString(h.user) + ",\"command\":" + jsonString(h.command) +
                   ",\"how\":" + jsonString(h.how) + "}";
        }
        out += "],\"seenAs\":[";
        for (std::size_t i = 0; i < finding.seenAs.size(); ++i) {
            out += (i > 0 ? "," : "") + jsonString(finding.seenAs[i]);
        }
        return out + "]}";
    }
    // Names, users and commands are other users' to choose; none reaches the terminal raw.
    std::string out = paint(padded(stateName(finding.state), stateWidth), colourOf(finding.state)) +
                      visible(finding.path) + "\n";
    for (const auto& h : finding.holders) {
        if (h.pid == 0) {
            out += std::string(stateWidth, ' ') + visible(h.how) + "\n";
            continue;
        }
        out += std::string(stateWidth, ' ') + padded("pid " + std::to_string(h.pid), 11) +
               padded("user " + visible(h.user), 16) + padded(visible(h.command), 16) +
               visible(h.how) + "\n";
    }
    for (const std::string& path : finding.seenAs) {
        out += std::string(stateWidth, ' ') + "programs see it as " + visible(path) + "\n";
    }
    return out;
}

std::string TerminalReport::end(const CheckRunReport& report, std::size_t uninspectedProcesses,
                                const std::vector<std::string>& warnings) {
    const char* decision = report.blocked ? "would NOT restart" : "would restart";
    const auto& inhibitors = report.inhibitors;
    if (json_) {
        std::string out = "\n],\"inhibitors\":{\"asked\":";
        out += report.inhibitorsAsked ? "true" : "false";
        out +=
            ",\"status\":" +
            jsonString(report.inhibitorsAsked ? inhibitorStatus(inhibitors.status) : "turned off") +
            ",\"problem\":" + jsonString(inhibitors.problem) + ",\"locks\":[";
        for (std::size_t i = 0; i < inhibitors.locks.size(); ++i) {
            const auto& l = inhibitors.locks[i];
            out += (i > 0 ? "," : "") + std::string("{\"what\":") + jsonString(l.what) +
                   ",\"who\":" + jsonString(l.who) + ",\"why\":" + jsonString(l.why) +
                   ",\"mode\":" + jsonString(l.mode) + ",\"pid\":" + std::to_string(l.pid) +
                   ",\"user\":" + jsonString(l.user) +
                   ",\"inhibitsShutdown\":" + (inhibitsShutdown(l) ? "true" : "false") + "}";
        }
        out += "]},\"warnings\":[";
        for (std::size_t i = 0; i < warnings.size(); ++i) {
            out += (i > 0 ? "," : "") + jsonString(warnings[i]);
        }
        return out + "],\"decision\":" + jsonString(decision) +
               ",\"withheld\":" + (report.blocked ? "true" : "false") +
               ",\"uninspectedProcesses\":" + std::to_string(uninspectedProcesses) + "}\n";
    }
    std::string out = entries_ == 0 ? "the check list names no files\n" : "";
    if (!report.inhibitorsAsked) {
        out += "shutdown inhibitors were not asked: HonourInhibitors=0 in the settings file\n";
    } else if (inhibitors.status == platform::InhibitorList::Status::NoService) {
        out += "shutdown inhibitors could not be asked: " + visible(inhibitors.problem) + "\n";
    }
    for (const std::string& row : report.inhibitorRows) {
        const bool unknown = inhibitors.status == platform::InhibitorList::Status::Undetermined;
        out += paint(padded(unknown ? "undetermined" : "inhibited", stateWidth),
                     unknown ? yellow : red) +
               row + "\n";
    }
    for (const std::string& warning : warnings) {
        out += visible(warning) + "\n";
    }
    out += paint(decision, report.blocked ? red : green) + "\n";
    if (uninspectedProcesses > 0) {
        out += uninspected(uninspectedProcesses) + "\n";
    }
    return out;
}

} // namespace vesperon::report_text
