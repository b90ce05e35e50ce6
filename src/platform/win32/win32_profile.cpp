#include "platform/win32/win32_profile.h"

#include "platform/win32/wide_text.h"
#include "platform/win32/win32_system.h"

#include <vector>
#include <windows.h>

namespace vesperon::platform::win32 {

std::string Win32Profile::getString(const std::string& section, const std::string& key,
                                    const std::string& defaultValue, std::size_t bufferSize,
                                    const std::string& file) {
    if (bufferSize == 0) {
        return {};
    }
    std::vector<wchar_t> buffer(bufferSize, L'\0');
    const DWORD n = ::GetPrivateProfileStringW(widen(section).c_str(), widen(key).c_str(),
                                               widen(defaultValue).c_str(), buffer.data(),
                                               static_cast<DWORD>(bufferSize), widen(file).c_str());
    return narrow(std::wstring_view(buffer.data(), n));
}

ProfileWrite Win32Profile::writeString(const std::string& section, const std::string& key,
                                       const std::string& value, const std::string& file) {
    // A file that the wide function creates is still written in the ANSI code page.
    if (::WritePrivateProfileStringW(widen(section).c_str(), widen(key).c_str(),
                                     widen(value).c_str(), widen(file).c_str())) {
        return {true, ""};
    }
    return {false, systemErrorText(::GetLastError())};
}

std::optional<std::string> Win32Profile::whyUnreadable(const std::string& file) {
    const std::wstring name = widen(file);
    const HANDLE handle = ::CreateFileW(name.c_str(), GENERIC_READ,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                        nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle != INVALID_HANDLE_VALUE) {
        ::CloseHandle(handle);
        return std::nullopt;
    }
    const DWORD error = ::GetLastError();
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) {
        return std::nullopt;
    }
    const DWORD attributes = ::GetFileAttributesW(name.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        return "it is a folder";
    }
    return systemErrorText(error);
}

} // namespace vesperon::platform::win32
