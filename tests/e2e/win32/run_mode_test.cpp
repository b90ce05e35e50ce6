// Runs vesperon.exe as the Task Scheduler would, with a recording stand-in for shutdown.exe in
// the system folder; scripts/lib/wine-traced sets up Wine's override and event-log trace.
#include "support/temp_dir.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <string>
#include <thread>
#include <vector>
#include <windows.h>

namespace vesperon::test {
namespace {

namespace fs = std::filesystem;

std::wstring wide(const std::string& utf8) {
    std::wstring out(utf8.size(), L'\0');
    out.resize(static_cast<std::size_t>(
        ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), out.data(),
                              static_cast<int>(out.size()))));
    return out;
}

// As Notepad saves "Unicode": UTF-16 LE (wchar_t is that here) with a byte-order mark.
std::string utf16(const std::string& utf8) {
    const std::wstring text = L"\xFEFF" + wide(utf8);
    return std::string(reinterpret_cast<const char*>(text.data()), 2 * text.size());
}

bool wow64() {
    BOOL wow64 = FALSE;
    return ::IsWow64Process(::GetCurrentProcess(), &wow64) && wow64;
}

std::string folderOf(UINT(WINAPI* get)(LPSTR, UINT), const std::string& then = "") {
    char folder[MAX_PATH] = {};
    get(folder, MAX_PATH);
    return folder + then;
}

// Under WOW64 a 32-bit program's System32 is SysWOW64; Sysnative reaches the real one.
std::string nativeSystemFolder() {
    return folderOf(::GetWindowsDirectoryA, wow64() ? "\\Sysnative" : "\\System32");
}

// Where the started stand-in says it is: under WOW64, the 32-bit one in SysWOW64.
std::string startedStandIn() {
    return folderOf(wow64() ? ::GetSystemWow64DirectoryA : ::GetSystemDirectoryA, "\\shutdown.exe");
}

std::string buildFolder() {
    char self[MAX_PATH] = {};
    ::GetModuleFileNameA(nullptr, self, MAX_PATH);
    return fs::path(self).parent_path().string();
}

const std::string header = "; ********************************************\r\n"
                           ";     Vesperon - Configuration File\r\n"
                           "; ********************************************\r\n"
                           "\r\n";

// Wine's trace of a string: backslashes and double quotes escaped, CR and LF as \r and \n,
// anything beyond ASCII as a backslash and four hexadecimal digits.
std::string traced(const std::string& utf8) {
    std::string out;
    for (wchar_t c : wide(utf8)) {
        char escaped[8];
        std::snprintf(escaped, sizeof escaped, "\\%04x", static_cast<unsigned>(c));
        out += c == L'\\'   ? "\\\\"
               : c == L'"'  ? "\\\""
               : c == L'\r' ? "\\r"
               : c == L'\n' ? "\\n"
               : c < 0x80   ? std::string(1, static_cast<char>(c))
                            : std::string(escaped);
    }
    return out;
}

std::string eventLogTrace() {
    const char* traceFile = std::getenv("VESPERON_TRACE_FILE");
    EXPECT_NE(traceFile, nullptr) << "run me through scripts/lib/wine-traced";
    std::ifstream in(traceFile == nullptr ? "" : traceFile, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

const std::string sourceKey =
    "SYSTEM\\CurrentControlSet\\Services\\Eventlog\\Application\\Vesperon";

// The event source's message file as registered, with the zeros stored after it.
std::wstring registeredMessageFile() {
    HKEY key = nullptr;
    wchar_t file[2 * MAX_PATH] = {};
    DWORD size = sizeof file;
    if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, wide(sourceKey).c_str(), 0, KEY_READ, &key) != 0) {
        return L"";
    }
    const LONG read = ::RegQueryValueExW(key, L"EventMessageFile", nullptr, nullptr,
                                         reinterpret_cast<BYTE*>(file), &size);
    ::RegCloseKey(key);
    return read == ERROR_SUCCESS ? std::wstring(file, size / sizeof(wchar_t)) : L"";
}

struct Installation : ::testing::Test {
    TempDir dir;
    std::string exe;

    static void SetUpTestSuite() {
        ::SetEnvironmentVariableA("WINEDEBUG", "warn+eventlog");
        // In the 32-bit system folder and, on 64-bit Windows, in the real one too.
        for (const std::string& folder : {folderOf(::GetSystemDirectoryA), nativeSystemFolder()}) {
            fs::copy_file(buildFolder() + "\\shutdown_standin.exe", folder + "\\shutdown.exe",
                          fs::copy_options::overwrite_existing);
        }
    }

    void SetUp() override { install("vesperon.exe"); }

    // name may start with a folder of its own, made here.
    void install(const std::string& name) {
        exe = dir.file(name);
        const fs::path target(wide(exe));
        fs::create_directories(target.parent_path());
        fs::copy_file(fs::path(buildFolder()).parent_path() / "vesperon.exe", target,
                      fs::copy_options::overwrite_existing);
        ::SetEnvironmentVariableA("VESPERON_STANDIN_RECORD",
                                  dir.file("shutdown-record.txt").c_str());
    }

    // Its standard error goes to stderr.txt; still running after waitMilliseconds, it is ended.
    // unquotedPath: the command line starts with the program's path as it is, blanks and all.
    DWORD run(const std::string& arguments, DWORD waitMilliseconds = 30000,
              std::wstring desktop = L"", bool unquotedPath = false) {
        SECURITY_ATTRIBUTES inherited{sizeof inherited, nullptr, TRUE};
        const HANDLE errors = ::CreateFileW(wide(dir.file("stderr.txt")).c_str(), GENERIC_WRITE,
                                            FILE_SHARE_READ, &inherited, CREATE_ALWAYS, 0, nullptr);
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdError = errors;
        startup.lpDesktop = desktop.empty() ? nullptr : desktop.data();
        PROCESS_INFORMATION process{};
        const std::string program = unquotedPath ? exe : "\"" + exe + "\"";
        std::wstring commandLine = wide(program + (arguments.empty() ? "" : " " + arguments));
        const BOOL started =
            ::CreateProcessW(wide(exe).c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0,
                             nullptr, wide(dir.path()).c_str(), &startup, &process);
        ::CloseHandle(errors);
        DWORD code = 9999;
        if (started) {
            if (::WaitForSingleObject(process.hProcess, waitMilliseconds) == WAIT_TIMEOUT) {
                ::TerminateProcess(process.hProcess, STILL_ACTIVE);
                ::WaitForSingleObject(process.hProcess, 5000);
            }
            ::GetExitCodeProcess(process.hProcess, &code);
            ::CloseHandle(process.hThread);
            ::CloseHandle(process.hProcess);
        }
        return code;
    }

    // The stand-in's record (command line, window style, its path); empty when not started.
    std::string request(int waitMilliseconds = 5000) const {
        const auto deadline =
            std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMilliseconds);
        // Until whole: opening fails while the stand-in still holds the record it renamed.
        std::string text;
        while (std::count(text.begin(), text.end(), '\n') < 3 &&
               std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            text = dir.read("shutdown-record.txt");
        }
        ::DeleteFileA(dir.file("shutdown-record.txt").c_str());
        return text;
    }
};

// A restart, a held file, a forced shutdown: names outside the ANSI code page throughout.
TEST_F(Installation, NamesOutsideTheAnsiCodePage) {
    install("Дан\\Nightly.exe");
    // A shutdown.exe planted beside the program must never be the one that runs.
    fs::copy_file(buildFolder() + "\\shutdown_standin.exe", wide(dir.file("Дан\\shutdown.exe")));
    EXPECT_EQ(run("-r"), 0u);
    EXPECT_EQ(request(), "shutdown.exe -r -t 60 -c \"Restart by Vesperon\" -d p:4:1\n2\n" +
                             startedStandIn() + "\n")
        << "minimised, from the system folder";
    EXPECT_EQ(dir.read("Дан\\Nightly.cfg"), header);
    EXPECT_EQ(dir.read("Дан\\Nightly.ini"),
              "[EventLog]\r\nWriteToNTEventLog=1\r\n[General]\r\nForceAppsToClose=0\r\n");

    const std::string job = dir.file("Дан\\Отчёт.mdb");
    dir.write("Дан\\Отчёт.mdb", "data");
    dir.write("Дан\\Nightly.cfg", utf16(header + "\"" + job + "\"\r\n"));
    const HANDLE held = ::CreateFileW(wide(job).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                      OPEN_EXISTING, 0, nullptr);
    EXPECT_EQ(run("-r"), 2u) << "the held file was not seen";
    ::CloseHandle(held);
    EXPECT_TRUE(request(500).empty());
    DWORD types = 0, size = sizeof types;
    EXPECT_EQ(::RegGetValueA(HKEY_LOCAL_MACHINE, sourceKey.c_str(), "TypesSupported",
                             RRF_RT_REG_DWORD, nullptr, &types, &size),
              ERROR_SUCCESS);
    EXPECT_EQ(size, sizeof types) << "a whole DWORD";
    EXPECT_EQ(registeredMessageFile(), wide(exe) + L'\0') << "one terminating zero";
    const std::string trace = eventLogTrace();
    EXPECT_NE(trace.find(traced(" *** A Planned Shutdown was Aborted! *** \r\n\r\nFile in use:  " +
                                job + "\r\n")),
              std::string::npos)
        << trace;

    // Released, the same list lets the request through.
    dir.write("Дан\\Nightly.ini", "[General]\r\nForceAppsToClose=1\r\n");
    EXPECT_EQ(run("-S"), 0u);
    EXPECT_EQ(request(),
              "shutdown.exe -s -f -t 60 -c \"Forced Shutdown by Vesperon\" -d p:4:1\n2\n" +
                  startedStandIn() + "\n");
}

TEST_F(Installation, MissingShutdownProgramFailsWithStatusOneAndSaysWhy) {
    const std::string program = folderOf(::GetSystemDirectoryA, "\\shutdown.exe");
    ASSERT_TRUE(::DeleteFileA(program.c_str()));
    const DWORD status = run("-r");
    SetUpTestSuite(); // the stand-in back in its place
    EXPECT_EQ(status, 1u);
    const std::string said = dir.read("stderr.txt");
    const std::string failed = "vesperon: the shutdown request failed: shutdown.exe -r -t 60 -c "
                               "\"Restart by Vesperon\" -d p:4:1: ";
    EXPECT_EQ(said.rfind(failed + program + ": ", 0), 0u) << said;
    EXPECT_EQ(said.find('\n'), said.size() - 1) << "one line: " << said;
}

// Windows paths that name a held file, or whose file cannot be told: none passes for missing.
TEST_F(Installation, EntriesThatMustNeverCountAsMissing) {
    const std::string ansi = dir.file("data\\caf\xC3\xA9.txt"); // café in UTF-8
    const std::string plain = dir.file("data\\held.txt");
    const std::string longFolder = dir.file(std::string(230, 'L'));
    const std::string system = nativeSystemFolder() + "\\vesperon-e2e";
    fs::create_directories(wide(dir.file("data")));
    fs::create_directories(wide(longFolder + "\\sub"));
    fs::create_directories(wide(system));
    std::vector<HANDLE> handles;
    // Made and held through "\\?\", which takes a name as it is: a reserved device name too.
    auto hold = [&](const std::string& path) {
        const HANDLE h =
            ::CreateFileW((L"\\\\?\\" + wide(path)).c_str(), GENERIC_READ | GENERIC_WRITE,
                          FILE_SHARE_READ, nullptr, OPEN_ALWAYS, 0, nullptr);
        EXPECT_NE(h, INVALID_HANDLE_VALUE) << path;
        handles.push_back(h);
    };
    for (const std::string& path :
         {plain, ansi, longFolder + "\\held2.txt", dir.file("data\\nul.tar.gz"),
          dir.file("data\\aux"), system + "\\held.mdb"}) {
        hold(path);
    }
    dir.write(std::string(230, 'L') + "\\free.txt", "");
    const std::string share = "\\\\localhost\\c"; // C:\ as scripts/lib/wine-test shares it
    const struct {
        const char* what;
        std::string list;
        DWORD status;
    } cases[] = {
        {"a code-page line (Add-Content) in a UTF-8 list",
         header + dir.file("data") + "\\caf\xE9.txt\r\n", 2},
        {"relative", header + "data\\held.txt\r\n", 2},
        {"long, with forward slashes", header + longFolder + "/sub/../held2.txt\r\n", 2},
        {"long, free, already behind \"\\\\?\\\"",
         header + "\\\\?\\" + longFolder + "\\free.txt\r\n", 0},
        {"long, on a share", header + share + longFolder.substr(2) + "\\held2.txt\r\n", 2},
        {"long, free, on a share through \"..\"",
         header + share + longFolder.substr(2) + "\\sub\\..\\free.txt\r\n", 0},
        {"a reserved device name, two extensions", header + dir.file("data\\nul.tar.gz") + "\r\n",
         2},
        {"a bare device name", header + dir.file("data\\aux") + "\r\n", 2},
        {"a file no one may read (write-only in Linux's /sys)",
         header + "Z:\\sys\\bus\\platform\\drivers_probe\r\n", 2},
        {"System32 of 64-bit Windows", header + "C:\\Windows\\System32\\vesperon-e2e\\held.mdb\r\n",
         2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        dir.write("vesperon.cfg", c.list);
        EXPECT_EQ(run("-r"), c.status);
        EXPECT_EQ(request(c.status == 0 ? 5000 : 300).empty(), c.status != 0);
    }
    for (HANDLE h : handles) {
        ::CloseHandle(h);
    }
    // The folder's own clean-up reaches neither beyond MAX_PATH nor device names.
    for (const std::string& path :
         {longFolder + "\\held2.txt", longFolder + "\\free.txt", longFolder + "\\sub", longFolder,
          dir.file("data\\nul.tar.gz"), dir.file("data\\aux"), system + "\\held.mdb", system}) {
        const std::wstring name = L"\\\\?\\" + wide(path);
        ::DeleteFileW(name.c_str()) || ::RemoveDirectoryW(name.c_str());
    }
    const std::string trace = eventLogTrace();
    for (const std::string& block :
         {std::string("Unable to determine if file is in use:  data\\held.txt"),
          "File in use:  " + ansi}) {
        EXPECT_NE(trace.find(traced(block)), std::string::npos) << block;
    }
}

// A task that runs whether or not a user is logged on gets a window station no one sees: no
// run mode ends it at once and says so. A program path passed unquoted still selects the run.
TEST_F(Installation, NoRunModeWhereNoOneSeesAWindowEndsAndSaysWhy) {
    const HWINSTA original = ::GetProcessWindowStation();
    const HWINSTA station = ::CreateWindowStationW(L"vesperon-e2e", 0, WINSTA_ALL_ACCESS, nullptr);
    ASSERT_NE(station, nullptr);
    ASSERT_TRUE(::SetProcessWindowStation(station));
    const HDESK desktop = ::CreateDesktopW(L"Default", nullptr, nullptr, 0, GENERIC_ALL, nullptr);
    ::SetProcessWindowStation(original);
    ASSERT_NE(desktop, nullptr);
    for (const char* arguments : {"/r", "\xE2\x80\x93r", "\"\""}) {
        SCOPED_TRACE(arguments);
        EXPECT_EQ(run(arguments, 10000, L"vesperon-e2e\\Default"), 1u);
        const std::string said = dir.read("stderr.txt");
        EXPECT_NE(said.find(std::string("not a run mode (-r restart, -s shut down): \"") +
                            arguments + "\"; no one can see the configuration window"),
                  std::string::npos)
            << said;
    }
    ::CloseDesktop(desktop);
    ::CloseWindowStation(station);

    install("Program Files\\Vesperon\\vesperon.exe");
    EXPECT_EQ(run("-r", 30000, L"", true), 0u);
    EXPECT_FALSE(request().empty());
}

} // namespace
} // namespace vesperon::test
