#include "eventlog/entry_split.h"

namespace vesperon {

std::vector<std::string> splitIntoEntries(const std::string& headerLine,
                                          const std::vector<std::string>& blocks,
                                          std::size_t maxLength) {
    // Room for at least one character after the header, so that a cut always moves on.
    const std::size_t room = maxLength > headerLine.size() ? maxLength - headerLine.size() : 1;
    std::vector<std::string> entries;
    std::string entry = headerLine;
    for (const std::string& block : blocks) {
        if (entry.size() - headerLine.size() + block.size() <= room) {
            entry += block;
            continue;
        }
        if (entry.size() > headerLine.size()) {
            entries.push_back(entry);
            entry = headerLine;
        }
        if (block.size() <= room) {
            entry += block;
            continue;
        }
        for (std::size_t at = 0; at < block.size(); at += room) {
            entries.push_back(headerLine + block.substr(at, room));
        }
    }
    if (entry.size() > headerLine.size() || entries.empty()) {
        entries.push_back(entry);
    }
    return entries;
}

} // namespace vesperon
