#include "platform/win32/win32_windowing.h"

namespace vesperon::platform::win32 {

Win32Windowing::Win32Windowing() = default;
Win32Windowing::~Win32Windowing() = default;
bool Win32Windowing::available() { return false; }
std::unique_ptr<NativeWindow> Win32Windowing::createWindow(const FormSpec&, WindowEvents&) {
    return nullptr;
}
int Win32Windowing::messageBox(const std::string&, int, const std::string&) { return msgbox::ok; }
std::optional<std::string> Win32Windowing::openFileDialog(const std::string&, const std::string&,
                                                         const std::string&) {
    return std::nullopt;
}
void Win32Windowing::processPendingMessages() {}
void Win32Windowing::runUntil(const std::function<bool()>&) {}

} // namespace vesperon::platform::win32
