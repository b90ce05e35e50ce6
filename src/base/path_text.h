#pragma once

#include <string>

namespace vesperon::path_text {

// Blanks trimmed, then one separator appended when the text does not end in one.
std::string addTrailingSeparator(const std::string& path, char separator);
// Blanks trimmed, then one trailing separator dropped. On the POSIX edition a lone
// "/" stays: it is the drive itself, as "C:" is on Windows.
std::string removeTrailingSeparator(const std::string& path, char separator);
// The scripting object's parent-folder name: C:\dir\f.txt gives C:\dir, C:\f.txt gives C:\.
std::string windowsParentFolderName(const std::string& path);
// The same for POSIX paths: /dir/f gives /dir, /f gives /.
std::string posixParentFolderName(const std::string& path);
// The scripting object's file name: the last component, trailing separators ignored
// (C:\dir\ gives dir); a root or bare drive gives an empty text.
std::string fileNameOf(const std::string& path, bool windowsStyle);
// The text after the last "." of the last component, without the dot; empty when none.
std::string extensionNameOf(const std::string& path, bool windowsStyle);

} // namespace vesperon::path_text
