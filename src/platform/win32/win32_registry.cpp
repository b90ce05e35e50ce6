#include "platform/win32/win32_platform.h"

#include <windows.h>

namespace vesperon::platform::win32 {

long Win32Registry::createKey(std::uint32_t root, const std::string& path, RegistryHandle& handle) {
    SECURITY_ATTRIBUTES security{};
    security.nLength = sizeof security;
    HKEY key = nullptr;
    DWORD disposition = 0;
    char noClass[] = "";
    // Access 6: set value (2) and create sub-key (4).
    const LONG result =
        ::RegCreateKeyExA(reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(root)), path.c_str(), 0,
                          noClass, 0, 6, &security, &key, &disposition);
    handle = result == ERROR_SUCCESS ? reinterpret_cast<RegistryHandle>(key) : 0;
    return result;
}

long Win32Registry::setValue(RegistryHandle handle, const std::string& name, std::uint32_t type,
                             const std::vector<std::uint8_t>& data) {
    return ::RegSetValueExA(reinterpret_cast<HKEY>(handle), name.c_str(), 0, type, data.data(),
                            static_cast<DWORD>(data.size()));
}

long Win32Registry::closeKey(RegistryHandle handle) {
    return ::RegCloseKey(reinterpret_cast<HKEY>(handle));
}

} // namespace vesperon::platform::win32
