#include "auxiliary/start_config_prompt.h"

#include "auxiliary/pause.h"

namespace vesperon {

std::string countdownText(int seconds) {
    return "Cancel in " + std::to_string(seconds) + " seconds";
}

Form3::Form3(Forms& forms, platform::Platform& platform, Form& configurationWindow)
    : Form(forms, layout()), p_(platform), configurationWindow_(configurationWindow) {}

platform::FormLayout Form3::layout() {
    using platform::ControlKind;
    constexpr auto plain = platform::ControlLayout::defaultColor;
    platform::FormLayout design;
    design.name = "Form3";
    design.caption = "Form3";
    design.unit = platform::FormUnit::Twips;
    design.clientWidth = 4215;
    design.clientHeight = 1305;
    design.centredOnOwner = true;
    design.controls = {
        {"Label1", ControlKind::Label, "Click to start Vesperon configuration.", 0, 120, 4215, 255,
         0, "", plain, true},
        {"Command1", ControlKind::Button, "Start Config", 120, 480, 3975, 495, 1, "", plain},
        {"Label2", ControlKind::Label, "", 0, 1080, 4215, 255, 2, "", plain, true},
    };
    design.initialFocus = "Command1";
    return design;
}

void Form3::Form_Load() {
    if (!ConfigRequested) {
        RunCountdown();
    }
}

void Form3::RunCountdown() {
    StepCount = 12;
    Text("Label2", countdownText(StepCount));
    Show();
    StepIndex = 0;
    const double step = 0.5;
    while (StepIndex != StepCount + 1) {
        Pause(p_.system, p_.windowing, step);
        Text("Label2", countdownText(StepCount - StepIndex));
        ++StepIndex;
    }
    Unload();
}

void Form3::Command1_Click() {
    ConfigRequested = true;
    StepIndex = StepCount;
    Unload();
}

void Form3::Click(const std::string& control) {
    if (control == "Command1") {
        Command1_Click();
    }
}

void Form3::Form_Unload(std::int16_t& /*cancel*/) {
    configurationWindow_.Show();
}

} // namespace vesperon
