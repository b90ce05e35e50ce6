#pragma once

#include "platform/windowing.h"

// The Linux edition's windows live in a module, vesperon-fltk.so, so that the program a
// scheduler starts maps no window library. The program loads it only for a window.
//
// The module links the shared C++ runtime, the program its own static one: the two meet
// only through Windowing, NativeWindow and WindowEvents, whose implementations on either
// side are noexcept, and through the one entry point below.

namespace vesperon::platform::posix {

inline constexpr const char* windowingModuleFileName = "vesperon-fltk.so";
inline constexpr const char* windowingModuleEntryName = "vesperon_windowing_module";

// The entry point: a new Windowing, or null when buildKey is not the module's own.
using WindowingModuleEntry = Windowing* (*)(const char* buildKey) noexcept;

// Equal only for a program and a module of the same version, interface and compiler (object
// layouts cross the boundary). Raise the interface number when windowing.h or
// form_layout.h changes.
inline constexpr const char* windowingModuleBuildKey =
    "vesperon " VESPERON_VERSION ", windowing interface 1, gcc " __VERSION__;

} // namespace vesperon::platform::posix
