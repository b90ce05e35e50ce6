#include "platform/posix/regedit/regedit_text.h"

#include "base/text.h"

#include <algorithm>
#include <cstddef>

namespace vesperon::platform::regedit_text {

namespace {

constexpr std::string_view lineEnd = "\r\n";
constexpr std::string_view byteOrderMark = "\xEF\xBB\xBF";
// Hex lines are continued before they grow past this, as regedit does.
constexpr std::size_t wrapColumn = 76;

constexpr std::uint32_t regSz = 1;
constexpr std::uint32_t regBinary = 3;
constexpr std::uint32_t regDword = 4;

char lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool startsWithNoCase(std::string_view s, std::string_view prefix) {
    return s.size() >= prefix.size() &&
           text::equalsIgnoringAsciiCase(s.substr(0, prefix.size()), prefix);
}

// A stray CR counts as blank, so a line ending in CR CR LF still reads.
bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r';
}

std::string_view trim(std::string_view s) {
    return text::trimWhere(s, isBlank);
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    c = lower(c);
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    return -1;
}

// 1 to 8 hex digits and nothing else.
std::optional<std::uint32_t> parseHexNumber(std::string_view s) {
    if (s.empty() || s.size() > 8) {
        return std::nullopt;
    }
    std::uint32_t value = 0;
    for (char c : s) {
        int d = hexDigit(c);
        if (d < 0) {
            return std::nullopt;
        }
        value = value << 4 | static_cast<std::uint32_t>(d);
    }
    return value;
}

bool hasLineBreak(std::string_view s) {
    return s.find_first_of("\r\n") != std::string_view::npos;
}

bool writableKeyPath(std::string_view path) {
    return !hasLineBreak(path) && (path.empty() || path.front() != '-');
}

std::string quoted(std::string_view text) {
    std::string out = "\"";
    for (char c : text) {
        if (c == '\\' || c == '"') {
            out += '\\';
        }
        out += c;
    }
    out += '"';
    return out;
}

// Reads a quoted string at the start of s; the rest of s after the closing quote goes
// to rest. Nothing for an unterminated string.
std::optional<std::string> unquote(std::string_view s, std::string_view& rest) {
    if (s.empty() || s.front() != '"') {
        return std::nullopt;
    }
    std::string out;
    for (std::size_t i = 1; i < s.size(); ++i) {
        char c = s[i];
        if (c == '"') {
            rest = s.substr(i + 1);
            return out;
        }
        if (c == '\\' && i + 1 < s.size()) {
            c = s[++i];
        }
        out += c;
    }
    return std::nullopt;
}

struct PhysicalLine {
    std::size_t begin = 0;
    std::size_t end = 0; // end of the content, before CR LF or LF
    std::size_t next = 0;
};

PhysicalLine physicalLineAt(std::string_view s, std::size_t pos) {
    PhysicalLine line{pos, s.size(), s.size()};
    std::size_t newline = s.find('\n', pos);
    if (newline != std::string_view::npos) {
        line.end = newline;
        line.next = newline + 1;
    }
    if (line.end > pos && s[line.end - 1] == '\r') {
        --line.end;
    }
    return line;
}

// Only lines made of hex digits, commas and blanks count as continuation lines, so a
// stray trailing backslash cannot swallow the user's next section or value.
bool looksLikeHexContinuation(std::string_view content) {
    return !content.empty() && std::all_of(content.begin(), content.end(), [](char c) {
        return hexDigit(c) >= 0 || c == ',' || c == '\\' || isBlank(c);
    });
}

enum class Kind { Other, Section, Value };

// One logical line: a physical line plus the continuation lines of a hex value.
struct Entry {
    Kind kind = Kind::Other;
    std::size_t begin = 0;
    std::size_t end = 0;
    std::size_t next = 0;
    bool named = false;     // a section header whose name could be read
    std::string name;       // section or value name
    std::string data;       // value data text, continuation lines joined
    bool truncated = false; // announced a continuation line that never came
};

struct ValueStart {
    std::string name;
    std::string_view data;
};

std::optional<ValueStart> parseValueStart(std::string_view t) {
    ValueStart v;
    std::string_view rest;
    if (!t.empty() && t.front() == '@') {
        rest = t.substr(1);
    } else if (auto name = unquote(t, rest)) {
        v.name = std::move(*name);
    } else {
        return std::nullopt;
    }
    rest = trim(rest);
    if (rest.empty() || rest.front() != '=') {
        return std::nullopt;
    }
    v.data = trim(rest.substr(1));
    return v;
}

// The sections and values of a file, in order; other lines are passed over.
std::vector<Entry> parse(std::string_view s) {
    std::vector<Entry> entries;
    std::size_t pos = 0;
    while (pos < s.size()) {
        PhysicalLine line = physicalLineAt(s, pos);
        Entry e;
        e.begin = line.begin;
        e.end = line.end;
        e.next = line.next;
        if (pos == 0 && s.substr(0, line.end).starts_with(byteOrderMark)) {
            e.begin = byteOrderMark.size();
        }
        std::string_view t = trim(s.substr(e.begin, e.end - e.begin));
        if (!t.empty() && t.front() == '[') {
            e.kind = Kind::Section;
            if (t.size() >= 2 && t.back() == ']') {
                e.named = true;
                e.name = t.substr(1, t.size() - 2);
            }
        } else if (auto v = parseValueStart(t)) {
            e.kind = Kind::Value;
            e.name = std::move(v->name);
            e.data = v->data;
            bool continued = startsWithNoCase(e.data, "hex") && e.data.ends_with('\\');
            if (continued) {
                e.data.pop_back();
            }
            while (continued && e.next < s.size()) {
                PhysicalLine more = physicalLineAt(s, e.next);
                std::string_view part = trim(s.substr(more.begin, more.end - more.begin));
                if (!looksLikeHexContinuation(part)) {
                    break;
                }
                e.end = more.end;
                e.next = more.next;
                continued = part.ends_with('\\');
                if (continued) {
                    part.remove_suffix(1);
                }
                e.data += part;
            }
            e.truncated = continued;
        }
        pos = e.next;
        // Only sections and values are looked at again; keeping the other lines too would
        // cost an entry for every blank line of the file.
        if (e.kind != Kind::Other) {
            entries.push_back(std::move(e));
        }
    }
    return entries;
}

bool isKeySection(const Entry& e, std::string_view keyPath) {
    return e.kind == Kind::Section && e.named && text::equalsIgnoringAsciiCase(e.name, keyPath);
}

// Index of the last line of that value within the key's sections.
std::optional<std::size_t> lastValueLine(const std::vector<Entry>& entries,
                                         std::string_view keyPath, std::string_view valueName) {
    std::optional<std::size_t> found;
    bool inKey = false;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const Entry& e = entries[i];
        if (e.kind == Kind::Section) {
            inKey = isKeySection(e, keyPath);
        } else if (inKey && e.kind == Kind::Value &&
                   text::equalsIgnoringAsciiCase(e.name, valueName)) {
            found = i;
        }
    }
    return found;
}

std::optional<std::vector<std::uint8_t>> parseHexBytes(std::string_view list) {
    std::vector<std::uint8_t> bytes;
    list = trim(list);
    while (!list.empty()) {
        std::size_t comma = list.find(',');
        std::string_view token = trim(list.substr(0, comma));
        auto value = parseHexNumber(token);
        if (!value || token.size() > 2) {
            return std::nullopt;
        }
        bytes.push_back(static_cast<std::uint8_t>(*value));
        if (comma == std::string_view::npos) {
            break;
        }
        list = trim(list.substr(comma + 1)); // a trailing comma is tolerated
    }
    return bytes;
}

std::optional<std::pair<std::uint32_t, std::vector<std::uint8_t>>>
parseData(std::string_view data) {
    if (!data.empty() && data.front() == '"') {
        std::string_view rest;
        auto text = unquote(data, rest);
        if (!text || !trim(rest).empty()) {
            return std::nullopt;
        }
        std::vector<std::uint8_t> bytes(text->begin(), text->end());
        bytes.push_back(0);
        return std::pair{regSz, std::move(bytes)};
    }
    if (startsWithNoCase(data, "dword:")) {
        auto value = parseHexNumber(trim(data.substr(6)));
        if (!value) {
            return std::nullopt;
        }
        std::vector<std::uint8_t> bytes;
        for (int shift = 0; shift < 32; shift += 8) {
            bytes.push_back(static_cast<std::uint8_t>(*value >> shift));
        }
        return std::pair{regDword, std::move(bytes)};
    }
    if (!startsWithNoCase(data, "hex")) {
        return std::nullopt;
    }
    data.remove_prefix(3);
    std::uint32_t type = regBinary;
    if (data.starts_with('(')) {
        std::size_t close = data.find(')');
        if (close == std::string_view::npos) {
            return std::nullopt;
        }
        auto parsed = parseHexNumber(data.substr(1, close - 1));
        if (!parsed) {
            return std::nullopt;
        }
        type = *parsed;
        data.remove_prefix(close + 1);
    }
    if (!data.starts_with(':')) {
        return std::nullopt;
    }
    auto bytes = parseHexBytes(data.substr(1));
    if (!bytes) {
        return std::nullopt;
    }
    return std::pair{type, std::move(*bytes)};
}

bool plainString(std::uint32_t type, const std::vector<std::uint8_t>& data) {
    if (type != regSz || data.empty() || data.back() != 0) {
        return false;
    }
    for (std::size_t i = 0; i + 1 < data.size(); ++i) {
        // Line breaks have no quoted form in REGEDIT4; such text goes out as hex(1).
        if (data[i] == 0 || data[i] == '\r' || data[i] == '\n') {
            return false;
        }
    }
    return true;
}

} // namespace

std::string hiveName(std::uint32_t root) {
    switch (root) {
    case 0x80000000:
        return "HKEY_CLASSES_ROOT";
    case 0x80000001:
        return "HKEY_CURRENT_USER";
    case 0x80000002:
        return "HKEY_LOCAL_MACHINE";
    case 0x80000003:
        return "HKEY_USERS";
    case 0x80000005:
        return "HKEY_CURRENT_CONFIG";
    case 0x80000006:
        return "HKEY_DYN_DATA";
    default:
        return "";
    }
}

std::string ensureKey(std::string_view fileBytes, std::string_view fullKeyPath) {
    std::string out(fileBytes);
    if (!writableKeyPath(fullKeyPath)) {
        return out;
    }
    if (out.empty()) {
        out = "REGEDIT4";
        out += lineEnd;
        out += lineEnd;
    } else {
        for (const Entry& e : parse(fileBytes)) {
            if (isKeySection(e, fullKeyPath)) {
                return out;
            }
        }
        if (!out.ends_with('\n')) {
            out += lineEnd;
        }
    }
    out += '[';
    out += fullKeyPath;
    out += ']';
    out += lineEnd;
    out += lineEnd;
    return out;
}

std::string setValue(std::string_view fileBytes, std::string_view fullKeyPath,
                     std::string_view valueName, std::uint32_t type,
                     const std::vector<std::uint8_t>& data) {
    if (!writableKeyPath(fullKeyPath) || hasLineBreak(valueName)) {
        return std::string(fileBytes);
    }
    std::string file = ensureKey(fileBytes, fullKeyPath);
    std::string line = formatValueLine(valueName, type, data);
    std::vector<Entry> entries = parse(file);

    if (auto index = lastValueLine(entries, fullKeyPath, valueName)) {
        const Entry& old = entries[*index];
        line.resize(line.size() - lineEnd.size()); // the old line's own ending stays
        return file.replace(old.begin, old.end - old.begin, line);
    }

    // After the last value line of the key's last section (or its header).
    std::optional<std::size_t> anchor;
    bool inKey = false;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const Entry& e = entries[i];
        if (e.kind == Kind::Section) {
            inKey = isKeySection(e, fullKeyPath);
            if (inKey) {
                anchor = i;
            }
        } else if (inKey && e.kind == Kind::Value) {
            anchor = i;
        }
    }
    if (!anchor) {
        return file; // not reached: ensureKey made the section
    }
    std::size_t at = entries[*anchor].next;
    if (at == file.size() && !file.ends_with('\n')) {
        line.insert(0, lineEnd);
    }
    return file.insert(at, line);
}

std::string formatValueLine(std::string_view valueName, std::uint32_t type,
                            const std::vector<std::uint8_t>& data) {
    static constexpr char digits[] = "0123456789abcdef";
    std::string line = valueName.empty() ? std::string("@") : quoted(valueName);
    line += '=';
    if (plainString(type, data)) {
        line +=
            quoted(std::string_view(reinterpret_cast<const char*>(data.data()), data.size() - 1));
    } else if (type == regDword && data.size() == 4) {
        std::uint32_t value = 0;
        for (int i = 3; i >= 0; --i) {
            value = value << 8 | data[static_cast<std::size_t>(i)];
        }
        line += "dword:";
        for (int shift = 28; shift >= 0; shift -= 4) {
            line += digits[(value >> shift) & 0xF];
        }
    } else {
        if (type == regBinary) {
            line += "hex:";
        } else {
            line += "hex(";
            std::string number;
            std::uint32_t rest = type;
            do {
                number.insert(number.begin(), digits[rest & 0xF]);
                rest >>= 4;
            } while (rest != 0);
            line += number + "):";
        }
        std::size_t column = line.size();
        for (std::size_t i = 0; i < data.size(); ++i) {
            if (i > 0) {
                if (column + 3 > wrapColumn) {
                    line += ",\\";
                    line += lineEnd;
                    line += "  ";
                    column = 2;
                } else {
                    line += ',';
                    ++column;
                }
            }
            line += digits[data[i] >> 4];
            line += digits[data[i] & 0xF];
            column += 2;
        }
    }
    line += lineEnd;
    return line;
}

std::optional<std::pair<std::uint32_t, std::vector<std::uint8_t>>>
findValue(std::string_view fileBytes, std::string_view fullKeyPath, std::string_view valueName) {
    std::vector<Entry> entries = parse(fileBytes);
    auto index = lastValueLine(entries, fullKeyPath, valueName);
    if (!index) {
        return std::nullopt;
    }
    const Entry& e = entries[*index];
    if (e.truncated) {
        return std::nullopt;
    }
    return parseData(e.data);
}

} // namespace vesperon::platform::regedit_text
