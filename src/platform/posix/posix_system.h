#pragma once

#include "platform/system.h"

#include <string>

namespace vesperon::platform::posix {

class PosixSystem final : public System {
public:
    PosixSystem(int argc, char** argv);
    std::string executablePath() override;
    // The arguments joined by single blanks, as a command line would read.
    std::string argumentText() override { return arguments_; }
    std::int64_t localTimeWholeSeconds() override;
    void sleepMilliseconds(int milliseconds) override;

private:
    std::string arguments_;
};

} // namespace vesperon::platform::posix
