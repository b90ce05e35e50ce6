#include "platform/win32/win32_system.h"

#include "base/argument_text.h"
#include "platform/win32/wide_text.h"

#include <windows.h>

namespace vesperon::platform::win32 {

std::string Win32System::executablePath() {
    std::wstring buffer(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n =
            ::GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (n == 0) {
            return {};
        }
        if (n < buffer.size()) {
            buffer.resize(n);
            return narrow(buffer);
        }
        buffer.resize(buffer.size() * 2);
    }
}

std::string Win32System::argumentText() {
    const wchar_t* line = ::GetCommandLineW();
    return line == nullptr ? std::string() : argumentTextOf(narrow(line), executablePath());
}

std::int64_t Win32System::localTimeWholeSeconds() {
    SYSTEMTIME local{};
    ::GetLocalTime(&local);
    FILETIME asFileTime{};
    ::SystemTimeToFileTime(&local, &asFileTime);
    ULARGE_INTEGER ticks{};
    ticks.LowPart = asFileTime.dwLowDateTime;
    ticks.HighPart = asFileTime.dwHighDateTime;
    return static_cast<std::int64_t>(ticks.QuadPart / 10000000ULL);
}

void Win32System::sleepMilliseconds(int milliseconds) {
    ::Sleep(static_cast<DWORD>(milliseconds));
}

std::optional<std::string> Win32System::legacyToUtf8(std::string_view bytes) {
    return codePageToUtf8(bytes, CP_ACP);
}

std::optional<std::string> Win32System::utf8ToLegacy(std::string_view text) {
    return utf8ToCodePage(text, CP_ACP);
}

void Win32System::writeStandardError(const std::string& line) {
    const HANDLE error = ::GetStdHandle(STD_ERROR_HANDLE);
    if (error == nullptr || error == INVALID_HANDLE_VALUE) {
        return;
    }
    const std::string text = line + "\r\n";
    DWORD written = 0;
    ::WriteFile(error, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
}

std::string systemErrorText(unsigned long code) {
    wchar_t buffer[512] = {};
    DWORD n = ::FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                               code, 0, buffer, 512, nullptr);
    while (n > 0 && (buffer[n - 1] == L'\r' || buffer[n - 1] == L'\n' || buffer[n - 1] == L' ')) {
        --n;
    }
    const std::string text = narrow(std::wstring_view(buffer, n));
    return (text.empty() ? std::string() : text + " ") + "(error " + std::to_string(code) + ")";
}

} // namespace vesperon::platform::win32
