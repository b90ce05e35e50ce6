#include "eventlog/registry_routines.h"

#include "base/text.h"
#include "platform/windows_error.h"

#include <charconv>
#include <cmath>
#include <optional>
#include <vector>

namespace vesperon {

namespace {

constexpr std::uint32_t regSz = 1;
constexpr std::uint32_t regBinary = 3;
constexpr std::uint32_t regDword = 4;

std::string asText(const RegistryData& value) {
    if (const auto* s = std::get_if<std::string>(&value)) {
        return *s;
    }
    if (const auto* b = std::get_if<bool>(&value)) {
        return *b ? "True" : "False";
    }
    return std::to_string(std::get<std::int32_t>(value));
}

// Whole numbers and numeric text round to a 16-bit integer; anything else cannot be stored.
std::optional<std::int16_t> asInteger16(const RegistryData& value) {
    long long number = 0;
    if (const auto* b = std::get_if<bool>(&value)) {
        number = *b ? -1 : 0;
    } else if (const auto* i = std::get_if<std::int32_t>(&value)) {
        number = *i;
    } else {
        const std::string s = text::trimBlanks(std::get<std::string>(value));
        const char* first = s.data();
        if (!s.empty() && s[0] == '+') {
            ++first;
        }
        auto [end, error] = std::from_chars(first, s.data() + s.size(), number);
        if (s.empty() || error != std::errc() || end != s.data() + s.size()) {
            return std::nullopt;
        }
    }
    if (number < -32768 || number > 32767) {
        return std::nullopt;
    }
    return static_cast<std::int16_t>(number);
}

std::optional<bool> asTruth(const RegistryData& value) {
    if (const auto* b = std::get_if<bool>(&value)) {
        return *b;
    }
    if (const auto* i = std::get_if<std::int32_t>(&value)) {
        return *i != 0;
    }
    const std::string s = text::upperAscii(text::trimBlanks(std::get<std::string>(value)));
    if (s == "TRUE") {
        return true;
    }
    if (s == "FALSE") {
        return false;
    }
    if (auto number = asInteger16(value)) {
        return *number != 0;
    }
    return std::nullopt;
}

struct Encoded {
    std::uint32_t type = 0;
    std::vector<std::uint8_t> data;
};

// nullopt: a letter that writes nothing; an empty type: a value that cannot be converted.
std::optional<Encoded> encode(const std::string& letter, const RegistryData& value) {
    if (letter == "S") {
        const std::string s = asText(value);
        Encoded e{regSz, std::vector<std::uint8_t>(s.begin(), s.end())};
        e.data.push_back(0);
        return e;
    }
    if (letter == "B") {
        auto truth = asTruth(value);
        if (!truth) {
            return Encoded{};
        }
        const std::uint8_t byte = *truth ? 0xFF : 0x00;
        return Encoded{regBinary, {byte, byte}};
    }
    if (letter == "D") {
        auto number = asInteger16(value);
        if (!number) {
            return Encoded{};
        }
        const auto word = static_cast<std::uint32_t>(static_cast<std::int32_t>(*number));
        return Encoded{regDword,
                       {static_cast<std::uint8_t>(word), static_cast<std::uint8_t>(word >> 8),
                        static_cast<std::uint8_t>(word >> 16),
                        static_cast<std::uint8_t>(word >> 24)}};
    }
    return std::nullopt;
}

} // namespace

std::uint32_t GetHiveKey(platform::Files& files, const std::string& hiveText) {
    const std::string upper = text::upperAscii(hiveText);
    const std::pair<const char*, std::uint32_t> hives[] = {
        {"HKCU", hive_key::currentUser},   {"HKLM", hive_key::localMachine},
        {"HKU", hive_key::users},          {"HKDD", hive_key::dynData},
        {"HKCC", hive_key::currentConfig}, {"HKCR", hive_key::classesRoot}};
    for (const auto& [name, key] : hives) {
        if (upper == name) {
            return key;
        }
    }
    try {
        return !hiveText.empty() && files.normalFilePresent(hiveText) ? hive_key::iniFile
                                                                      : hive_key::none;
    } catch (...) {
        return hive_key::none;
    }
}

std::int32_t WriteRegValue(RegistryFacilities facilities, const std::string& hiveText,
                           const std::string& keyPath, const std::string& valueName,
                           const std::string& typeLetter, const RegistryData& value) {
    const std::uint32_t root = GetHiveKey(facilities.files, hiveText);
    if (root == hive_key::none) {
        return registry_status::notRecognised;
    }
    const std::string letter = text::upperAscii(typeLetter);
    if (root == hive_key::iniFile) {
        if (letter != "S") {
            return registry_status::notRecognised;
        }
        // The initialisation-file form: the key path names the section, the value its key.
        // NOLINTNEXTLINE(readability-suspicious-call-argument)
        facilities.profile.writeString(keyPath, valueName, asText(value), hiveText);
        return registry_status::success;
    }
    auto encoded = encode(letter, value);
    // A value that its letter cannot hold is refused before the registry is touched.
    if (encoded && encoded->type == 0) {
        return platform::windows_error::invalid_data;
    }
    platform::RegistryHandle handle = 0;
    const long created = facilities.registry.createKey(root, keyPath, handle);
    if (created != 0) {
        return static_cast<std::int32_t>(created);
    }
    long written = 0;
    if (encoded) {
        written = facilities.registry.setValue(handle, valueName, encoded->type, encoded->data);
    }
    const long closed = facilities.registry.closeKey(handle);
    return static_cast<std::int32_t>(written != 0 ? written : closed);
}

} // namespace vesperon
