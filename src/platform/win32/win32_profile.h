#pragma once

#include "platform/profile.h"

#include <string>

namespace vesperon::platform::win32 {

class Win32Profile final : public Profile {
public:
    std::string getString(const std::string& section, const std::string& key,
                          const std::string& defaultValue, std::size_t bufferSize,
                          const std::string& file) override;
    ProfileWrite writeString(const std::string& section, const std::string& key,
                             const std::string& value, const std::string& file) override;
    std::optional<std::string> whyUnreadable(const std::string& file) override;
};

} // namespace vesperon::platform::win32
