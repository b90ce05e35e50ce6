#include "check/results_window.h"

#include "base/app_identity.h"

namespace vesperon {

Form2::Form2(Forms& forms) : Form(forms, layout()) {}

platform::FormLayout Form2::layout() {
    using platform::ControlKind;
    platform::FormLayout design;
    design.name = "Form2";
    design.caption = applicationTitle;
    design.clientWidth = 434;
    design.clientHeight = 238;
    design.style = platform::FormStyle::FixedToolWindow;
    design.controls = {
        {"List1", ControlKind::ListBox, "", 8, 24, 417, 186, 0, "",
         platform::ControlLayout::defaultColor},
        {"Label1", ControlKind::Label, "The Following Files are IN USE:", 16, 8, 169, 17, 1, "",
         platform::ControlLayout::defaultColor},
        {"Label2", ControlKind::Label, "This system would NOT shutdown or restart.", 16, 216, 225,
         17, 2, "", platform::ControlLayout::defaultColor},
    };
    design.initialFocus = "List1";
    return design;
}

} // namespace vesperon
