#pragma once

#include "config/check_list_reader.h"
#include "config/open_file_dialog.h"
#include "forms/form.h"
#include "platform/platform.h"

#include <string>
#include <vector>

namespace vesperon {

class Form1;

// The check-list editor: lists the entries, adds a chosen file, removes the selected entry.
// Every change is written to the check list at once.
class form4 final : public Form {
public:
    form4(Forms& forms, platform::Platform& platform, Form1& owner);
    static platform::FormLayout layout();

    void LoadCheckList();
    void AddBrowse_Click();
    void RemoveFile_Click();
    void Close_Click();

    OpenFileDialog AddDLG;

protected:
    void Form_Load() override;
    void Click(const std::string& control) override;

private:
    // Appends the entry to the list in the list's own encoding.
    void appendEntry(const CheckListReader& list, const std::vector<std::string>& lines,
                     const std::string& entry);

    platform::Platform& p_;
    Form1& owner_;
};

} // namespace vesperon
