#include "platform/win32/wide_text.h"
#include "platform/win32/win32_platform.h"

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

bool Win32Profile::writeString(const std::string& section, const std::string& key,
                               const std::string& value, const std::string& file) {
    // A file that the wide function creates is still written in the ANSI code page.
    return ::WritePrivateProfileStringW(widen(section).c_str(), widen(key).c_str(),
                                        widen(value).c_str(), widen(file).c_str()) != 0;
}

} // namespace vesperon::platform::win32
