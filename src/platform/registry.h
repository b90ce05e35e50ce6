#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vesperon::platform {

using RegistryHandle = std::uintptr_t;

// Registry operations; each returns 0 or a Windows error code.
class Registry {
public:
    virtual ~Registry() = default;
    virtual long createKey(std::uint32_t root, const std::string& path, RegistryHandle& handle) = 0;
    virtual long setValue(RegistryHandle handle, const std::string& name, std::uint32_t type,
                          const std::vector<std::uint8_t>& data) = 0;
    virtual long closeKey(RegistryHandle handle) = 0;
};

} // namespace vesperon::platform
