// Runs vesperon.exe as the Task Scheduler would, in a fresh application folder, with a
// recording stand-in for shutdown.exe in the system folder. Under Wine it needs the
// built-in shutdown.exe overridden (WINEDLLOVERRIDES with shutdown.exe=n), and reads the
// entries Wine traces for the event log from the file VESPERON_TRACE_FILE names
// (scripts/lib/wine-traced sets both up).
#include "support/temp_dir.h"

#include <chrono>
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

// Wine's trace of a string: backslashes doubled, CR and LF as \r and \n.
std::string traced(const std::string& s) {
    std::string out;
    for (char c : s) {
        out += c == '\\' ? "\\\\" : c == '\r' ? "\\r" : c == '\n' ? "\\n" : std::string(1, c);
    }
    return out;
}

struct Installation : ::testing::Test {
    TempDir dir;
    std::string exe;

    static void SetUpTestSuite() {
        fs::copy_file(buildFolder() + "\\shutdown_standin.exe", systemFolder() + "\\shutdown.exe",
                      fs::copy_options::overwrite_existing);
    }

    void SetUp() override { install("vesperon.exe"); }

    void install(const std::string& name) {
        exe = dir.file(name);
        fs::copy_file(fs::path(buildFolder()).parent_path() / "vesperon.exe", exe,
                      fs::copy_options::overwrite_existing);
        ::SetEnvironmentVariableA("VESPERON_STANDIN_RECORD",
                                  dir.file("shutdown-record.txt").c_str());
    }

    // Starts the program with the argument text given and waits for it; a program still
    // running after waitMilliseconds (its configuration window open) is ended.
    DWORD run(const std::string& arguments, bool traceEventLog = false,
              DWORD waitMilliseconds = 30000) {
        ::SetEnvironmentVariableA("WINEDEBUG", traceEventLog ? "warn+eventlog" : "-all");
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION process{};
        std::string commandLine = "\"" + exe + "\"" + (arguments.empty() ? "" : " " + arguments);
        const BOOL started =
            ::CreateProcessA(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                             dir.path().c_str(), &startup, &process);
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

    // The stand-in's record: command line, window style, its own path; empty when not started.
    std::vector<std::string> request(int waitMilliseconds = 5000) const {
        const auto deadline =
            std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMilliseconds);
        while (!dir.exists("shutdown-record.txt") && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        std::vector<std::string> lines;
        const std::string text = dir.read("shutdown-record.txt");
        std::size_t start = 0;
        for (auto end = text.find('\n'); end != std::string::npos; end = text.find('\n', start)) {
            lines.push_back(text.substr(start, end - start));
            start = end + 1;
        }
        return lines;
    }
};

TEST_F(Installation, FirstRestartStartsTheSystemsShutdownMinimised) {
    // A shutdown.exe planted beside the program must never be the one that runs.
    fs::copy_file(buildFolder() + "\\shutdown_standin.exe", dir.file("shutdown.exe"));
    EXPECT_EQ(run("-r"), 0u);
    const auto lines = request();
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], "shutdown.exe -r -t 60 -c \"Restart by Vesperon\" -d p:4:1");
    EXPECT_EQ(lines[1], "2");
    EXPECT_EQ(lines[2], systemFolder() + "\\shutdown.exe");
    EXPECT_EQ(dir.read("vesperon.cfg"), header);
    EXPECT_EQ(dir.read("vesperon.ini"),
              "[EventLog]\r\nWriteToNTEventLog=1\r\n[General]\r\nForceAppsToClose=0\r\n");
}

TEST_F(Installation, ForcedShutdownUnderAnotherName) {
    install("Nightly.exe");
    dir.write("Nightly.ini", "[General]\r\nForceAppsToClose=1\r\n");
    EXPECT_EQ(run("-S"), 0u);
    const auto lines = request();
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines[0], "shutdown.exe -s -f -t 60 -c \"Forced Shutdown by Vesperon\" -d p:4:1");
    EXPECT_EQ(dir.read("Nightly.cfg"), header);
}

TEST_F(Installation, ArgumentsBeyondTheSwitchOpenTheWindowAndNeverRequest) {
    EXPECT_EQ(run("-r -f", false, 3000), static_cast<DWORD>(STILL_ACTIVE))
        << "the configuration window stays open until the user closes it";
    EXPECT_TRUE(request(500).empty());
}

TEST_F(Installation, FileHeldByAnotherProcessBlocksRegistersAndLogs) {
    dir.write("job.dat", "data");
    const std::string job = dir.file("job.dat");
    dir.write("vesperon.cfg", header + "\"" + job + "\"\r\n");
    HANDLE held = ::CreateFileA(job.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    run("-r", true);
    ::CloseHandle(held);
    EXPECT_TRUE(request(500).empty());

    HKEY key = nullptr;
    ASSERT_EQ(
        ::RegOpenKeyExA(HKEY_LOCAL_MACHINE,
                        "SYSTEM\\CurrentControlSet\\Services\\Eventlog\\Application\\Vesperon", 0,
                        KEY_READ, &key),
        ERROR_SUCCESS);
    DWORD type = 0, types = 0, size = sizeof types;
    EXPECT_EQ(::RegQueryValueExA(key, "TypesSupported", nullptr, &type,
                                 reinterpret_cast<BYTE*>(&types), &size),
              ERROR_SUCCESS);
    EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));
    EXPECT_EQ(types, 7u);
    char file[MAX_PATH] = {};
    size = sizeof file;
    EXPECT_EQ(::RegQueryValueExA(key, "EventMessageFile", nullptr, &type,
                                 reinterpret_cast<BYTE*>(file), &size),
              ERROR_SUCCESS);
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(std::string(file), exe);
    ::RegCloseKey(key);

    const std::string entry =
        " *** A Planned Shutdown was Aborted! *** \r\n\r\nFile in use:  " + job + "\r\n";
    const char* traceFile = std::getenv("VESPERON_TRACE_FILE");
    ASSERT_NE(traceFile, nullptr) << "run me through scripts/lib/wine-traced";
    std::ifstream in(traceFile, std::ios::binary);
    const std::string trace((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_NE(trace.find("ReportEventW L\"" + traced(entry) + "\""), std::string::npos) << trace;

    // Released again, the same list lets the request through.
    run("-r");
    EXPECT_FALSE(request().empty());
}

} // namespace
} // namespace vesperon::test
