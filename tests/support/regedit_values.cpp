#include "support/regedit_values.h"

#include "platform/posix/regedit/regedit_text_lines.h"

namespace vesperon::test {

std::optional<std::string> storedLine(std::string_view fileBytes, std::string_view fullKeyPath,
                                      std::string_view valueName) {
    using namespace platform::regedit_text::lines;
    const std::vector<Entry> entries = parse(fileBytes);
    const auto index = lastValueLine(entries, fullKeyPath, valueName);
    if (!index) {
        return std::nullopt;
    }
    const Entry& e = entries[*index];
    return std::string(fileBytes.substr(e.begin, e.next - e.begin));
}

} // namespace vesperon::test
