#include "platform/win32/win32_platform.h"

// clang-format off
#include <windows.h>
#include <psapi.h>
#include <tlhelp32.h>
// clang-format on

namespace vesperon::platform::win32 {

std::int32_t Win32ProcessListing::platformId() {
    OSVERSIONINFOA version{};
    version.dwOSVersionInfoSize = sizeof version; // 148
    for (char& c : version.szCSDVersion) {
        c = ' ';
    }
    ::GetVersionExA(&version);
    return static_cast<std::int32_t>(version.dwPlatformId);
}

ProcessHandle Win32ProcessListing::createProcessSnapshot() {
    HANDLE snapshot = ::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    return snapshot == INVALID_HANDLE_VALUE ? 0 : reinterpret_cast<ProcessHandle>(snapshot);
}

namespace {

bool deliver(BOOL delivered, const PROCESSENTRY32& entry, std::string& exeFile) {
    if (delivered) {
        exeFile.assign(entry.szExeFile, sizeof entry.szExeFile);
    }
    return delivered != 0;
}

} // namespace

bool Win32ProcessListing::process32First(ProcessHandle snapshot, std::string& exeFile) {
    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof entry; // 296 in the ANSI layout
    return deliver(::Process32First(reinterpret_cast<HANDLE>(snapshot), &entry), entry, exeFile);
}

bool Win32ProcessListing::process32Next(ProcessHandle snapshot, std::string& exeFile) {
    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof entry;
    return deliver(::Process32Next(reinterpret_cast<HANDLE>(snapshot), &entry), entry, exeFile);
}

void Win32ProcessListing::enumProcesses(std::vector<std::uint32_t>& ids, std::uint32_t cb,
                                        std::uint32_t& bytesReturned) {
    DWORD returned = 0;
    ::EnumProcesses(reinterpret_cast<DWORD*>(ids.data()), cb, &returned);
    bytesReturned = returned;
}

ProcessHandle Win32ProcessListing::openProcess(std::uint32_t access, bool inherit,
                                               std::uint32_t id) {
    return reinterpret_cast<ProcessHandle>(::OpenProcess(access, inherit ? TRUE : FALSE, id));
}

bool Win32ProcessListing::enumProcessModules(ProcessHandle process, std::uintptr_t& firstModule,
                                             std::uint32_t cb, std::uint32_t& needed) {
    HMODULE modules[200] = {};
    DWORD bytesNeeded = 0;
    const BOOL ok =
        ::EnumProcessModules(reinterpret_cast<HANDLE>(process), modules, cb, &bytesNeeded);
    needed = bytesNeeded;
    firstModule = reinterpret_cast<std::uintptr_t>(modules[0]);
    return ok != 0;
}

std::uint32_t Win32ProcessListing::moduleFileName(ProcessHandle process, std::uintptr_t module,
                                                  std::string& buffer, std::uint32_t size) {
    buffer.resize(size, ' ');
    return ::GetModuleFileNameExA(reinterpret_cast<HANDLE>(process),
                                  reinterpret_cast<HMODULE>(module), buffer.data(), size);
}

void Win32ProcessListing::closeHandle(ProcessHandle handle) {
    ::CloseHandle(reinterpret_cast<HANDLE>(handle));
}

} // namespace vesperon::platform::win32
