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
    if (path.size() <= plainPathLimit || path.rfind(L"\\\\?\\", 0) == 0) {
        return path;
    }
    // The prefixed form takes no "/" and no relative parts; only plain separators are mended.
    for (wchar_t& c : path) {
        if (c == L'/') {
            c = L'\\';
        }
    }
    if (path.size() >= 3 && path[1] == L':' && isSeparator(path[2])) {
        return L"\\\\?\\" + path;
    }
    if (path.size() >= 2 && isSeparator(path[0]) && isSeparator(path[1])) {
        return L"\\\\?\\UNC\\" + path.substr(2);
    }
    return path;
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
