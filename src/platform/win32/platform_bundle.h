#pragma once

#include "platform/platform.h"
#include "platform/win32/win32_event_log.h"
#include "platform/win32/win32_file_system.h"
#include "platform/win32/win32_files.h"
#include "platform/win32/win32_process_listing.h"
#include "platform/win32/win32_processes.h"
#include "platform/win32/win32_profile.h"
#include "platform/win32/win32_registry.h"
#include "platform/win32/win32_system.h"
#include "platform/win32/win32_windowing.h"

namespace vesperon::platform::win32 {

// Every Windows backend, bundled as the program hands them in.
class PlatformBundle {
public:
    PlatformBundle()
        : platform_{windowsEdition, system_,   files_,     fileSystem_,     processes_, profile_,
                    registry_,      eventLog_, windowing_, processListing_, inhibitors_} {}
    Platform& platform() { return platform_; }

private:
    Win32System system_;
    Win32Files files_;
    Win32FileSystem fileSystem_;
    Win32Processes processes_;
    Win32Profile profile_;
    Win32Registry registry_;
    Win32EventLog eventLog_;
    Win32Windowing windowing_;
    Win32ProcessListing processListing_;
    NoShutdownInhibitors inhibitors_;
    Platform platform_;
};

} // namespace vesperon::platform::win32
