#include "platform/posix/fltk_windowing.h"

namespace vesperon::platform::posix {

FltkWindowing::FltkWindowing() = default;
FltkWindowing::~FltkWindowing() = default;
bool FltkWindowing::available() { return false; }
std::unique_ptr<NativeWindow> FltkWindowing::createWindow(const FormSpec&, WindowEvents&) {
    return nullptr;
}
int FltkWindowing::messageBox(const std::string&, int, const std::string&) { return msgbox::ok; }
std::optional<std::string> FltkWindowing::openFileDialog(const std::string&, const std::string&,
                                                         const std::string&) {
    return std::nullopt;
}
void FltkWindowing::processPendingMessages() {}
void FltkWindowing::runUntil(const std::function<bool()>&) {}

} // namespace vesperon::platform::posix
