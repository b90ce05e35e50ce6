// The Linux edition's entry point: builds the platform; the terminal's own arguments are
// answered here, everything else by the start-up window.
#include "app/application.h"
#include "app/terminal_command.h"
#include "platform/posix/platform_bundle.h"

#include <cstdlib>
#include <unistd.h>

int main(int argc, char** argv) {
    vesperon::platform::posix::PlatformBundle bundle(argc, argv);
    // A run mode or --test that cannot finish in time (a listed file on a server that stopped
    // answering) ends as one that could not tell; the shipped units wait longer than this.
    if (vesperon::isBoundedRun(bundle.platform().system.argumentText())) {
        bundle.system().bound().arm(vesperon::runBound);
    }
    const char* noColour = std::getenv("NO_COLOR");
    const bool colour = ::isatty(STDOUT_FILENO) == 1 && (noColour == nullptr || *noColour == '\0');
    if (const auto status = vesperon::runTerminalCommand(bundle.platform(), colour)) {
        return *status;
    }
    return vesperon::runApplication(bundle.platform());
}
