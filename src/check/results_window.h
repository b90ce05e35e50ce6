#pragma once

#include <string>

namespace vesperon {

// What the check run needs of the results window.
class ResultsWindow {
public:
    virtual ~ResultsWindow() = default;
    virtual void clearList() = 0;
    virtual void showModeless() = 0;
    virtual void addRow(const std::string& row) = 0;
};

} // namespace vesperon
