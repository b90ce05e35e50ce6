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
    std::vector<char> buffer(bufferSize, '\0');
    const DWORD n =
        ::GetPrivateProfileStringA(section.c_str(), key.c_str(), defaultValue.c_str(),
                                   buffer.data(), static_cast<DWORD>(bufferSize), file.c_str());
    return std::string(buffer.data(), n);
}

bool Win32Profile::writeString(const std::string& section, const std::string& key,
                               const std::string& value, const std::string& file) {
    return ::WritePrivateProfileStringA(section.c_str(), key.c_str(), value.c_str(),
                                        file.c_str()) != 0;
}

} // namespace vesperon::platform::win32
