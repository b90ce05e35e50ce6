#include "support/regedit_values.h"

#include "platform/posix/regedit/regedit_text_lines.h"

namespace vesperon::test {

using namespace platform::regedit_text::lines;

namespace {

constexpr std::uint32_t regSz = 1;
constexpr std::uint32_t regBinary = 3;
constexpr std::uint32_t regDword = 4;

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

} // namespace

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

} // namespace vesperon::test
