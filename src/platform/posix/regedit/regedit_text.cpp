#include "platform/posix/regedit/regedit_text.h"

#include "base/text.h"
#include "platform/posix/regedit/regedit_text_lines.h"

#include <cstddef>

namespace vesperon::platform::regedit_text {

using namespace lines;

namespace {

constexpr std::string_view lineEnd = "\r\n";
// Hex lines are continued before they grow past this, as regedit does.
constexpr std::size_t wrapColumn = 76;

constexpr std::uint32_t regSz = 1;
constexpr std::uint32_t regBinary = 3;
constexpr std::uint32_t regDword = 4;

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

} // namespace vesperon::platform::regedit_text
