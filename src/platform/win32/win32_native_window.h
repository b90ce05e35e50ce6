#pragma once

#include "platform/windowing.h"

#include <memory>
#include <string>
#include <windows.h>

namespace vesperon::platform::win32 {

struct FormState;

// A top-level window with its controls as child windows. The window itself owns what its
// window procedure needs, so that a handler may destroy this object while it runs.
class Win32NativeWindow final : public NativeWindow {
public:
    // Built hidden. When the system refuses a window, every call does nothing.
    Win32NativeWindow(const FormLayout& design, WindowEvents& events);
    ~Win32NativeWindow() override;
    Win32NativeWindow(const Win32NativeWindow&) = delete;
    Win32NativeWindow& operator=(const Win32NativeWindow&) = delete;

    void show() override;
    void hide() override;
    void setCaption(const std::string& caption) override;
    void setCheck(const std::string& control, int value) override;
    void setListItems(const std::string& control, const std::vector<std::string>& items,
                      int selected) override;
    void setText(const std::string& control, const std::string& text) override;
    void setFocus(const std::string& control) override;
    Rect clientArea() override;
    std::optional<Rect> controlRect(const std::string& control) override;

    HWND handle() const;
    HWND controlHandle(const std::string& control) const;

private:
    FormState* state_;
};

// The class every form window is registered with; registered on first use.
const wchar_t* formWindowClass();
// Whether a top-level window is one of this program's form windows.
bool isFormWindow(HWND hwnd);

} // namespace vesperon::platform::win32
