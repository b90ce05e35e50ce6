#include "platform/win32/win32_registry.h"

#include "platform/win32/wide_text.h"

#include <windows.h>

namespace vesperon::platform::win32 {

namespace {

// Text values come as UTF-8 with one terminating zero byte; the registry keeps them as UTF-16.
std::wstring wideStringValue(const std::vector<std::uint8_t>& data) {
    std::string_view text(reinterpret_cast<const char*>(data.data()), data.size());
    if (!text.empty() && text.back() == '\0') {
        text.remove_suffix(1);
    }
    return widen(text);
}

} // namespace

long Win32Registry::createKey(std::uint32_t root, const std::string& path, RegistryHandle& handle) {
    SECURITY_ATTRIBUTES security{};
    security.nLength = sizeof security;
    HKEY key = nullptr;
    DWORD disposition = 0;
    wchar_t noClass[] = L"";
    // Access 6: set value (2) and create sub-key (4).
    const LONG result =
        ::RegCreateKeyExW(reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(root)), widen(path).c_str(),
                          0, noClass, 0, 6, &security, &key, &disposition);
    handle = result == ERROR_SUCCESS ? reinterpret_cast<RegistryHandle>(key) : 0;
    return result;
}

long Win32Registry::setValue(RegistryHandle handle, const std::string& name, std::uint32_t type,
                             const std::vector<std::uint8_t>& data) {
    const HKEY key = reinterpret_cast<HKEY>(handle);
    if (type == REG_SZ || type == REG_EXPAND_SZ) {
        const std::wstring text = wideStringValue(data);
        return ::RegSetValueExW(key, widen(name).c_str(), 0, type,
                                reinterpret_cast<const BYTE*>(text.c_str()),
                                static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
    }
    return ::RegSetValueExW(key, widen(name).c_str(), 0, type, data.data(),
                            static_cast<DWORD>(data.size()));
}

long Win32Registry::closeKey(RegistryHandle handle) {
    return ::RegCloseKey(reinterpret_cast<HKEY>(handle));
}

} // namespace vesperon::platform::win32
