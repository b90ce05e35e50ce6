#pragma once

#include "app/run_outcome.h"
#include "app/shutdown_request.h"
#include "auxiliary/process_list_window.h"
#include "auxiliary/start_config_prompt.h"
#include "check/check_session.h"
#include "check/results_window.h"
#include "config/check_list_editor.h"
#include "config/settings_file.h"
#include "forms/form.h"
#include "fso/cls_fso.h"
#include "platform/platform.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>

namespace vesperon {

// The configuration window, and the start-up window: its load handler carries the run modes.
// The check itself is the check session's; the procedures below are its entry points, and the
// window owns the program's other windows.
class Form1 final : public Form {
public:
    Form1(platform::Platform& platform, Forms& forms);
    ~Form1() override;
    static platform::FormLayout layout();

    void CheckAllFiles(const bool& bShowList);
    bool CheckFile(std::string& sFile);
    std::int16_t isFileInUse(const std::string& path);
    void EnsureConfig();
    void EnsureSettings();

    void ForceCheck_Click();
    void WriteEventCheck_Click();
    void ConfigEdit_Click();
    void ConfigTest_Click();
    // Shows the process list window; nothing on the main road calls it.
    void ShowProcessList();
    // Interactive mode where no window can be shown (reason says why): says so on standard
    // error and, for an argument text that a scheduler passed, in a warning entry when
    // logging is on, so that a task that meant a run is seen to have done nothing.
    void reportNoWindow(const std::string& reason);

    // The window's file-system object, created on first use.
    clsFSO& fso();
    Form2& results() { return form2_; }
    form4& editor() { return form4_; }
    Form3& startPrompt() { return form3_; }
    Form5& processList() { return form5_; }

    bool bFileInUse = false;
    std::string sCheckMsg;
    // Set by a run mode, or when the program cannot work at all (no folder for its files);
    // interactive mode leaves it empty.
    std::optional<RunOutcome> runOutcome;

protected:
    void Form_Load() override;
    void Form_Unload(std::int16_t& cancel) override;
    void Click(const std::string& control) override;

private:
    void runMode(ShutdownKind kind);
    void saveSwitch(const char* checkBox, const SettingsSwitch& which);
    // The window's check boxes and the switches they show.
    static constexpr std::pair<const char*, SettingsSwitch> switches[] = {
        {"WriteEventCheck", settings::writeToNTEventLog},
        {"ForceCheck", settings::forceAppsToClose},
    };

    platform::Platform& p_;
    std::unique_ptr<clsFSO> fso_;
    CheckSession session_;
    CheckOutcome lastCheck_; // of the last CheckAllFiles
    Form2 form2_;
    form4 form4_;
    Form3 form3_;
    Form5 form5_;
};

} // namespace vesperon
