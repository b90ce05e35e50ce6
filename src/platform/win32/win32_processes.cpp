#include "platform/win32/win32_processes.h"

#include "platform/win32/wide_text.h"
#include "platform/win32/win32_system.h"

#include <windows.h>

namespace vesperon::platform::win32 {

std::string systemShutdownProgram() {
    wchar_t folder[MAX_PATH + 1] = {};
    const UINT n = ::GetSystemDirectoryW(folder, MAX_PATH + 1);
    if (n == 0 || n > MAX_PATH) {
        return {};
    }
    std::string path = narrow(std::wstring_view(folder, n));
    if (path.back() != '\\') {
        path += '\\';
    }
    return path + "shutdown.exe";
}

StartOutcome Win32Processes::start(const StartRequest& request) {
    StartOutcome outcome;
    outcome.commandLine = request.commandLine;
    // Naming the program by its full path keeps Windows from running a shutdown.exe
    // planted in the program's own or the current folder.
    const std::string program = systemShutdownProgram();
    if (program.empty()) {
        outcome.reason = "the system folder is unknown: " + systemErrorText(::GetLastError());
        return outcome;
    }
    std::wstring commandLine = widen(request.commandLine); // CreateProcessW may write into it
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = static_cast<WORD>(request.windowStyle);
    PROCESS_INFORMATION process{};
    if (!::CreateProcessW(widen(program).c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0,
                          nullptr, nullptr, &startup, &process)) {
        outcome.reason = program + ": " + systemErrorText(::GetLastError());
        return outcome;
    }
    ::CloseHandle(process.hThread);
    ::CloseHandle(process.hProcess);
    outcome.started = true;
    return outcome;
}

} // namespace vesperon::platform::win32
