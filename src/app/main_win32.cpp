// The Windows edition's entry point: builds the platform, then hands over to the start-up window.
#include "app/application.h"
#include "platform/win32/win32_platform.h"
#include "platform/win32/win32_windowing.h"

#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    using namespace vesperon::platform::win32;
    Win32System system;
    Win32Files files;
    Win32FileSystem fileSystem;
    Win32Processes processes;
    Win32Profile profile;
    Win32Registry registry;
    Win32EventLog eventLog;
    Win32Windowing windowing;
    Win32ProcessListing processListing;
    vesperon::platform::Platform platform{vesperon::platform::windowsEdition,
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
