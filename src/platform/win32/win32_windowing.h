#pragma once

#include "platform/windowing.h"

#include <optional>

namespace vesperon::platform::win32 {

// Native Win32 windows and controls, message boxes and the common open-file dialog.
class Win32Windowing final : public Windowing {
public:
    Win32Windowing();
    ~Win32Windowing() override;
    bool available() override;
    std::string unavailableReason() override { return unavailableReason_; }
    std::unique_ptr<NativeWindow> createWindow(const FormLayout& design,
                                               WindowEvents& events) override;
    int messageBox(const std::string& prompt, int buttons, const std::string& title) override;
    std::optional<std::string> openFileDialog(const std::string& title, const std::string& filter,
                                              const std::string& initialName) override;
    std::optional<std::string> browseForFolder(NativeWindow* owner,
                                               const std::string& prompt) override;
    void processPendingMessages() override;
    void runUntil(const std::function<bool()>& done) override;

private:
    std::optional<bool> available_; // known after the first probe
    std::string unavailableReason_;
};

} // namespace vesperon::platform::win32
