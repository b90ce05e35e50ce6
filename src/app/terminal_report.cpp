#include "app/terminal_report.h"

#include "base/unicode_text.h"

#include <cstdio>

namespace vesperon {

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
                      unicode::visible(finding.path) + "\n";
    for (const auto& h : finding.holders) {
        if (h.pid == 0) {
            out += std::string(stateWidth, ' ') + unicode::visible(h.how) + "\n";
            continue;
        }
        out += std::string(stateWidth, ' ') + padded("pid " + std::to_string(h.pid), 11) +
               padded("user " + unicode::visible(h.user), 16) +
               padded(unicode::visible(h.command), 16) + unicode::visible(h.how) + "\n";
    }
    for (const std::string& path : finding.seenAs) {
        out += std::string(stateWidth, ' ') + "programs see it as " + unicode::visible(path) + "\n";
    }
    return out;
}

std::string TerminalReport::end(const CheckRunReport& report, std::size_t uninspected,
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
               ",\"uninspectedProcesses\":" + std::to_string(uninspected) + "}\n";
    }
    std::string out = entries_ == 0 ? "the check list names no files\n" : "";
    if (!report.inhibitorsAsked) {
        out += "shutdown inhibitors were not asked: HonourInhibitors=0 in the settings file\n";
    } else if (inhibitors.status == platform::InhibitorList::Status::NoService) {
        out += "shutdown inhibitors could not be asked: " + unicode::visible(inhibitors.problem) +
               "\n";
    }
    for (const std::string& row : report.inhibitorRows) {
        const bool unknown = inhibitors.status == platform::InhibitorList::Status::Undetermined;
        out += paint(padded(unknown ? "undetermined" : "inhibited", stateWidth),
                     unknown ? yellow : red) +
               row + "\n";
    }
    for (const std::string& warning : warnings) {
        out += unicode::visible(warning) + "\n";
    }
    out += paint(decision, report.blocked ? red : green) + "\n";
    if (uninspected > 0) {
        out += std::to_string(uninspected) + (uninspected == 1 ? " process" : " processes") +
               " could not be inspected (root needs CAP_SYS_PTRACE to see them); files they "
               "hold count as free\n";
    }
    return out;
}

} // namespace vesperon
