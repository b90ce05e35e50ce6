#pragma once

#include "platform/windowing.h"

#include <string>

namespace vesperon::platform::posix {

// Windows, message boxes and the open-file dialog with FLTK on X11. The toolkit and the
// display are touched only when the first window is needed, never in a run mode.
// It lives in the window module, whose C++ runtime is not the program's: nothing it does
// may throw back into the program, so every call is noexcept.
class FltkWindowing final : public Windowing {
public:
    FltkWindowing() noexcept;
    ~FltkWindowing() override;
    bool available() noexcept override;
    std::unique_ptr<NativeWindow> createWindow(const FormLayout& design,
                                               WindowEvents& events) noexcept override;
    int messageBox(const std::string& prompt, int buttons,
                   const std::string& title) noexcept override;
    std::optional<std::string> openFileDialog(const std::string& title, const std::string& filter,
                                              const std::string& initialName) noexcept override;
    std::optional<std::string> browseForFolder(NativeWindow* owner,
                                               const std::string& prompt) noexcept override;
    void processPendingMessages() noexcept override;
    void runUntil(const std::function<bool()>& done) noexcept override;
};

} // namespace vesperon::platform::posix
