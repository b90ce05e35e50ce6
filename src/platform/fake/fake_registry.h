#pragma once

#include "platform/registry.h"

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace vesperon::fake {

struct RegistryValue {
    std::uint32_t type = 0;
    std::vector<std::uint8_t> data;
    bool operator==(const RegistryValue&) const = default;
};

class FakeRegistry final : public platform::Registry {
public:
    long createKey(std::uint32_t root, const std::string& path,
                   platform::RegistryHandle& handle) override;
    long setValue(platform::RegistryHandle handle, const std::string& name, std::uint32_t type,
                  const std::vector<std::uint8_t>& data) override;
    long closeKey(platform::RegistryHandle handle) override;

    // (root, key path) -> value name -> value
    std::map<std::pair<std::uint32_t, std::string>, std::map<std::string, RegistryValue>> keys;
    long createKeyError = 0;
    std::map<std::string, long> setValueErrors; // by value name
    std::vector<std::string> calls;             // "create", "set <name>", "close"

private:
    std::map<platform::RegistryHandle, std::pair<std::uint32_t, std::string>> open_;
    platform::RegistryHandle next_ = 1;
};

} // namespace vesperon::fake
