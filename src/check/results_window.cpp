#include "check/results_window.h"

#include "app/app_identity.h"

namespace vesperon {

Form2::Form2(Forms& forms) : Form(forms, layout()) {}

platform::FormSpec Form2::layout() {
    using platform::ControlKind;
    platform::FormSpec spec;
    spec.name = "Form2";
    spec.caption = applicationTitle;
    spec.clientWidth = 434;
    spec.clientHeight = 238;
    spec.style = platform::FormStyle::FixedToolWindow;
    spec.controls = {
        {"List1", ControlKind::ListBox, "", 8, 24, 417, 186, 0, "",
         platform::ControlSpec::defaultColor},
        {"Label1", ControlKind::Label, "The Following Files are IN USE:", 16, 8, 169, 17, 1, "",
         platform::ControlSpec::defaultColor},
        {"Label2", ControlKind::Label, "This system would NOT shutdown or restart.", 16, 216, 225,
         17, 2, "", platform::ControlSpec::defaultColor},
    };
    spec.initialFocus = "List1";
    return spec;
}

} // namespace vesperon
