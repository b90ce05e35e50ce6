// Runs vesperon.exe as the Task Scheduler would, in a fresh application folder, with a
// recording stand-in for shutdown.exe in the system folder. Under Wine it needs the
// built-in shutdown.exe overridden (WINEDLLOVERRIDES with shutdown.exe=n), and reads the
// entries Wine traces for the event log from the file VESPERON_TRACE_FILE names
// (scripts/lib/wine-traced sets both up).
#include "support/temp_dir.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

// clang-format off
#include <windows.h>
#include <sddl.h>
// clang-format on

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

// What Notepad saves as "Unicode": UTF-16 LE after its byte-order mark.
std::string utf16le(const std::string& utf8) {
    const std::wstring text = L'\xFEFF' + wide(utf8); // wchar_t: UTF-16 LE here
    return std::string(reinterpret_cast<const char*>(text.data()), 2 * text.size());
}

std::string buildFolder() {
    char self[MAX_PATH] = {};
    ::GetModuleFileNameA(nullptr, self, MAX_PATH);
    return fs::path(self).parent_path().string();
}

std::string systemFolder() {
    char folder[MAX_PATH] = {};
    ::GetSystemDirectoryA(folder, MAX_PATH);
    return folder;
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

// The event source's message file as registered; empty when none is.
std::wstring registeredMessageFile() {
    wchar_t file[MAX_PATH] = {};
    DWORD size = sizeof file;
    return ::RegGetValueW(HKEY_LOCAL_MACHINE, wide(sourceKey).c_str(), L"EventMessageFile",
                          RRF_RT_REG_SZ, nullptr, file, &size) == ERROR_SUCCESS
               ? file
               : L"";
}

// The entry, as Wine traces it, of a run that a held file withheld.
std::string abortEntry(const std::string& file) {
    return "ReportEventW L\"" +
           traced(" *** A Planned Shutdown was Aborted! *** \r\n\r\nFile in use:  " + file +
                  "\r\n") +
           "\"";
}

// Sets the event source key's access list (as SDDL), creating the key when needed; Wine
// honours it, as a locked-down machine's Windows does.
void setSourceKeyAccess(const wchar_t* sddl) {
    HKEY key = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    ASSERT_EQ(::RegCreateKeyExW(HKEY_LOCAL_MACHINE, wide(sourceKey).c_str(), 0, nullptr, 0,
                                WRITE_DAC, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    ASSERT_TRUE(::ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl, SDDL_REVISION_1,
                                                                       &descriptor, nullptr));
    EXPECT_EQ(::RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, descriptor), ERROR_SUCCESS);
    ::LocalFree(descriptor);
    ::RegCloseKey(key);
}

struct Installation : ::testing::Test {
    TempDir dir;
    std::string exe;

    static void SetUpTestSuite() {
        fs::copy_file(buildFolder() + "\\shutdown_standin.exe", systemFolder() + "\\shutdown.exe",
                      fs::copy_options::overwrite_existing);
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

    // Starts the program with the argument text given, its standard error handle on the
    // folder's file stderr.txt, and waits for it; a program still running after
    // waitMilliseconds (its configuration window open) is ended.
    DWORD run(const std::string& arguments, bool traceEventLog = false,
              DWORD waitMilliseconds = 30000) {
        ::SetEnvironmentVariableA("WINEDEBUG", traceEventLog ? "warn+eventlog" : "-all");
        SECURITY_ATTRIBUTES inherited{sizeof inherited, nullptr, TRUE};
        const HANDLE errors = ::CreateFileW(wide(dir.file("stderr.txt")).c_str(), GENERIC_WRITE,
                                            FILE_SHARE_READ, &inherited, CREATE_ALWAYS, 0, nullptr);
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdError = errors;
        PROCESS_INFORMATION process{};
        std::wstring commandLine =
            wide("\"" + exe + "\"" + (arguments.empty() ? "" : " " + arguments));
        const BOOL started =
            ::CreateProcessW(wide(exe).c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0,
                             nullptr, wide(dir.path()).c_str(), &startup, &process);
        ::CloseHandle(errors);
        ::SetEnvironmentVariableA("WINEDEBUG", "-all");
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

    // Runs, traced, while this process holds the file open as a running job would.
    DWORD runHolding(const std::string& file) {
        HANDLE held = ::CreateFileW(wide(file).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                    OPEN_EXISTING, 0, nullptr);
        EXPECT_NE(held, INVALID_HANDLE_VALUE);
        const DWORD status = run("-r", true);
        ::CloseHandle(held);
        return status;
    }

    // Takes the stand-in's record: command line, window style, its own path; empty when it
    // was not started.
    std::vector<std::string> request(int waitMilliseconds = 5000) const {
        const auto deadline =
            std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMilliseconds);
        // Read until whole: while the stand-in still holds the record it has just renamed
        // into place, opening it fails.
        std::string text;
        while (std::count(text.begin(), text.end(), '\n') < 3 &&
               std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            text = dir.read("shutdown-record.txt");
        }
        ::DeleteFileA(dir.file("shutdown-record.txt").c_str());
        std::istringstream record(text);
        std::vector<std::string> lines;
        for (std::string line; std::getline(record, line);) {
            lines.push_back(line);
        }
        return lines;
    }
};

TEST_F(Installation, ArgumentsBeyondTheSwitchOpenTheWindowAndNeverRequest) {
    EXPECT_EQ(run("-r -f", false, 3000), static_cast<DWORD>(STILL_ACTIVE))
        << "the configuration window stays open until the user closes it";
    EXPECT_TRUE(request(500).empty());
}

// A refused registration still logs; once allowed, the run registers the event source.
TEST_F(Installation, FileHeldByAnotherProcessBlocksRegistersAndLogs) {
    const std::string job = dir.file("job.dat");
    dir.write("job.dat", "data");
    dir.write("vesperon.cfg", header + "\"" + job + "\"\r\n");
    setSourceKeyAccess(L"D:(A;;KR;;;WD)(A;;WD;;;WD)"); // read-only, but for this list
    EXPECT_EQ(runHolding(job), 2u) << "withheld";
    EXPECT_NE(registeredMessageFile(), wide(exe)) << "the registration was refused";
    setSourceKeyAccess(L"D:(A;;KA;;;WD)");
    EXPECT_EQ(runHolding(job), 2u);
    EXPECT_TRUE(request(500).empty());

    DWORD types = 0, size = sizeof types;
    EXPECT_EQ(::RegGetValueA(HKEY_LOCAL_MACHINE, sourceKey.c_str(), "TypesSupported",
                             RRF_RT_REG_DWORD, nullptr, &types, &size),
              ERROR_SUCCESS);
    EXPECT_EQ(types, 7u);
    EXPECT_EQ(registeredMessageFile(), wide(exe));
    const std::string trace = eventLogTrace();
    EXPECT_NE(trace.find(abortEntry(job), trace.find(abortEntry(job)) + 1), std::string::npos)
        << "both runs logged: " << trace;

    // Released again, the same list lets the request through.
    run("-r");
    EXPECT_FALSE(request().empty());
}

// A first restart, a held file and a forced shutdown under another name, with the
// application folder and the listed file named outside the ANSI code page and the list
// saved as Notepad's "Unicode".
TEST_F(Installation, NamesOutsideTheAnsiCodePage) {
    install("Дан\\Nightly.exe");
    // A shutdown.exe planted beside the program must never be the one that runs.
    fs::copy_file(buildFolder() + "\\shutdown_standin.exe", wide(dir.file("Дан\\shutdown.exe")));
    EXPECT_EQ(run("-r"), 0u);
    EXPECT_EQ(request(),
              (std::vector<std::string>{"shutdown.exe -r -t 60 -c \"Restart by Vesperon\" -d p:4:1",
                                        "2", systemFolder() + "\\shutdown.exe"}))
        << "minimised, from the system folder";
    EXPECT_EQ(dir.read("Дан\\Nightly.cfg"), header);
    EXPECT_EQ(dir.read("Дан\\Nightly.ini"),
              "[EventLog]\r\nWriteToNTEventLog=1\r\n[General]\r\nForceAppsToClose=0\r\n");

    const std::string job = dir.file("Дан\\Отчёт.mdb");
    dir.write("Дан\\Отчёт.mdb", "data");
    dir.write("Дан\\Nightly.cfg", utf16le(header + job + "\r\n"));
    EXPECT_EQ(runHolding(job), 2u) << "the held file was not seen";
    EXPECT_EQ(registeredMessageFile(), wide(exe));
    EXPECT_NE(eventLogTrace().find(abortEntry(job)), std::string::npos);

    dir.write("Дан\\Nightly.ini", "[General]\r\nForceAppsToClose=1\r\n");
    EXPECT_EQ(run("-S"), 0u);
    EXPECT_EQ(request(), (std::vector<std::string>{
                             "shutdown.exe -s -f -t 60 -c \"Forced Shutdown by Vesperon\" -d p:4:1",
                             "2", systemFolder() + "\\shutdown.exe"}));
}

TEST_F(Installation, MissingShutdownProgramFailsWithStatusOneAndSaysWhy) {
    const std::string program = systemFolder() + "\\shutdown.exe";
    ASSERT_TRUE(::DeleteFileA(program.c_str()));
    const DWORD status = run("-r", true);
    SetUpTestSuite(); // the stand-in back in its place
    EXPECT_EQ(status, 1u);
    const std::string command = "shutdown.exe -r -t 60 -c \"Restart by Vesperon\" -d p:4:1";
    const std::string said = dir.read("stderr.txt");
    EXPECT_EQ(
        said.rfind("vesperon: the shutdown request failed: " + command + ": " + program + ": ", 0),
        0u)
        << said;
    EXPECT_NE(said.find("(error 2)\r\n"), std::string::npos) << said;
    const std::string entry =
        "ReportEventW L\"" + traced(" *** A Planned Shutdown Failed! *** \r\n\r\nCommand:  " +
                                    command + "\r\n\r\nReason:  " + program + ": ");
    EXPECT_NE(eventLogTrace().find(entry), std::string::npos);
}

} // namespace
} // namespace vesperon::test
