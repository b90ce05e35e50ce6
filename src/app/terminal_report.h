#pragma once

#include "check/check_run.h"
#include "check/finding.h"

#include <cstddef>
#include <string>
#include <vector>

namespace vesperon {

// What `vesperon --test` prints, piece by piece as the check run goes: as aligned text for a
// terminal, or as one JSON document.
class TerminalReport {
public:
    TerminalReport(bool json, bool colour) : json_(json), colour_(colour) {}
    // The opening of the document (nothing for text).
    std::string begin() const;
    std::string entry(const Finding& finding);
    // The inhibitors, the warnings, the decision and what could not be inspected; the
    // document's end.
    std::string end(const CheckRunReport& report, std::size_t uninspectedProcesses,
                    const std::vector<std::string>& warnings = {});

private:
    std::string paint(const std::string& text, const char* colour) const;

    bool json_;
    bool colour_;
    bool firstEntry_ = true;
    std::size_t entries_ = 0;
};

// A JSON string, quotes included; bytes that are no UTF-8 become U+FFFD.
std::string jsonString(const std::string& text);

} // namespace vesperon
