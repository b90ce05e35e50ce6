#pragma once

#include "platform/fake/fake_disk.h"
#include "platform/fake/fake_event_log.h"
#include "platform/fake/fake_file_system.h"
#include "platform/fake/fake_files.h"
#include "platform/fake/fake_process_listing.h"
#include "platform/fake/fake_processes.h"
#include "platform/fake/fake_profile.h"
#include "platform/fake/fake_registry.h"
#include "platform/fake/fake_shutdown_inhibitors.h"
#include "platform/fake/fake_system.h"
#include "platform/fake/fake_windowing.h"
#include "platform/platform.h"

namespace vesperon::fake {

// Every facility on fakes. The Windows edition runs from C:\Tools\Vesperon.exe; the Linux
// edition (FakePlatform f{platform::posixEdition}) from /opt/tools/vesperon, with "/" paths
// compared exactly and the root "/" as the one drive.
struct FakePlatform {
    explicit FakePlatform(const platform::Edition& edition = platform::windowsEdition);
    FakeDisk disk;
    FakeSystem system;
    FakeFiles files{disk};
    FakeFileSystem fileSystem{disk};
    FakeProcesses processes;
    FakeProfile profile{disk};
    FakeRegistry registry;
    FakeEventLog eventLog;
    FakeWindowing windowing;
    FakeProcessListing processListing;
    FakeInhibitors inhibitors;
    platform::Platform platform;
};

} // namespace vesperon::fake
