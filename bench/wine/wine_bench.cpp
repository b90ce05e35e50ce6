// Times the Windows edition's unattended restart run (`vesperon.exe -r`) under Wine against
// the floor measured in the same run: probe_floor.exe, a minimal C program that asks each
// listed path's attributes and opens it with share mode 0. Both read the same check list of
// 10,000 files, 1,000 of them held open by 10 other Wine processes of the same prefix;
// 21 interleaved rounds. Goal: vesperon.exe / floor <= 3.
// Run it with bench/run-wine: a throwaway prefix whose shutdown.exe is a recording stand-in.
//   vesperon_wine_bench VESPERON.EXE PROBE_FLOOR.EXE
//   vesperon_wine_bench --hold FOLDER FIRST COUNT   (a holder: keeps files open until ended)
// Exit status: 0 goal met, 1 goal missed, 2 something could not be measured.
#include <algorithm>
#include <cstdio>
#include <stdexcept>
#include <string>
#include <vector>
#include <windows.h>

namespace {

constexpr int fileCount = 10000;
constexpr int holderCount = 10;
constexpr int filesPerHolder = 100;
constexpr int rounds = 21;
constexpr double ratioGoal = 3.0;
constexpr DWORD runTimeoutMilliseconds = 10 * 60 * 1000;

const char* const checkListHeader = "; ********************************************\r\n"
                                    ";     Vesperon - Configuration File\r\n"
                                    "; ********************************************\r\n"
                                    "\r\n";
// As the Linux benchmark: the event log would only add its registry writes.
const char* const quietSettings =
    "[EventLog]\r\nWriteToNTEventLog=0\r\n[General]\r\nForceAppsToClose=0\r\n";

std::wstring fileName(const std::wstring& folder, int i) {
    wchar_t name[32];
    std::swprintf(name, 32, L"\\f%05d.dat", i);
    return folder + name;
}

std::string utf8(const std::wstring& text) {
    std::string out(text.size() * 3, '\0');
    out.resize(static_cast<std::size_t>(
        ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(),
                              static_cast<int>(out.size()), nullptr, nullptr)));
    return out;
}

void writeFile(const std::wstring& path, const std::string& bytes) {
    HANDLE h = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    const bool ok =
        h != INVALID_HANDLE_VALUE &&
        ::WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
        written == bytes.size();
    if (h != INVALID_HANDLE_VALUE) {
        ::CloseHandle(h);
    }
    if (!ok) {
        throw std::runtime_error("cannot write " + utf8(path));
    }
}

bool heldByOthers(const std::wstring& path) {
    HANDLE h = ::CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        return true;
    }
    ::CloseHandle(h);
    return false;
}

struct Process {
    HANDLE handle = nullptr;
    DWORD exitCode = 0;
    double milliseconds = 0;
};

double now() {
    static const double ticksPerMillisecond = [] {
        LARGE_INTEGER f;
        ::QueryPerformanceFrequency(&f);
        return static_cast<double>(f.QuadPart) / 1000.0;
    }();
    LARGE_INTEGER t;
    ::QueryPerformanceCounter(&t);
    return static_cast<double>(t.QuadPart) / ticksPerMillisecond;
}

Process start(const std::wstring& program, const std::wstring& arguments,
              const std::wstring& folder) {
    std::wstring commandLine = L"\"" + program + L"\" " + arguments;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (!::CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                          folder.c_str(), &startup, &info)) {
        throw std::runtime_error("cannot start " + utf8(program));
    }
    ::CloseHandle(info.hThread);
    return {info.hProcess};
}

// Starts the program and waits for it, timed from the start request to its end.
Process timed(const std::wstring& program, const std::wstring& arguments,
              const std::wstring& folder) {
    const double begin = now();
    Process p = start(program, arguments, folder);
    if (::WaitForSingleObject(p.handle, runTimeoutMilliseconds) != WAIT_OBJECT_0) {
        ::TerminateProcess(p.handle, 1);
        throw std::runtime_error(utf8(program) + " did not end");
    }
    p.milliseconds = now() - begin;
    ::GetExitCodeProcess(p.handle, &p.exitCode);
    ::CloseHandle(p.handle);
    return p;
}

double quantile(std::vector<double> values, double q) {
    std::sort(values.begin(), values.end());
    const double at = q * static_cast<double>(values.size() - 1);
    const auto low = static_cast<std::size_t>(at);
    const std::size_t high = std::min(low + 1, values.size() - 1);
    return values[low] + (values[high] - values[low]) * (at - static_cast<double>(low));
}

int hold(const std::wstring& folder, int first, int count) {
    std::vector<HANDLE> held;
    for (int i = first; i < first + count; ++i) {
        held.push_back(::CreateFileW(fileName(folder, i).c_str(), GENERIC_READ, FILE_SHARE_READ,
                                     nullptr, OPEN_EXISTING, 0, nullptr));
    }
    ::Sleep(INFINITE); // until the benchmark ends this process
    return 0;
}

int bench(const std::wstring& vesperon, const std::wstring& floorProbe) {
    wchar_t temp[MAX_PATH] = {};
    ::GetTempPathW(MAX_PATH, temp);
    const std::wstring root =
        std::wstring(temp) + L"vesperon-wine-bench-" + std::to_wstring(::GetCurrentProcessId());
    const std::wstring files = root + L"\\files";
    const std::wstring app = root + L"\\app";
    if (!::CreateDirectoryW(root.c_str(), nullptr) || !::CreateDirectoryW(files.c_str(), nullptr) ||
        !::CreateDirectoryW(app.c_str(), nullptr)) {
        throw std::runtime_error("cannot create " + utf8(root));
    }
    std::string list = checkListHeader;
    for (int i = 0; i < fileCount; ++i) {
        writeFile(fileName(files, i), "data");
        list += utf8(fileName(files, i)) + "\r\n";
    }
    const std::wstring exe = app + L"\\vesperon.exe";
    if (!::CopyFileW(vesperon.c_str(), exe.c_str(), FALSE)) {
        throw std::runtime_error("cannot copy " + utf8(vesperon));
    }
    writeFile(app + L"\\vesperon.cfg", list);
    writeFile(app + L"\\vesperon.ini", quietSettings);
    const std::wstring record = root + L"\\shutdown-record.txt";
    ::SetEnvironmentVariableW(L"VESPERON_STANDIN_RECORD", record.c_str());

    wchar_t self[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::vector<HANDLE> holders;
    const int spacing = fileCount / holderCount;
    for (int h = 0; h < holderCount; ++h) {
        const int first = h * spacing;
        holders.push_back(start(self,
                                L"--hold \"" + files + L"\" " + std::to_wstring(first) + L" " +
                                    std::to_wstring(filesPerHolder),
                                root)
                              .handle);
        const std::wstring last = fileName(files, first + filesPerHolder - 1);
        for (int wait = 0; !heldByOthers(last); ++wait) {
            if (wait == 500) {
                throw std::runtime_error("a holder did not open its files");
            }
            ::Sleep(20);
        }
    }

    std::printf("Windows check run under Wine: %d listed files, %d held by %d Wine processes, "
                "%d interleaved rounds\n",
                fileCount, holderCount * filesPerHolder, holderCount, rounds);
    std::vector<double> vesperonTimes, floorTimes, ratios;
    const std::wstring listPath = app + L"\\vesperon.cfg";
    // One unmeasured round first: both programs and the files then come from the cache.
    for (int round = -1; round < rounds; ++round) {
        Process v, f;
        if (round % 2 == 0) {
            f = timed(floorProbe, L"\"" + listPath + L"\"", app);
            v = timed(exe, L"-r", app);
        } else {
            v = timed(exe, L"-r", app);
            f = timed(floorProbe, L"\"" + listPath + L"\"", app);
        }
        if (::GetFileAttributesW(record.c_str()) != INVALID_FILE_ATTRIBUTES) {
            throw std::runtime_error("vesperon.exe -r requested a shutdown: it saw no held file");
        }
        if (f.exitCode != 1) {
            throw std::runtime_error("the floor probe saw no held file");
        }
        if (round >= 0) {
            vesperonTimes.push_back(v.milliseconds);
            floorTimes.push_back(f.milliseconds);
            ratios.push_back(v.milliseconds / f.milliseconds);
        }
    }
    for (HANDLE h : holders) {
        ::TerminateProcess(h, 0);
        ::CloseHandle(h);
    }

    const double vesperonMedian = quantile(vesperonTimes, 0.5);
    const double floorMedian = quantile(floorTimes, 0.5);
    const double ratio = vesperonMedian / floorMedian;
    std::printf("  vesperon.exe -r  median %7.0f ms  (quartiles %.0f-%.0f, range %.0f-%.0f)\n",
                vesperonMedian, quantile(vesperonTimes, 0.25), quantile(vesperonTimes, 0.75),
                quantile(vesperonTimes, 0), quantile(vesperonTimes, 1));
    std::printf("  floor probe      median %7.0f ms  (quartiles %.0f-%.0f, range %.0f-%.0f)\n",
                floorMedian, quantile(floorTimes, 0.25), quantile(floorTimes, 0.75),
                quantile(floorTimes, 0), quantile(floorTimes, 1));
    std::printf("  ratio %.2f (per-round ratios: quartiles %.2f-%.2f, range %.2f-%.2f); "
                "goal <= %.0f: %s\n",
                ratio, quantile(ratios, 0.25), quantile(ratios, 0.75), quantile(ratios, 0),
                quantile(ratios, 1), ratioGoal, ratio <= ratioGoal ? "met" : "MISSED");
    return ratio <= ratioGoal ? 0 : 1;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    try {
        if (argc == 5 && std::wstring(argv[1]) == L"--hold") {
            return hold(argv[2], std::stoi(argv[3]), std::stoi(argv[4]));
        }
        if (argc != 3) {
            std::fprintf(stderr, "usage: vesperon_wine_bench VESPERON.EXE PROBE_FLOOR.EXE\n");
            return 2;
        }
        return bench(argv[1], argv[2]);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "vesperon_wine_bench: %s\n", e.what());
        return 2;
    }
}
