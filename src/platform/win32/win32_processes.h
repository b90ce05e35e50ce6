#pragma once

#include "platform/processes.h"

#include <string>

namespace vesperon::platform::win32 {

class Win32Processes final : public Processes {
public:
    // Runs shutdown.exe from the system folder, never from the current or program folder,
    // and does not wait for it.
    StartOutcome start(const StartRequest& request) override;
};

// The system folder's shutdown.exe, such as C:\Windows\system32\shutdown.exe.
std::string systemShutdownProgram();

} // namespace vesperon::platform::win32
