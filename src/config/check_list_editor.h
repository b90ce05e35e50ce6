#pragma once

#include "app/form.h"
#include "config/open_file_dialog.h"
#include "platform/platform.h"

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
    platform::Platform& p_;
    Form1& owner_;
};

} // namespace vesperon
