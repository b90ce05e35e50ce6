// Shows one of the program's windows that nothing on its main road opens, on the real
// windowing backend, so that a test can look at it and click it.
//   window_gallery Form3   the start-configuration prompt, counting down
//   window_gallery Form5   the process list window, listed once
// It ends when its last window is gone, or after 30 seconds.
#include "app/form1.h"

#include <chrono>
#include <cstring>

#ifdef _WIN32
#include "platform/win32/platform_bundle.h"
#else
#include "platform/posix/platform_bundle.h"
#endif

int main(int argc, char** argv) {
    if (argc < 2) {
        return 2;
    }
#ifdef _WIN32
    vesperon::platform::win32::PlatformBundle bundle;
#else
    char* noArguments[] = {argv[0], nullptr};
    vesperon::platform::posix::PlatformBundle bundle(1, noArguments);
#endif
    auto& platform = bundle.platform();
    if (!platform.windowing.available()) {
        return 77;
    }
    vesperon::Forms forms(platform.windowing);
    vesperon::Form1 configuration(platform, forms);
    forms.enableWindows();
    if (std::strcmp(argv[1], "Form3") == 0) {
        configuration.startPrompt().Show(); // returns when the countdown has ended
    } else {
        configuration.ShowProcessList();
        configuration.processList().userClicks("Command1");
    }
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    platform.windowing.runUntil(
        [&] { return forms.empty() || std::chrono::steady_clock::now() > end; });
    return 0;
}
