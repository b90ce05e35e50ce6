#pragma once

#include "check/results_window.h"
#include "fso/cls_fso.h"
#include "platform/platform.h"

#include <cstdint>
#include <memory>
#include <string>

namespace vesperon {

// The start-up window: carries the run modes and owns the state of a check run.
class Form1 {
public:
    explicit Form1(platform::Platform& platform);
    ~Form1();

    // The entry into the program's own logic.
    void Form_Load();
    void Form_Unload(std::int16_t& cancel);
    void Unload();

    void CheckAllFiles(const bool& bShowList);
    bool CheckFile(std::string& sFile);
    std::int16_t isFileInUse(std::string path);
    void EnsureConfig();
    void EnsureSettings();

    // The window's file-system object, created on first use.
    clsFSO& fso();
    // Where "Test Now" lists the files in use; none in a run mode.
    void setResultsWindow(ResultsWindow* window) { resultsWindow_ = window; }

    bool bFileInUse = false;
    std::string sCheckMsg;
    std::string Caption;
    int WriteEventCheck = 0; // check-box values: 1 ticked, 0 clear
    int ForceCheck = 0;
    bool Visible = false;
    bool isLoaded() const { return loaded_; }

private:
    void runMode(int kind);

    platform::Platform& p_;
    std::unique_ptr<clsFSO> fso_;
    ResultsWindow* resultsWindow_ = nullptr;
    bool loaded_ = true;
};

} // namespace vesperon
