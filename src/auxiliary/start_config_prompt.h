#pragma once

#include "forms/form.h"
#include "platform/platform.h"

#include <cstdint>
#include <string>

namespace vesperon {

// "Cancel in 12 seconds"
std::string countdownText(int seconds);

// The start-configuration prompt: counts down from 12 and then, or on its button, closes and
// opens the configuration window. Nothing on the main road opens it.
class Form3 final : public Form {
public:
    Form3(Forms& forms, platform::Platform& platform, Form& configurationWindow);
    static platform::FormLayout layout();

    void RunCountdown();
    void Command1_Click();

    bool ConfigRequested = false;
    std::int16_t StepCount = 0;
    std::int16_t StepIndex = 0;

protected:
    void Form_Load() override;
    void Form_Unload(std::int16_t& cancel) override;
    void Click(const std::string& control) override;

private:
    platform::Platform& p_;
    Form& configurationWindow_;
};

} // namespace vesperon
