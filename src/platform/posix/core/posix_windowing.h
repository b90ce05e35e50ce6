#pragma once

#include "platform/system.h"
#include "platform/windowing.h"

#include <memory>
#include <string>

namespace vesperon::platform::posix {

// Windowing from the window module, loaded by the first call that needs a window. Until then
// there is no window, so pending messages and waits cost nothing and look for nothing.
// The module is taken from fixed places only: beside the executable (in its real folder,
// links resolved), then the package's library folder; never from the current folder or a
// path the environment names.
class PosixWindowing final : public Windowing {
public:
    explicit PosixWindowing(System& system);
    ~PosixWindowing() override;
    bool available() override;
    std::string unavailableReason() override;
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
    Windowing* module(); // null when it cannot be loaded; failure_ says why
    std::string load();  // an empty text, or why the module was refused

    System& system_;
    bool tried_ = false;
    std::unique_ptr<Windowing> module_;
    std::string failure_;
};

} // namespace vesperon::platform::posix
