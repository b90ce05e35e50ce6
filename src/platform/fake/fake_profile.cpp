#include "platform/fake/fake_profile.h"

#include "platform/profile_text.h"

#include <new>

namespace vesperon::fake {

std::string FakeProfile::getString(const std::string& section, const std::string& key,
                                   const std::string& defaultValue, std::size_t bufferSize,
                                   const std::string& file) {
    ++reads;
    if (disk_.hasFile(file) && !disk_.unreadable.contains(disk_.keyOf(file))) {
        if (auto raw = platform::profile_text::findRawValue(disk_.bytesOf(file), section, key)) {
            return platform::profile_text::copyToBuffer(*raw, bufferSize);
        }
    }
    if (bufferSize == 0) {
        return {};
    }
    return defaultValue.substr(0, bufferSize - 1);
}

platform::ProfileWrite FakeProfile::writeString(const std::string& section, const std::string& key,
                                                const std::string& value, const std::string& file) {
    ++writes;
    const std::string k = disk_.keyOf(file);
    if (disk_.readOnly.contains(k) || disk_.readOnly.contains(disk_.parentOf(k)) ||
        disk_.unreadable.contains(k)) {
        return {false, "Access is denied. (error 5)"};
    }
    disk_.files[k] = platform::profile_text::setValue(disk_.bytesOf(file), section, key, value);
    return {true, ""};
}

std::optional<std::string> FakeProfile::whyUnreadable(const std::string& file) {
    if (disk_.hasFile(file) && disk_.unreadable.contains(disk_.keyOf(file))) {
        return "Access is denied. (error 5)";
    }
    return std::nullopt;
}

} // namespace vesperon::fake
