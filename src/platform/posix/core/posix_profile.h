#pragma once

#include "platform/profile.h"

namespace vesperon::platform::posix {

// Initialisation files on a Linux file system, read and written like Wine's
// GetPrivateProfileStringA / WritePrivateProfileStringA do. A write replaces the file in
// one step and leaves it alone when nothing changes; it never writes through a link.
class PosixProfile final : public vesperon::platform::Profile {
public:
    std::string getString(const std::string& section, const std::string& key,
                          const std::string& defaultValue, std::size_t bufferSize,
                          const std::string& file) override;
    ProfileWrite writeString(const std::string& section, const std::string& key,
                             const std::string& value, const std::string& file) override;
    void createWith(const std::string& file, const std::vector<Value>& values) override;
    std::optional<std::string> whyUnreadable(const std::string& file) override;
};

} // namespace vesperon::platform::posix
