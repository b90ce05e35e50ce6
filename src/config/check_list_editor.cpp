#include "config/check_list_editor.h"

#include "app/app_folder.h"
#include "app/app_identity.h"
#include "app/form1.h"
#include "app/resume_next.h"
#include "config/check_list_file.h"

#include <algorithm>

namespace vesperon {

namespace {
constexpr const char* list = "List1";
}

form4::form4(Forms& forms, platform::Platform& platform, Form1& owner)
    : Form(forms, layout()), p_(platform), owner_(owner) {}

platform::FormLayout form4::layout() {
    using platform::ControlKind;
    constexpr auto plain = platform::ControlLayout::defaultColor;
    platform::FormLayout design;
    design.name = "form4";
    design.caption = "Configuration:  In-Use File Check List";
    design.clientWidth = 442;
    design.clientHeight = 246;
    design.controls = {
        {"List1", ControlKind::ListBox, "", 8, 8, 425, 186, 0, "", plain},
        {"RemoveFile", ControlKind::Button, "Remove File", 160, 208, 105, 25, 1, "", plain},
        {"AddBrowse", ControlKind::Button, "Add File", 32, 208, 97, 25, 2, "", plain},
        {"Close", ControlKind::Button, "Close", 304, 208, 105, 25, 3, "", plain},
    };
    design.initialFocus = "List1";
    return design;
}

void form4::Form_Load() {
    LoadCheckList();
}

void form4::Click(const std::string& control) {
    if (control == "AddBrowse") {
        AddBrowse_Click();
    } else if (control == "RemoveFile") {
        RemoveFile_Click();
    } else if (control == "Close") {
        Close_Click();
    }
}

void form4::LoadCheckList() {
    ListClear(list);
    resumeNext([&] {
        const auto file = p_.files.readWhole(checkListPath(p_));
        if (file.status == platform::FileRead::Status::Read) {
            for (const auto& entry : checkListEntries(file.bytes)) {
                ListAddItem(list, entry);
            }
        }
    });
}

void form4::AddBrowse_Click() {
    resumeNext([&] {
        AddDLG.DialogTitle = "Select a File:";
        AddDLG.Filter = "*.*";
        AddDLG.ShowOpen(p_.windowing);
    });
    const std::string chosen = AddDLG.FileName;
    bool add = !chosen.empty();
    if (add) {
        bool exists = false;
        resumeNext([&] { exists = owner_.fso().File_Exist(chosen); });
        if (!exists) {
            p_.windowing.messageBox("Your chosen file does not exist!", platform::msgbox::okOnly,
                                    applicationTitle);
            add = false;
        }
    }
    if (add) {
        const auto file = p_.files.readWhole(checkListPath(p_));
        const auto lines = textLines(file.bytes);
        if (std::find(lines.begin(), lines.end(), chosen) != lines.end()) {
            p_.windowing.messageBox("The selected file already exists in the Config File.",
                                    platform::msgbox::okOnly, applicationTitle);
            return;
        }
        // A list that cannot be read cannot be searched for the path: add nothing to it.
        if (file.status != platform::FileRead::Status::Unreadable) {
            resumeNext([&] { WriteTextFile(p_.files, checkListPath(p_), chosen, false); });
        }
    }
    AddDLG.FileName.clear();
    LoadCheckList();
}

void form4::RemoveFile_Click() {
    const int selected = List(list).listIndex;
    if (selected >= 0) {
        ListRemoveItem(list, selected);
    }
    // The old list stays whole until the new one is complete.
    resumeNext(
        [&] { p_.files.replaceFile(checkListPath(p_), checkListWithEntries(List(list).items)); });
}

void form4::Close_Click() {
    Unload();
}

} // namespace vesperon
