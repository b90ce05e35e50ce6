#include "check/in_use.h"

#include "base/text.h"
#include "base/unicode_text.h"
#include "eventlog/entry_split.h"

#include <stdexcept>

namespace vesperon {

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

std::string& StripChars(std::string& s, const std::string& remove) {
    if (remove.empty()) {
        throw std::invalid_argument("StripChars: nothing to remove");
    }
    for (auto at = s.find(remove); at != std::string::npos; at = s.find(remove)) {
        s.erase(at, remove.size());
    }
    return s;
}

std::vector<std::string> abortedRunEntries(const std::vector<std::string>& abortBlocks,
                                           std::size_t maxLength) {
    return splitIntoEntries(std::string(" *** A Planned Shutdown was Aborted! *** ") + text::crlf,
                            abortBlocks, maxLength);
}

std::string abortReportBlock(const std::string& message, const std::string& path) {
    // A name with a line end or a NUL would forge or cut the entry.
    return text::crlf + message + ":  " + unicode::visible(path) + text::crlf;
}

} // namespace vesperon
