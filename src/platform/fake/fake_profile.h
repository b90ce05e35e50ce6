#pragma once

#include "platform/fake/fake_disk.h"
#include "platform/profile.h"

#include <cstddef>
#include <optional>
#include <string>

namespace vesperon::fake {

// The profile functions' semantics over the fake disk.
class FakeProfile final : public platform::Profile {
public:
    explicit FakeProfile(FakeDisk& disk) : disk_(disk) {}
    std::string getString(const std::string& section, const std::string& key,
                          const std::string& defaultValue, std::size_t bufferSize,
                          const std::string& file) override;
    platform::ProfileWrite writeString(const std::string& section, const std::string& key,
                                       const std::string& value, const std::string& file) override;
    std::optional<std::string> whyUnreadable(const std::string& file) override;
    int reads = 0;
    int writes = 0;

private:
    FakeDisk& disk_;
};

} // namespace vesperon::fake
