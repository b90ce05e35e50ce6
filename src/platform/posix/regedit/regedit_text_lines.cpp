#include "platform/posix/regedit/regedit_text_lines.h"

#include "base/text.h"

#include <algorithm>

namespace vesperon::platform::regedit_text::lines {

namespace {

constexpr std::string_view byteOrderMark = "\xEF\xBB\xBF";

char lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// A stray CR counts as blank, so a line ending in CR CR LF still reads.
bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r';
}

} // namespace

bool startsWithNoCase(std::string_view s, std::string_view prefix) {
    return s.size() >= prefix.size() &&
           text::equalsIgnoringAsciiCase(s.substr(0, prefix.size()), prefix);
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

namespace {

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

} // namespace

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

} // namespace vesperon::platform::regedit_text::lines
