// The configuration window's controls, what a click on each does, and the windows it opens.
#include "app/form1.h"
#include "base/resume_next.h"

namespace vesperon {

platform::FormLayout Form1::layout() {
    using platform::ControlKind;
    constexpr auto plain = platform::ControlLayout::defaultColor;
    constexpr std::uint32_t pureBlue = 0x0000FF;
    platform::FormLayout design;
    design.name = "Form1";
    design.clientWidth = 288;
    design.clientHeight = 136;
    design.controls = {
        {"Frame1", ControlKind::Frame, "Configuration File:", 8, 8, 185, 65, 0, "", pureBlue},
        {"ConfigEdit", ControlKind::Button, "View/Edit", 16, 24, 153, 25, 1, "Frame1", plain},
        {"WriteEventCheck", ControlKind::CheckBox, "Write Events to Application Log", 16, 104, 185,
         17, 2, "", plain},
        {"ForceCheck", ControlKind::CheckBox, "Force Applications to Close", 16, 80, 161, 17, 3, "",
         plain},
        {"ConfigTest", ControlKind::Button, "Test Now", 208, 32, 65, 25, 4, "", plain},
    };
    design.initialFocus = "ConfigEdit";
    return design;
}

void Form1::Click(const std::string& control) {
    if (control == "ForceCheck") {
        ForceCheck_Click();
    } else if (control == "WriteEventCheck") {
        WriteEventCheck_Click();
    } else if (control == "ConfigEdit") {
        ConfigEdit_Click();
    } else if (control == "ConfigTest") {
        ConfigTest_Click();
    }
}

void Form1::ShowProcessList() {
    form5_.Show();
}

void Form1::ConfigEdit_Click() {
    resumeNext([&] { EnsureConfig(); });
    resumeNext([&] { form4_.Show(); });
}

} // namespace vesperon
