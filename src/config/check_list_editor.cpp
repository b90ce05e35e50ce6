#include "config/check_list_editor.h"

#include "base/app_identity.h"
#include "base/resume_next.h"
#include "base/text.h"
#include "config/app_folder.h"
#include "config/check_list_file.h"
#include "config/check_list_reader.h"
#include "fso/cls_fso.h"

#include <optional>
#include <utility>

namespace vesperon {

namespace {
constexpr const char* list = "List1";
}

form4::form4(Forms& forms, platform::Platform& platform, std::function<clsFSO&()> fso)
    : Form(forms, layout()), p_(platform), fso_(std::move(fso)) {}

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
        CheckListReader reader(p_.files, p_.system, checkListPath(p_));
        ListLine line;
        while (reader.next(line)) {
            if (isCheckListEntry(line.text)) {
                ListAddItem(list, line.text);
            }
        }
    });
}

void form4::say(const std::string& message) {
    resumeNext(
        [&] { p_.windowing.messageBox(message, platform::msgbox::okOnly, applicationTitle); });
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
        resumeNext([&] { exists = fso_().File_Exist(chosen); });
        if (!exists) {
            p_.windowing.messageBox("Your chosen file does not exist!", platform::msgbox::okOnly,
                                    applicationTitle);
            add = false;
        }
    }
    std::string problem;
    if (add) {
        const std::string path = checkListPath(p_);
        CheckListReader reader(p_.files, p_.system, path);
        ListLine line;
        while (reader.next(line)) {
            if (line.text == chosen) {
                p_.windowing.messageBox("The selected file already exists in the Config File.",
                                        platform::msgbox::okOnly, applicationTitle);
                return;
            }
        }
        // A list that cannot be read whole cannot be searched for the path: add nothing to it.
        if (reader.status() == CheckListReader::Status::Unreadable || reader.failed()) {
            problem = "Could not read the check list " + path + "; nothing was added.";
        } else {
            bool written = false;
            resumeNext([&] { written = appendEntry(reader, chosen); });
            if (!written) {
                problem =
                    "Could not save the check list " + path + ": " + p_.files.lastWriteFailure();
            }
        }
    }
    AddDLG.FileName.clear();
    LoadCheckList();
    if (!problem.empty()) {
        say(problem);
    }
}

bool form4::appendEntry(const CheckListReader& list, const std::string& entry) {
    ListEncoding encoding = list.encoding();
    std::optional<std::string> bytes = encodeForList(p_.system, encoding, entry);
    if (!bytes) {
        // The code page cannot hold the name: that line alone goes in UTF-8, which any line
        // of a list without a byte-order mark may be.
        encoding = ListEncoding::Utf8;
        bytes = entry;
    }
    // A list saved without a line end after its last line (Notepad does that) must not get
    // the new entry glued onto that line.
    const std::string lineEnd = *encodeForList(p_.system, encoding, text::crlf);
    const std::string before = list.empty() || list.endsWithLineEnd() ? "" : lineEnd;
    return p_.files.writeText(checkListPath(p_), before + *bytes + lineEnd, false);
}

void form4::RemoveFile_Click() {
    // The list as it is now, not as it was when the editor showed it: a line that Notepad or
    // a script added meanwhile may name a file that must keep the machine up.
    const std::string path = checkListPath(p_);
    std::vector<std::string> entries;
    ListEncoding encoding = ListEncoding::SystemCodePage;
    bool readable = false;
    resumeNext([&] {
        CheckListReader reader(p_.files, p_.system, path);
        ListLine line;
        while (reader.next(line)) {
            if (isCheckListEntry(line.text)) {
                entries.push_back(std::move(line.text));
            }
        }
        readable = reader.status() != CheckListReader::Status::Unreadable && !reader.failed();
        encoding = reader.encoding();
    });
    if (!readable) {
        LoadCheckList();
        say("Could not read the check list " + path + "; nothing was removed.");
        return;
    }
    if (entries != List(list).items) {
        LoadCheckList();
        say("The check list " + path + " was changed by another program while it was shown " +
            "here. It now shows the list as it is; nothing was removed.");
        return;
    }
    const int selected = List(list).listIndex;
    if (selected >= 0 && static_cast<std::size_t>(selected) < entries.size()) {
        entries.erase(entries.begin() + selected);
    }
    // The old list stays whole until the new one is complete, in the encoding it was in.
    const std::string text = checkListWithEntries(entries);
    std::optional<std::string> bytes = encodeForList(p_.system, encoding, text);
    if (!bytes) {
        encoding = ListEncoding::Utf8WithMark;
        bytes = text;
    }
    bool written = false;
    resumeNext([&] {
        written = p_.files.replaceFile(path, std::string(byteOrderMark(encoding)) + *bytes);
    });
    if (!written) {
        LoadCheckList();
        say("Could not save the check list " + path + ": " + p_.files.lastWriteFailure());
        return;
    }
    if (selected >= 0) {
        ListRemoveItem(list, selected);
    }
}

void form4::Close_Click() {
    Unload();
}

} // namespace vesperon
