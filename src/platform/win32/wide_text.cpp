#include "platform/win32/wide_text.h"

#include <windows.h>

namespace vesperon::platform::win32 {

namespace {

// Windows' own limit for a plain path; longer ones need the "\\?\" form.
constexpr std::size_t plainPathLimit = MAX_PATH - 1;

bool isSeparator(wchar_t c) {
    return c == L'\\' || c == L'/';
}

} // namespace

std::wstring widen(std::string_view utf8) {
    if (utf8.empty()) {
        return {};
    }
    const int size = static_cast<int>(utf8.size());
    const int n = ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, nullptr, 0);
    std::wstring out(static_cast<std::size_t>(n), L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, out.data(), n);
    return out;
}

std::string narrow(std::wstring_view utf16) {
    if (utf16.empty()) {
        return {};
    }
    const int size = static_cast<int>(utf16.size());
    const int n =
        ::WideCharToMultiByte(CP_UTF8, 0, utf16.data(), size, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(n), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, utf16.data(), size, out.data(), n, nullptr, nullptr);
    return out;
}

std::wstring widePath(std::string_view utf8) {
    std::wstring path = widen(utf8);
    if (path.size() <= plainPathLimit || path.rfind(L"\\\\?\\", 0) == 0 ||
        path.rfind(L"\\\\.\\", 0) == 0) {
        return path;
    }
    const bool drive = path.size() >= 3 && path[1] == L':' && isSeparator(path[2]);
    const bool unc = path.size() >= 2 && isSeparator(path[0]) && isSeparator(path[1]);
    if (!drive && !unc) {
        return path;
    }
    // The prefixed form is taken literally, so it gets the clean-up that Windows gives every
    // shorter path first: "/" to "\", "." and ".." resolved, trailing dots and blanks dropped.
    std::wstring full(path.size() + 1, L'\0');
    DWORD n =
        ::GetFullPathNameW(path.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
    if (n >= full.size()) {
        full.resize(n);
        n = ::GetFullPathNameW(path.c_str(), n, full.data(), nullptr);
    }
    if (n == 0 || n >= full.size()) {
        return path;
    }
    full.resize(n);
    if (full.size() >= 2 && full[0] == L'\\' && full[1] == L'\\') {
        return L"\\\\?\\UNC\\" + full.substr(2);
    }
    return L"\\\\?\\" + full;
}

std::optional<std::string> codePageToUtf8(std::string_view bytes, unsigned codePage) {
    if (bytes.empty()) {
        return std::string();
    }
    const int size = static_cast<int>(bytes.size());
    const int n =
        ::MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, bytes.data(), size, nullptr, 0);
    if (n <= 0) {
        return std::nullopt;
    }
    std::wstring wide(static_cast<std::size_t>(n), L'\0');
    ::MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, bytes.data(), size, wide.data(), n);
    return narrow(wide);
}

std::optional<std::string> utf8ToCodePage(std::string_view text, unsigned codePage) {
    if (text.empty()) {
        return std::string();
    }
    const std::wstring wide = widen(text);
    const int size = static_cast<int>(wide.size());
    BOOL lossy = FALSE;
    const int n =
        ::WideCharToMultiByte(codePage, 0, wide.data(), size, nullptr, 0, nullptr, &lossy);
    if (n <= 0 || lossy) {
        return std::nullopt;
    }
    std::string out(static_cast<std::size_t>(n), '\0');
    ::WideCharToMultiByte(codePage, 0, wide.data(), size, out.data(), n, nullptr, nullptr);
    return out;
}

} // namespace vesperon::platform::win32
