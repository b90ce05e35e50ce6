#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace vesperon::fuzz {

// Splits a fuzz input into count fields at the byte 0x01, so that seed inputs stay readable
// ("section\x01key\x01value\x01file bytes"); the last field takes the rest, 0x01 included.
// Missing fields are empty.
inline std::vector<std::string_view> fieldsOf(const std::uint8_t* data, std::size_t size,
                                              std::size_t count) {
    std::string_view rest(reinterpret_cast<const char*>(data), size);
    std::vector<std::string_view> fields;
    while (fields.size() + 1 < count) {
        const auto separator = rest.find('\x01');
        fields.push_back(rest.substr(0, separator));
        rest.remove_prefix(separator == std::string_view::npos ? rest.size() : separator + 1);
    }
    fields.push_back(rest);
    return fields;
}

} // namespace vesperon::fuzz
