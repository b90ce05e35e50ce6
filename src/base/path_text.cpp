#include "base/path_text.h"

#include "base/text.h"

namespace vesperon::path_text {

std::string addTrailingSeparator(const std::string& path, char separator) {
    std::string s = text::trimBlanks(path);
    if (s.empty() || s.back() != separator) {
        s += separator;
    }
    return s;
}

std::string removeTrailingSeparator(const std::string& path, char separator) {
    std::string s = text::trimBlanks(path);
    if (!s.empty() && s.back() == separator && !(separator == '/' && s == "/")) {
        s.pop_back();
    }
    return s;
}

std::string windowsParentFolderName(const std::string& path) {
    auto isSeparator = [](char c) { return c == '\\' || c == '/'; };
    std::size_t end = path.size();
    const std::size_t rootEnd = (path.size() >= 2 && path[1] == ':') ? 2 : 0;
    while (end > rootEnd + 1 && isSeparator(path[end - 1])) {
        --end;
    }
    std::size_t cut = end;
    while (cut > rootEnd && !isSeparator(path[cut - 1])) {
        --cut;
    }
    if (cut <= rootEnd) {
        return "";
    }
    std::string parent = path.substr(0, cut);
    // Drop the separator before the last component, but keep the one of a drive root.
    if (parent.size() > rootEnd + 1) {
        parent.pop_back();
        while (parent.size() > rootEnd + 1 && isSeparator(parent.back())) {
            parent.pop_back();
        }
    }
    return parent;
}

std::string posixParentFolderName(const std::string& path) {
    std::size_t end = path.size();
    while (end > 1 && path[end - 1] == '/') {
        --end;
    }
    auto cut = path.find_last_of('/', end == 0 ? 0 : end - 1);
    if (cut == std::string::npos) {
        return "";
    }
    std::string parent = path.substr(0, cut);
    while (parent.size() > 1 && parent.back() == '/') {
        parent.pop_back();
    }
    return parent.empty() ? "/" : parent;
}

std::string fileNameOf(const std::string& path, bool windowsStyle) {
    auto isSeparator = [&](char c) { return c == '/' || (windowsStyle && c == '\\'); };
    const std::size_t rootEnd = (windowsStyle && path.size() >= 2 && path[1] == ':') ? 2 : 0;
    std::size_t end = path.size();
    while (end > rootEnd && isSeparator(path[end - 1])) {
        --end;
    }
    std::size_t start = end;
    while (start > rootEnd && !isSeparator(path[start - 1])) {
        --start;
    }
    return path.substr(start, end - start);
}

std::string extensionNameOf(const std::string& path, bool windowsStyle) {
    const std::string name = fileNameOf(path, windowsStyle);
    const auto dot = name.find_last_of('.');
    return dot == std::string::npos ? std::string() : name.substr(dot + 1);
}

} // namespace vesperon::path_text
