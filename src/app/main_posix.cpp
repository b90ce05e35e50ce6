// The Linux edition's entry point: builds the platform, then hands over to the start-up window.
#include "app/application.h"
#include "platform/posix/fltk_windowing.h"
#include "platform/posix/posix_file_system.h"
#include "platform/posix/posix_files.h"
#include "platform/posix/posix_processes.h"
#include "platform/posix/posix_profile.h"
#include "platform/posix/posix_registry.h"
#include "platform/posix/posix_system.h"
#include "platform/posix/proc_process_listing.h"
#include "platform/posix/syslog_event_log.h"

int main(int argc, char** argv) {
    using namespace vesperon::platform::posix;
    PosixSystem system(argc, argv);
    PosixFiles files;
    PosixFileSystem fileSystem;
    PosixProcesses processes;
    PosixProfile profile;
    PosixRegistry registry(defaultRegistryFolder());
    SyslogEventLog eventLog;
    FltkWindowing windowing;
    ProcProcessListing processListing;
    vesperon::platform::Platform platform{vesperon::platform::posixEdition,
                                          system,
                                          files,
                                          fileSystem,
                                          processes,
                                          profile,
                                          registry,
                                          eventLog,
                                          windowing,
                                          processListing};

    return vesperon::runApplication(platform);
}
