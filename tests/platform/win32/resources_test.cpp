#include <gtest/gtest.h>
#include <string>
#include <vector>
#include <windows.h>

namespace {

// The program beside the test folder: build/windows/vesperon.exe.
std::string programPath() {
    char self[MAX_PATH] = {};
    ::GetModuleFileNameA(nullptr, self, MAX_PATH);
    std::string path(self);
    path.resize(path.find_last_of('\\'));
    path.resize(path.find_last_of('\\') + 1);
    return path + "vesperon.exe";
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

// The fixed version is read back through the file-information backend, in Win32Fso.
TEST(Resources, VersionRecordTexts) {
    const std::string path = programPath();
    DWORD ignored = 0;
    const DWORD size = ::GetFileVersionInfoSizeA(path.c_str(), &ignored);
    ASSERT_GT(size, 0u);
    std::vector<char> info(size);
    ASSERT_TRUE(::GetFileVersionInfoA(path.c_str(), 0, size, info.data()));
    auto text = [&](const char* name) {
        char* value = nullptr;
        UINT chars = 0;
        const std::string query = std::string("\\StringFileInfo\\040904b0\\") + name;
        return ::VerQueryValueA(info.data(), query.c_str(), reinterpret_cast<void**>(&value),
                                &chars)
                   ? std::string(value)
                   : std::string("<missing>");
    };
    EXPECT_EQ(text("FileVersion"), "1.03");
    EXPECT_EQ(text("ProductName"), "Vesperon");
}

} // namespace
