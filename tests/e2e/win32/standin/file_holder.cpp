// Holds a file open (reading allowed to others) for the given number of seconds, as a
// running job would. Usage: file_holder FILE SECONDS (wide arguments: any name works)
#include <cwchar>
#include <windows.h>

int wmain(int argc, wchar_t** argv) {
    if (argc < 3) {
        return 2;
    }
    HANDLE file =
        ::CreateFileW(argv[1], GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return 1;
    }
    ::Sleep(static_cast<DWORD>(std::wcstol(argv[2], nullptr, 10)) * 1000);
    ::CloseHandle(file);
    return 0;
}
