#include "config/check_list_editor.h"

#include "base/app_identity.h"
#include "base/resume_next.h"
#include "base/text.h"
#include "config/app_folder.h"
#include "config/check_list_file.h"
#include "config/check_list_reader.h"
#include "fso/cls_fso.h"

#include <algorithm>
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
    if (add) {
        const std::string path = checkListPath(p_);
        CheckListReader reader(p_.files, p_.system, path);
        std::vector<std::string> lines;
        ListLine line;
        while (reader.next(line)) {
            if (line.text == chosen) {
                p_.windowing.messageBox("The selected file already exists in the Config File.",
                                        platform::msgbox::okOnly, applicationTitle);
                return;
            }
            lines.push_back(std::move(line.text));
        }
        // A list that cannot be read whole cannot be searched for the path: add nothing to it.
        if (reader.status() != CheckListReader::Status::Unreadable && !reader.failed()) {
            resumeNext([&] { appendEntry(reader, lines, chosen); });
        }
    }
    AddDLG.FileName.clear();
    LoadCheckList();
}

void form4::appendEntry(const CheckListReader& list, const std::vector<std::string>& lines,
                        const std::string& entry) {
    const std::string path = checkListPath(p_);
    ListEncoding encoding = list.encoding();
    std::optional<std::string> bytes = encodeForList(p_.system, encoding, entry);
    if (!bytes && list.asciiOnly()) {
        // Plain ASCII reads the same as UTF-8: the list simply becomes UTF-8.
        encoding = ListEncoding::Utf8;
        bytes = entry;
    }
    if (!bytes) {
        // The list's code page cannot hold the name: the whole list moves to UTF-8, never a
        // list in two encodings.
        std::string whole(byteOrderMark(ListEncoding::Utf8WithMark));
        for (const auto& kept : lines) {
            whole += kept + text::crlf;
        }
        p_.files.replaceFile(path, whole + entry + text::crlf);
        return;
    }
    // A list saved without a line end after its last line (Notepad does that) must not get
    // the new entry glued onto that line.
    const std::string lineEnd = *encodeForList(p_.system, encoding, text::crlf);
    std::string appended = list.empty() || list.endsWithLineEnd() ? "" : lineEnd;
    if (list.status() == CheckListReader::Status::Absent || (list.empty() && lines.empty())) {
        appended = std::string(byteOrderMark(encoding));
    }
    p_.files.writeText(path, appended + *bytes + lineEnd, false);
}

void form4::RemoveFile_Click() {
    const int selected = List(list).listIndex;
    if (selected >= 0) {
        ListRemoveItem(list, selected);
    }
    // The old list stays whole until the new one is complete, in the encoding it was in.
    resumeNext([&] {
        const std::string path = checkListPath(p_);
        ListEncoding encoding = CheckListReader(p_.files, p_.system, path).encoding();
        const std::string text = checkListWithEntries(List(list).items);
        std::optional<std::string> bytes = encodeForList(p_.system, encoding, text);
        if (!bytes) {
            encoding = ListEncoding::Utf8WithMark;
            bytes = text;
        }
        p_.files.replaceFile(path, std::string(byteOrderMark(encoding)) + *bytes);
    });
}

void form4::Close_Click() {
    Unload();
}

} // namespace vesperon
