
#include "platform/fake/fake_platform.h"

#include <new>

namespace vesperon::fake {

FakePlatform::FakePlatform()
    : platform{platform::windowsEdition,
               system,
               files,
               fileSystem,
               processes,
               profile,
               registry,
               eventLog,
               windowing,
               processListing,
               inhibitors} {
    disk.addFolder("C:\\Tools");
}

} // namespace vesperon::fake
