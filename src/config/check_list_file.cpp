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

std::vector<std::string> checkListEntries(std::string_view bytes) {
    std::vector<std::string> entries;
    std::size_t start = 0;
    while (start < bytes.size()) {
        std::size_t end = bytes.find_first_of("\r\n", start);
        const std::size_t lineEnd = end == std::string_view::npos ? bytes.size() : end;
        std::string_view line = bytes.substr(start, lineEnd - start);
        if (!line.empty() && line.front() != ';') {
            entries.emplace_back(line);
        }
        if (end == std::string_view::npos) {
            break;
        }
        start = end + 1;
        if (bytes[end] == '\r' && start < bytes.size() && bytes[start] == '\n') {
            ++start;
        }
    }
    return entries;
}

} // namespace vesperon
