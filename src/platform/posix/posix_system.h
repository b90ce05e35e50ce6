#pragma once

#include "platform/system.h"

#include <string>

namespace vesperon::platform::posix {

class PosixSystem final : public System {
public:
    PosixSystem(int argc, char** argv);
    // Found once, at start; empty when no absolute path can be found.
    std::string executablePath() override { return executable_; }
    // The arguments joined by single blanks, as a command line would read.
    std::string argumentText() override { return arguments_; }
    std::string configurationFolder() override;
    std::string stateFolder() override;
    std::int64_t localTimeWholeSeconds() override;
    void sleepMilliseconds(int milliseconds) override;
    // File names are bytes here: the system's own code page is whatever they hold.
    std::optional<std::string> legacyToUtf8(std::string_view bytes) override {
        return std::string(bytes);
    }
    std::optional<std::string> utf8ToLegacy(std::string_view text) override {
        return std::string(text);
    }

private:
    std::string executable_;
    std::string arguments_;
};

} // namespace vesperon::platform::posix
