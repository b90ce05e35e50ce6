// The Windows edition's entry point: builds the platform, then hands over to the start-up window.
#include "app/application.h"
#include "platform/win32/platform_bundle.h"

#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    vesperon::platform::win32::PlatformBundle bundle;
    return vesperon::runApplication(bundle.platform());
}
