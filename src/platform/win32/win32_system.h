#pragma once

#include "platform/system.h"

#include <string>

namespace vesperon::platform::win32 {

class Win32System final : public System {
public:
    std::string executablePath() override;
    std::string argumentText() override;
    std::int64_t localTimeWholeSeconds() override;
    void sleepMilliseconds(int milliseconds) override;
    std::optional<std::string> legacyToUtf8(std::string_view bytes) override;
    std::optional<std::string> utf8ToLegacy(std::string_view text) override;
    // A GUI program has a standard error handle only when its starter gave it one.
    void writeStandardError(const std::string& line) override;
};

// The system's text for an error code, such as "Access is denied. (error 5)".
std::string systemErrorText(unsigned long code);

} // namespace vesperon::platform::win32
