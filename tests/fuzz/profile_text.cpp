// The initialisation-file reader and writer: section, key and value as a program passes
// them, then the file's bytes ("section\x01key\x01value\x01file").
#include "platform/profile_text.h"

#include "fields.h"

#include <algorithm>
#include <cstdlib>

namespace {

constexpr std::string_view blanks = "\t\n\v\f\r\x1a ";

std::string_view trimmed(std::string_view s) {
    s.remove_prefix(std::min(s.find_first_not_of(blanks), s.size()));
    return s.substr(0, s.find_last_not_of(blanks) + 1);
}

std::string_view cutAtNul(std::string_view s) {
    return s.substr(0, s.find('\0'));
}

bool hasLineBreak(std::string_view s) {
    return s.find_first_of("\r\n") != std::string_view::npos;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace vesperon::platform::profile_text;
    const auto fields = vesperon::fuzz::fieldsOf(data, size, 4);
    const std::string_view section = fields[0], key = fields[1], value = fields[2];
    const std::string_view file = fields[3];

    findValue(file, section, key);
    for (std::size_t bufferSize : {std::size_t{0}, std::size_t{1}, std::size_t{2}, value.size(),
                                   value.size() + 1, std::size_t{255}}) {
        if (bufferSize > 0 && copyToBuffer(value, bufferSize).size() >= bufferSize) {
            std::abort();
        }
    }

    // Names and values that a line can hold read back as written, blanks around them dropped,
    // and writing what was stored again changes nothing.
    const std::string written = setValue(file, section, key, value);
    const std::string_view name = trimmed(cutAtNul(key));
    const bool plain = !hasLineBreak(cutAtNul(section)) && !hasLineBreak(cutAtNul(key)) &&
                       !hasLineBreak(cutAtNul(value)) && name.find('=') == std::string_view::npos &&
                       (name.empty() || name.front() != '[') &&
                       !name.starts_with("\xEF\xBB\xBF"); // as a file's first line: its mark
    const std::string_view stored = trimmed(cutAtNul(value));
    if (plain && (findRawValue(written, section, key) != stored ||
                  setValue(written, section, key, stored) != written)) {
        std::abort();
    }
    return 0;
}
