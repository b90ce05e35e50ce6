#include "config/check_list_file.h"

#include "app/app_identity.h"
#include "app/text.h"

namespace vesperon {

std::string checkListHeader() {
    const std::string rule = "; " + std::string(44, '*');
    return rule + text::crlf + ";     " + applicationTitle + " - Configuration File" + text::crlf +
           rule + text::crlf;
}

bool WriteTextFile(platform::Files& files, const std::string& path, const std::string& text,
                   bool overwrite) {
    return files.writeText(path, text + text::crlf, overwrite);
}

std::vector<std::string> textLines(std::string_view bytes) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < bytes.size()) {
        const std::size_t end = bytes.find_first_of("\r\n", start);
        if (end == std::string_view::npos) {
            lines.emplace_back(bytes.substr(start));
            break;
        }
        lines.emplace_back(bytes.substr(start, end - start));
        start = end + 1;
        if (bytes[end] == '\r' && start < bytes.size() && bytes[start] == '\n') {
            ++start;
        }
    }
    return lines;
}

std::vector<std::string> checkListEntries(std::string_view bytes) {
    std::vector<std::string> entries;
    for (auto& line : textLines(bytes)) {
        if (!line.empty() && line.front() != ';') {
            entries.push_back(std::move(line));
        }
    }
    return entries;
}

std::string checkListWithEntries(const std::vector<std::string>& entries) {
    std::string bytes = checkListHeader() + text::crlf;
    for (const auto& entry : entries) {
        bytes += entry + text::crlf;
    }
    return bytes;
}

} // namespace vesperon
