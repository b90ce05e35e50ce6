#pragma once

#include "platform/event_log.h"
#include "platform/file_system.h"
#include "platform/files.h"
#include "platform/process_listing.h"
#include "platform/processes.h"
#include "platform/profile.h"
#include "platform/registry.h"
#include "platform/shutdown_inhibitors.h"
#include "platform/system.h"
#include "platform/windowing.h"

#include <cstddef>

namespace vesperon::platform {

// What differs between the editions beyond the facilities themselves.
struct Edition {
    char separator = '\\';
    bool driveLetters = true; // paths start with "X:"; otherwise with "/"
    const char* executableExtension = ".exe";
    const char* libraryExtension = ".dll";
    // The longest text one log entry carries whole; a longer report goes out as several.
    std::size_t maxEventText = 31839;
    // Linux: runs write metrics for the node exporter when the settings name a folder.
    bool textfileMetrics = false;
};

// Windows: the event log takes at most 31,839 characters per insertion string.
inline constexpr Edition windowsEdition{'\\', true, ".exe", ".dll", 31839, false};
// Linux: rsyslog, the usual daemon, keeps at most 8,096 bytes of a message, its header
// (time, identity, process id: about 40 bytes) included, and cuts the rest; syslog-ng and
// journald take more. 6,000 bytes stays well inside that and still holds the longest path
// Linux opens (4,096 bytes) whole, with its message.
inline constexpr Edition posixEdition{'/', false, "", ".so", 6000, true};

// Every facility the program reaches, handed in at start.
struct Platform {
    Edition edition;
    System& system;
    Files& files;
    FileSystem& fileSystem;
    Processes& processes;
    Profile& profile;
    Registry& registry;
    EventLog& eventLog;
    Windowing& windowing; // initialises its toolkit on first use, never in a run mode
    ProcessListing& processListing;
    ShutdownInhibitors& inhibitors;
};

} // namespace vesperon::platform
