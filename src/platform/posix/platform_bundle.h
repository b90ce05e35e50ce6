#pragma once

#include "platform/platform.h"
#include "platform/posix/logind_inhibitors.h"
#include "platform/posix/module_windowing.h"
#include "platform/posix/posix_file_system.h"
#include "platform/posix/posix_files.h"
#include "platform/posix/posix_processes.h"
#include "platform/posix/posix_profile.h"
#include "platform/posix/posix_registry.h"
#include "platform/posix/posix_system.h"
#include "platform/posix/proc_process_listing.h"
#include "platform/posix/syslog_event_log.h"

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
    SyslogEventLog eventLog_;
    ModuleWindowing windowing_; // loads the window module only for a window
    ProcProcessListing processListing_;
    LogindInhibitors inhibitors_;
    Platform platform_;
};

} // namespace vesperon::platform::posix
