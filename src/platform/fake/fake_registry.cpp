#include "platform/fake/fake_registry.h"

#include "platform/profile_text.h"
#include "platform/windows_error.h"

#include <new>

namespace vesperon::fake {

long FakeRegistry::createKey(std::uint32_t root, const std::string& path,
                             platform::RegistryHandle& handle) {
    calls.push_back("create");
    if (createKeyError != 0) {
        return createKeyError;
    }
    keys[{root, path}];
    handle = next_++;
    open_[handle] = {root, path};
    return 0;
}

long FakeRegistry::setValue(platform::RegistryHandle handle, const std::string& name,
                            std::uint32_t type, const std::vector<std::uint8_t>& data) {
    calls.push_back("set " + name);
    auto it = open_.find(handle);
    if (it == open_.end()) {
        return platform::windows_error::invalid_handle;
    }
    if (auto error = setValueErrors.find(name); error != setValueErrors.end()) {
        return error->second;
    }
    keys[it->second][name] = RegistryValue{type, data};
    return 0;
}

long FakeRegistry::closeKey(platform::RegistryHandle handle) {
    calls.push_back("close");
    return open_.erase(handle) > 0 ? 0 : platform::windows_error::invalid_handle;
}

} // namespace vesperon::fake
