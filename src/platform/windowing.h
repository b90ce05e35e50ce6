#pragma once

#include "platform/form_layout.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace vesperon::platform {

// What a native window reports back: the form it shows handles it.
class WindowEvents {
public:
    virtual ~WindowEvents() = default;
    // The user changed a check box (value 1 ticked, 0 clear) or a list's selection;
    // reported before the click itself.
    virtual void checkChanged(const std::string& control, int value) = 0;
    virtual void selectionChanged(const std::string& control, int index) = 0;
    virtual void controlClicked(const std::string& control) = 0;
    // The close box: the form decides whether and how it unloads.
    virtual void closeRequested() = 0;
};

// One window on the screen, drawn from its FormLayout. The form keeps the controls' state;
// the window shows what it is told.
class NativeWindow {
public:
    virtual ~NativeWindow() = default;
    virtual void show() = 0; // modeless; a visible window is brought forward
    virtual void hide() = 0;
    virtual void setCaption(const std::string& caption) = 0;
    virtual void setCheck(const std::string& control, int value) = 0;
    virtual void setListItems(const std::string& control, const std::vector<std::string>& items,
                              int selected) = 0;
    virtual void setText(const std::string& control, const std::string& text) = 0;
    virtual void setFocus(const std::string& control) = 0;
    // For layout tests: where the toolkit really put things, in pixels.
    virtual Rect clientArea() = 0;
    virtual std::optional<Rect> controlRect(const std::string& control) = 0;
};

// Without a display nothing can be shown; the windows of a form stay unseen.
class NoWindow final : public NativeWindow {
public:
    void show() noexcept override {}
    void hide() noexcept override {}
    void setCaption(const std::string&) noexcept override {}
    void setCheck(const std::string&, int) noexcept override {}
    void setListItems(const std::string&, const std::vector<std::string>&, int) noexcept override {}
    void setText(const std::string&, const std::string&) noexcept override {}
    void setFocus(const std::string&) noexcept override {}
    Rect clientArea() noexcept override { return {}; }
    std::optional<Rect> controlRect(const std::string&) noexcept override { return std::nullopt; }
};

// Message-box buttons, icons and answers, with the values Windows uses.
namespace msgbox {
inline constexpr int okOnly = 0, okCancel = 1, yesNoCancel = 3, yesNo = 4;
inline constexpr int critical = 16, question = 32, exclamation = 48, information = 64;
inline constexpr int ok = 1, cancel = 2, yes = 6, no = 7;

// What a box dismissed with Escape or its close box answers.
inline int dismissed(int buttons) {
    switch (buttons & 0x0F) {
    case okCancel:
    case yesNoCancel:
        return cancel;
    case yesNo:
        return no;
    default:
        return ok;
    }
}
} // namespace msgbox

class Windowing {
public:
    virtual ~Windowing() = default;
    // Whether windows can be shown at all (a display is there); opens nothing else.
    virtual bool available() = 0;
    // Why not, in one line for the user, when it is more than a missing display.
    virtual std::string unavailableReason() { return {}; }
    virtual std::unique_ptr<NativeWindow> createWindow(const FormLayout& design,
                                                       WindowEvents& events) = 0;
    // A modal message box; returns the answer (msgbox::ok, yes, no, ...).
    virtual int messageBox(const std::string& prompt, int buttons, const std::string& title) = 0;
    // The open-file dialog; the chosen file's full path, or nullopt when cancelled.
    virtual std::optional<std::string> openFileDialog(const std::string& title,
                                                      const std::string& filter,
                                                      const std::string& initialName) = 0;
    // The system's folder picker, modal to owner (the form's window, or none); only
    // file-system folders can be chosen. The chosen folder's path, or nullopt when cancelled.
    virtual std::optional<std::string> browseForFolder(NativeWindow* /*owner*/,
                                                       const std::string& /*prompt*/) {
        return std::nullopt;
    }
    // Handles the window messages that are waiting, then returns.
    virtual void processPendingMessages() = 0;
    // Handles window messages until done() says so.
    virtual void runUntil(const std::function<bool()>& done) = 0;
};

} // namespace vesperon::platform
