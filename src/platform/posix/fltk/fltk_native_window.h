#pragma once

#include "platform/windowing.h"

#include <memory>

namespace vesperon::platform::posix {

// The window of a layout, drawn at once; the display must be open.
std::unique_ptr<NativeWindow> createFltkWindow(const FormLayout& design, WindowEvents& events);

} // namespace vesperon::platform::posix
