// The Linux edition's entry point: builds the platform, then hands over to the start-up window.
#include "app/application.h"
#include "platform/posix/platform_bundle.h"

int main(int argc, char** argv) {
    vesperon::platform::posix::PlatformBundle bundle(argc, argv);
    return vesperon::runApplication(bundle.platform());
}
