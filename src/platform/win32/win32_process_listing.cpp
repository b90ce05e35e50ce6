#include "platform/win32/win32_process_listing.h"

#include "platform/win32/wide_text.h"

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

// The whole field, its trailing NULs included, as the record holds it.
bool deliver(BOOL delivered, const PROCESSENTRY32W& entry, std::string& exeFile) {
    if (delivered) {
        exeFile = narrow(std::wstring_view(entry.szExeFile, MAX_PATH));
    }
    return delivered != 0;
}

} // namespace

bool Win32ProcessListing::process32First(ProcessHandle snapshot, std::string& exeFile) {
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    return deliver(::Process32FirstW(reinterpret_cast<HANDLE>(snapshot), &entry), entry, exeFile);
}

bool Win32ProcessListing::process32Next(ProcessHandle snapshot, std::string& exeFile) {
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    return deliver(::Process32NextW(reinterpret_cast<HANDLE>(snapshot), &entry), entry, exeFile);
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
    std::wstring wide(size, L' ');
    const DWORD n = ::GetModuleFileNameExW(reinterpret_cast<HANDLE>(process),
                                           reinterpret_cast<HMODULE>(module), wide.data(), size);
    // The name as UTF-8 may take more bytes than the buffer had characters.
    buffer = narrow(std::wstring_view(wide.data(), n));
    return static_cast<std::uint32_t>(buffer.size());
}

void Win32ProcessListing::closeHandle(ProcessHandle handle) {
    ::CloseHandle(reinterpret_cast<HANDLE>(handle));
}

} // namespace vesperon::platform::win32
