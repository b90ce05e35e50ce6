#pragma once

#include "platform/platform.h"
#include "platform/posix/core/posix_event_log.h"
#include "platform/posix/core/posix_file_system.h"
#include "platform/posix/core/posix_files.h"
#include "platform/posix/core/posix_processes.h"
#include "platform/posix/core/posix_profile.h"
#include "platform/posix/core/posix_system.h"
#include "platform/posix/core/posix_windowing.h"
#include "platform/posix/logind/posix_shutdown_inhibitors.h"
#include "platform/posix/proc/posix_process_listing.h"
#include "platform/posix/regedit/posix_registry.h"

namespace vesperon::platform::posix {

// Every Linux backend, bundled as the program hands them in.
class PlatformBundle {
public:
    PlatformBundle(int argc, char** argv)
        : system_(argc, argv), registry_(defaultRegistryFolder()),
          windowing_(system_), platform_{posixEdition, system_,         files_,     fileSystem_,
                                         processes_,   profile_,        registry_,  eventLog_,
                                         windowing_,   processListing_, inhibitors_} {}
    Platform& platform() { return platform_; }
    PosixSystem& system() { return system_; }

private:
    PosixSystem system_;
    PosixFiles files_;
    PosixFileSystem fileSystem_;
    PosixProcesses processes_;
    PosixProfile profile_;
    PosixRegistry registry_;
    PosixEventLog eventLog_;
    PosixWindowing windowing_; // loads the window module only for a window
    PosixProcessListing processListing_;
    PosixShutdownInhibitors inhibitors_;
    Platform platform_;
};

} // namespace vesperon::platform::posix
