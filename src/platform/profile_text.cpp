#include "platform/profile_text.h"

#include "base/text.h"

#include <algorithm>
#include <limits>
#include <vector>

namespace vesperon::platform::profile_text {

namespace {

constexpr std::string_view utf8Bom = "\xEF\xBB\xBF";
constexpr std::string_view lineEnd = "\r\n";

// Wine counts ^Z (DOS end of file) and the control blanks as white space too.
bool isBlank(char c) {
    auto u = static_cast<unsigned char>(c);
    return (u >= 0x09 && u <= 0x0d) || u == 0x1a || u == ' ';
}

std::string_view trimLeft(std::string_view s) {
    return text::trimLeftWhere(s, isBlank);
}

std::string_view trimRight(std::string_view s) {
    return text::trimRightWhere(s, isBlank);
}

std::string_view trim(std::string_view s) {
    return text::trimWhere(s, isBlank);
}

// Names and values are C strings once parsed; a NUL ends them.
std::string_view cutAtNul(std::string_view s) {
    return s.substr(0, s.find('\0'));
}

struct Entry {
    std::size_t lineStart = 0;
    std::size_t contentEnd = 0; // where the line's terminator (if any) begins
    std::string_view name;
    std::optional<std::string_view> value;
};

struct Section {
    std::string_view name;
    std::vector<Entry> entries;
    std::size_t appendAt = 0;        // just past the section's last non-empty line
    bool appendNeedsLineEnd = false; // that line is the file's last and unterminated
};

// Section 0 holds what comes before the first header; its name is empty.
std::vector<Section> parse(std::string_view bytes, std::size_t bodyStart) {
    std::vector<Section> sections(1);
    sections[0].appendAt = bodyStart;
    std::size_t pos = bodyStart;
    while (pos < bytes.size()) {
        std::size_t lineStart = pos;
        std::size_t contentEnd = std::min(bytes.find_first_of("\r\n", pos), bytes.size());
        pos = contentEnd;
        if (pos < bytes.size()) {
            pos += bytes.compare(pos, 2, lineEnd) == 0 ? 2U : 1U;
        }
        bool terminated = pos > contentEnd;
        std::string_view text = trim(bytes.substr(lineStart, contentEnd - lineStart));
        if (text.empty()) {
            continue;
        }
        if (text.front() == '[') {
            std::size_t close = text.rfind(']');
            if (close != std::string_view::npos) {
                Section& section = sections.emplace_back();
                section.name = trim(text.substr(1, close - 1));
                section.appendAt = pos;
                section.appendNeedsLineEnd = !terminated;
                continue;
            }
        }
        Entry entry{lineStart, contentEnd, text, std::nullopt};
        std::size_t equals = text.find('=');
        if (equals != std::string_view::npos) {
            entry.name = trimRight(text.substr(0, equals));
            entry.value = trimLeft(text.substr(equals + 1));
        }
        Section& current = sections.back();
        current.entries.push_back(entry);
        current.appendAt = pos;
        current.appendNeedsLineEnd = !terminated;
    }
    return sections;
}

std::size_t bodyStartOf(std::string_view bytes) {
    return bytes.starts_with(utf8Bom) ? utf8Bom.size() : 0;
}

// The first section of that name; Wine does not look further when its key is missing.
const Section* findSection(const std::vector<Section>& sections, std::string_view name) {
    std::string_view wanted = trim(cutAtNul(name));
    for (const Section& section : sections) {
        if (text::equalsIgnoringAsciiCase(cutAtNul(section.name), wanted)) {
            return &section;
        }
    }
    return nullptr;
}

const Entry* findEntry(const Section& section, std::string_view key) {
    std::string_view wanted = trim(cutAtNul(key));
    for (const Entry& entry : section.entries) {
        if (text::equalsIgnoringAsciiCase(cutAtNul(entry.name), wanted)) {
            return &entry;
        }
    }
    return nullptr;
}

} // namespace

std::optional<std::string> findRawValue(std::string_view fileBytes, std::string_view section,
                                        std::string_view key) {
    std::vector<Section> sections = parse(fileBytes, bodyStartOf(fileBytes));
    const Section* found = findSection(sections, section);
    const Entry* entry = found != nullptr ? findEntry(*found, key) : nullptr;
    if (entry == nullptr || !entry->value) {
        return std::nullopt;
    }
    return std::string(cutAtNul(*entry->value));
}

std::optional<std::string> findValue(std::string_view fileBytes, std::string_view section,
                                     std::string_view key) {
    std::optional<std::string> raw = findRawValue(fileBytes, section, key);
    if (raw) {
        *raw = copyToBuffer(*raw, std::numeric_limits<std::size_t>::max());
    }
    return raw;
}

std::string copyToBuffer(std::string_view value, std::size_t bufferSize) {
    if (bufferSize == 0) {
        return {};
    }
    value = cutAtNul(value);
    bool quoted = value.size() > 1 && (value.front() == '"' || value.front() == '\'') &&
                  value.back() == value.front();
    if (quoted) {
        value.remove_prefix(1);
    }
    std::string copy(value.substr(0, std::min(value.size(), bufferSize - 1)));
    // Wine's arithmetic: when the value (less its leading quote) is exactly as long as
    // the buffer, the cut already took the closing quote and one more character goes.
    if (quoted && bufferSize >= value.size() && !copy.empty()) {
        copy.pop_back();
    }
    return copy;
}

std::string setValue(std::string_view fileBytes, std::string_view section, std::string_view key,
                     std::string_view value) {
    section = cutAtNul(section);
    key = cutAtNul(key);
    value = trimLeft(cutAtNul(value));
    std::size_t bodyStart = bodyStartOf(fileBytes);
    std::vector<Section> sections = parse(fileBytes, bodyStart);

    // New names keep their trailing blanks, as Wine writes them.
    std::string newLine = std::string(trimLeft(key)) + "=" + std::string(value) + "\r\n";

    if (const Section* found = findSection(sections, section)) {
        if (const Entry* entry = findEntry(*found, key)) {
            if (entry->value && cutAtNul(*entry->value) == value) {
                return std::string(fileBytes);
            }
            std::string out(fileBytes.substr(0, entry->lineStart));
            out.append(entry->name).append("=").append(value);
            out.append(fileBytes.substr(entry->contentEnd));
            return out;
        }
        std::string out(fileBytes.substr(0, found->appendAt));
        if (found->appendNeedsLineEnd) {
            out.append(lineEnd);
        }
        out.append(newLine).append(fileBytes.substr(found->appendAt));
        return out;
    }

    std::string out(fileBytes);
    bool hasContent = out.size() > bodyStart;
    if (hasContent && out.back() != '\n' && out.back() != '\r') {
        out.append(lineEnd);
    }
    if (blankLineBeforeNewSection && hasContent) {
        out.append(lineEnd);
    }
    out.append("[").append(trimLeft(section)).append("]\r\n").append(newLine);
    return out;
}

bool isUtf16(std::string_view fileBytes) {
    return fileBytes.starts_with("\xFF\xFE") || fileBytes.starts_with("\xFE\xFF");
}

} // namespace vesperon::platform::profile_text
