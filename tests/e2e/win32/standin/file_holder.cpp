// Holds a file open (reading allowed to others) for the given number of seconds, as a
// running job would. Usage: file_holder FILE SECONDS
#include <cstdlib>
#include <windows.h>

int main(int argc, char** argv) {
    if (argc < 3) {
        return 2;
    }
    HANDLE file =
        ::CreateFileA(argv[1], GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return 1;
    }
    ::Sleep(static_cast<DWORD>(std::atoi(argv[2])) * 1000);
    ::CloseHandle(file);
    return 0;
}
