#pragma once

#include "config/check_list_reader.h"
#include "config/open_file_dialog.h"
#include "forms/form.h"
#include "platform/platform.h"

#include <functional>
#include <string>
#include <vector>

namespace vesperon {

class clsFSO;

// The check-list editor: lists the entries, adds a chosen file, removes the selected entry.
// Every change is written to the check list at once. fso hands over the file-system object
// of the configuration window, made on first use.
class form4 final : public Form {
public:
    form4(Forms& forms, platform::Platform& platform, std::function<clsFSO&()> fso);
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
    // Appends the entry to the list in the list's own encoding; false when it was not written.
    bool appendEntry(const CheckListReader& list, const std::string& entry);
    // A message box with OK only, titled with the application title.
    void say(const std::string& message);

    platform::Platform& p_;
    std::function<clsFSO&()> fso_;
};

} // namespace vesperon
