#pragma once

#include "platform/files.h"
#include "platform/profile.h"
#include "platform/registry.h"

#include <cstdint>
#include <string>
#include <variant>

namespace vesperon {

// A value of any of the kinds the callers pass; converted as the type letter says.
using RegistryData = std::variant<std::string, std::int32_t, bool>;

namespace registry_status {
inline constexpr std::int32_t success = 0;
inline constexpr std::int32_t notRecognised = 99;
} // namespace registry_status

namespace hive_key {
inline constexpr std::uint32_t none = 0;
inline constexpr std::uint32_t iniFile = 1;
inline constexpr std::uint32_t classesRoot = 0x80000000;
inline constexpr std::uint32_t currentUser = 0x80000001;
inline constexpr std::uint32_t localMachine = 0x80000002;
inline constexpr std::uint32_t users = 0x80000003;
inline constexpr std::uint32_t currentConfig = 0x80000005;
inline constexpr std::uint32_t dynData = 0x80000006;
} // namespace hive_key

// The predefined root key for "HKCU", "HKLM", ... (any case); 1 when the text names an
// existing file (the initialisation-file form); 0 otherwise.
std::uint32_t GetHiveKey(platform::Files& files, const std::string& hiveText);

struct RegistryFacilities {
    platform::Registry& registry;
    platform::Profile& profile;
    platform::Files& files;
};

// 0 on success, 99 when the hive text or the letter is not recognised, else a Windows error code.
std::int32_t WriteRegValue(RegistryFacilities facilities, const std::string& hiveText,
                           const std::string& keyPath, const std::string& valueName,
                           const std::string& typeLetter, const RegistryData& value);

} // namespace vesperon
