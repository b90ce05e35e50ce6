#include "platform/win32/win32_file_system.h"

#include <gtest/gtest.h>
#include <string>
#include <windows.h>

namespace vesperon {
namespace {

// This test program, and the program beside its folder: build/windows/vesperon.exe.
std::string selfPath() {
    char self[MAX_PATH] = {};
    ::GetModuleFileNameA(nullptr, self, MAX_PATH);
    return self;
}

std::string programPath() {
    const std::string self = selfPath();
    return self.substr(0, self.find_last_of('\\', self.find_last_of('\\') - 1) + 1) +
           "vesperon.exe";
}

// The event message table gives the entry text and a line break after it.
TEST(Resources, MessageTableShowsTheEntryTextAndALineBreak) {
    HMODULE program = ::LoadLibraryExA(programPath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(program, nullptr) << programPath();
    char insert[] = "Files in use";
    DWORD_PTR inserts[] = {reinterpret_cast<DWORD_PTR>(insert)};
    char text[64] = {};
    const DWORD n =
        ::FormatMessageA(FORMAT_MESSAGE_FROM_HMODULE | FORMAT_MESSAGE_ARGUMENT_ARRAY, program,
                         10177, 0, text, sizeof text, reinterpret_cast<va_list*>(inserts));
    EXPECT_EQ(std::string(text, n), "Files in use\r\n");
    ::FreeLibrary(program);
}

// The version record as the file-information backend reads it for Get_Version.
TEST(Resources, VersionRecord) {
    platform::win32::Win32FileSystem fs;
    EXPECT_EQ(fs.fileVersion(programPath()), "1.3.0.0");
    EXPECT_EQ(fs.fileVersion(selfPath()), "") << "the test program has none";
}

} // namespace
} // namespace vesperon
