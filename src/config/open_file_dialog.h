#pragma once

#include "platform/windowing.h"

#include <string>

namespace vesperon {

// The open-file dialog component: keeps its file name between uses, and a cancelled
// dialog leaves that name as it was.
struct OpenFileDialog {
    std::string DialogTitle;
    std::string Filter;
    std::string FileName;

    void ShowOpen(platform::Windowing& windowing) {
        if (auto chosen = windowing.openFileDialog(DialogTitle, Filter, FileName)) {
            FileName = *chosen;
        }
    }
};

} // namespace vesperon
