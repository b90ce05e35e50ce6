#pragma once

#include "platform/system.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vesperon::fake {

class FakeSystem final : public platform::System {
public:
    std::string executablePath() override { return exePath; }
    std::string argumentText() override { return arguments; }
    std::string configurationFolder() override { return configFolder; }
    std::string stateFolder() override { return stateDir; }
    std::int64_t unixTimeSeconds() override { return unixTime; }
    std::int64_t localTimeWholeSeconds() override { return nowMilliseconds / 1000; }
    void sleepMilliseconds(int milliseconds) override {
        sleeps.push_back(milliseconds);
        nowMilliseconds += milliseconds;
    }
    // A Western code page: bytes 0x80-0xFF stand for U+0080-U+00FF.
    std::optional<std::string> legacyToUtf8(std::string_view bytes) override;
    std::optional<std::string> utf8ToLegacy(std::string_view text) override;
    void writeStandardError(const std::string& line) override { standardError.push_back(line); }
    std::string exePath = "C:\\Tools\\Vesperon.exe";
    std::string arguments;
    std::string configFolder; // empty: the files live beside the executable
    std::string stateDir;
    std::int64_t unixTime = 1'765'000'000;
    std::int64_t nowMilliseconds = 1'000'000'000'000; // a clock that only sleeps move
    std::vector<int> sleeps;
    std::vector<std::string> standardError;
};

} // namespace vesperon::fake
