// The window module's one entry point: the program finds it by name after loading the module.
#include "platform/posix/fltk/fltk_windowing.h"
#include "platform/posix/fltk/module_entry.h"

#include <cstring>
#include <new>
#include <type_traits>

extern "C" __attribute__((visibility("default"))) vesperon::platform::Windowing*
vesperon_windowing_module(const char* buildKey) noexcept {
    using namespace vesperon::platform::posix;
    static_assert(std::is_same_v<decltype(&vesperon_windowing_module), WindowingModuleEntry>);
    if (buildKey == nullptr || std::strcmp(buildKey, windowingModuleBuildKey) != 0) {
        return nullptr;
    }
    return new (std::nothrow) FltkWindowing();
}
