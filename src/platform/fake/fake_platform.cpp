#include "platform/fake/fake_platform.h"

namespace vesperon::fake {

FakePlatform::FakePlatform(const platform::Edition& edition)
    : platform{edition,  system,   files,     fileSystem,     processes, profile,
               registry, eventLog, windowing, processListing, inhibitors} {
    if (edition.driveLetters) {
        disk.addFolder("C:\\Tools");
        return;
    }
    disk.usePosixPaths();
    system.exePath = "/opt/tools/vesperon";
    fileSystem.tempFolder = "/tmp/";
    disk.addFolder("/opt/tools");
}

} // namespace vesperon::fake
