#pragma once

#include "platform/registry.h"

#include <string>

namespace vesperon::platform::win32 {

class Win32Registry final : public Registry {
public:
    long createKey(std::uint32_t root, const std::string& path, RegistryHandle& handle) override;
    long setValue(RegistryHandle handle, const std::string& name, std::uint32_t type,
                  const std::vector<std::uint8_t>& data) override;
    long closeKey(RegistryHandle handle) override;
};

} // namespace vesperon::platform::win32
