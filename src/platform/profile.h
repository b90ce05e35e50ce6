#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace vesperon::platform {

struct ProfileWrite {
    bool written = false;
    std::string reason; // why not, in the system's words
};

// Initialisation-file access with the semantics of the Windows profile functions.
class Profile {
public:
    virtual ~Profile() = default;
    // The value (or the default) as a buffer of bufferSize characters would hold it:
    // at most bufferSize - 1 characters.
    virtual std::string getString(const std::string& section, const std::string& key,
                                  const std::string& defaultValue, std::size_t bufferSize,
                                  const std::string& file) = 0;
    virtual ProfileWrite writeString(const std::string& section, const std::string& key,
                                     const std::string& value, const std::string& file) = 0;
    struct Value {
        std::string section, key, value;
    };
    // Creates the file with these values, in this order, when nothing is at the path. The
    // profile functions make the file as they write its first value (so does this default);
    // a backend of its own makes it whole at once, never through a link planted meanwhile.
    virtual void createWith(const std::string& file, const std::vector<Value>& values) {
        for (const Value& v : values) {
            writeString(v.section, v.key, v.value, file);
        }
    }
    // Why a file that is there cannot be read (no permission, a folder, a pipe); nothing
    // when it can be read, or when nothing is there at all.
    virtual std::optional<std::string> whyUnreadable(const std::string& file) = 0;
};

} // namespace vesperon::platform
