// Stands in for the system's shutdown.exe in tests: records how it was started, shuts nothing down.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <windows.h>

int main() {
    const char* record = std::getenv("VESPERON_STANDIN_RECORD");
    if (record == nullptr) {
        return 1;
    }
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    ::GetStartupInfoA(&startup);
    char self[MAX_PATH] = {};
    ::GetModuleFileNameA(nullptr, self, MAX_PATH);
    const std::string temp = std::string(record) + ".tmp";
    FILE* out = std::fopen(temp.c_str(), "wb");
    if (out == nullptr) {
        return 1;
    }
    std::fprintf(out, "%s\n%d\n%s\n", ::GetCommandLineA(),
                 (startup.dwFlags & STARTF_USESHOWWINDOW) ? startup.wShowWindow : -1, self);
    std::fclose(out);
    ::MoveFileExA(temp.c_str(), record, MOVEFILE_REPLACE_EXISTING);
    return 0;
}
