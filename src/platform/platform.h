#pragma once

#include "platform/event_log.h"
#include "platform/file_system.h"
#include "platform/files.h"
#include "platform/process_listing.h"
#include "platform/processes.h"
#include "platform/profile.h"
#include "platform/registry.h"
#include "platform/system.h"
#include "platform/windowing.h"

namespace vesperon::platform {

// What differs between the editions beyond the facilities themselves.
struct Edition {
    char separator = '\\';
    bool driveLetters = true; // paths start with "X:"; otherwise with "/"
    const char* executableExtension = ".exe";
    const char* libraryExtension = ".dll";
};

inline constexpr Edition windowsEdition{'\\', true, ".exe", ".dll"};
inline constexpr Edition posixEdition{'/', false, "", ".so"};

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
};

} // namespace vesperon::platform
