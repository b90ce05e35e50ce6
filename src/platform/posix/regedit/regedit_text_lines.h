#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// How the REGEDIT4 text is read back into its sections and values, for the writer that keeps
// every byte it does not change.
namespace vesperon::platform::regedit_text::lines {

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

// The sections and values of a file, in order; other lines are passed over.
std::vector<Entry> parse(std::string_view s);
bool isKeySection(const Entry& e, std::string_view keyPath);
// Index of the last line of that value within the key's sections.
std::optional<std::size_t> lastValueLine(const std::vector<Entry>& entries,
                                         std::string_view keyPath, std::string_view valueName);

bool startsWithNoCase(std::string_view s, std::string_view prefix);
std::string_view trim(std::string_view s);
// The value of a hex digit, -1 for any other character.
int hexDigit(char c);
// Reads a quoted string at the start of s; the rest of s after the closing quote goes
// to rest. Nothing for an unterminated string.
std::optional<std::string> unquote(std::string_view s, std::string_view& rest);

} // namespace vesperon::platform::regedit_text::lines
