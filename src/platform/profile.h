#pragma once

#include <cstddef>
#include <string>

namespace vesperon::platform {

// Initialisation-file access with the semantics of the Windows profile functions.
class Profile {
public:
    virtual ~Profile() = default;
    // The value (or the default) as a buffer of bufferSize characters would hold it:
    // at most bufferSize - 1 characters.
    virtual std::string getString(const std::string& section, const std::string& key,
                                  const std::string& defaultValue, std::size_t bufferSize,
                                  const std::string& file) = 0;
    virtual bool writeString(const std::string& section, const std::string& key,
                             const std::string& value, const std::string& file) = 0;
};

} // namespace vesperon::platform
