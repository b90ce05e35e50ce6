#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace vesperon::platform::win32 {

// The program keeps text as UTF-8; Windows takes paths and texts as UTF-16 through its
// wide functions, so that names outside the ANSI code page survive.
std::wstring widen(std::string_view utf8);
std::string narrow(std::wstring_view utf16);

// A path as the wide file functions take it beyond MAX_PATH: "\\?\C:\..." or "\\?\UNC\...",
// cleaned up first as Windows cleans a shorter path. Relative paths, paths shorter than
// MAX_PATH and paths that already carry a "\\?\" or "\\.\" prefix are left as they are.
std::wstring widePath(std::string_view utf8);

// Text in a code page (CP_ACP...) to UTF-8 and back; nullopt when a character has no
// counterpart.
std::optional<std::string> codePageToUtf8(std::string_view bytes, unsigned codePage);
std::optional<std::string> utf8ToCodePage(std::string_view text, unsigned codePage);

} // namespace vesperon::platform::win32
