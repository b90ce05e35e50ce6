// The Linux edition's entry point: builds the platform, then hands over to the start-up window.
#include "app/form1.h"
#include "platform/posix/posix_file_system.h"
#include "platform/posix/posix_files.h"
#include "platform/posix/posix_processes.h"
#include "platform/posix/posix_profile.h"
#include "platform/posix/posix_registry.h"
#include "platform/posix/posix_system.h"
#include "platform/posix/syslog_event_log.h"

#include <cstdio>

int main(int argc, char** argv) {
    using namespace vesperon::platform::posix;
    PosixSystem system(argc, argv);
    PosixFiles files;
    PosixFileSystem fileSystem;
    PosixProcesses processes;
    PosixProfile profile;
    PosixRegistry registry(defaultRegistryFolder());
    SyslogEventLog eventLog;
    vesperon::platform::Platform platform{vesperon::platform::posixEdition,
                                          system,
                                          files,
                                          fileSystem,
                                          processes,
                                          profile,
                                          registry,
                                          eventLog};

    vesperon::Form1 form(platform);
    form.Form_Load();
    if (!form.isLoaded()) {
        return 0;
    }
    std::fputs("vesperon: this build has no configuration window; start it with -r (restart) or "
               "-s (shut down)\n",
               stderr);
    return 1;
}
