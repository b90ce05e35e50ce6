// Times the unattended restart run (`vesperon -r`) against peers measured in the same run:
//   A  10,000 listed files, 1,000 of them held open by 10 other processes, in 21 rounds that
//      each run vesperon, fuser given the same paths, and the floor (bench/floor.c: one /proc
//      pass, one stat and one open and close per file): goals, as medians of the rounds'
//      ratios, vesperon/fuser <= 0.2 and vesperon/floor <= 1.1. Then the same against the
//      floor with 500 more processes holding 100,000 descriptors of files not listed, as a
//      busy server has them: goal vesperon/floor <= 1.1 there too.
//   B  an empty check list against /bin/true, 21 rounds taking turns: goals at most 0.5 ms
//      slower than /bin/true, and a peak resident memory of at most 2.5 MB, with no window
//      library mapped (the windows are a module that a run mode never loads).
//   C  peak resident memory per listed file: a run over 100,000 listed files against one over
//      an empty list, both measured from a small parent (bench/peak_rss.c): goal <= 100 bytes.
// Run it with `bench/run` (builds the linux preset when needed), or directly:
//   build/linux/bench/vesperon_run_mode_bench [vesperon-executable]
// Every run uses a copy of the executable in a temporary folder, with a recording stand-in
// for `shutdown` first on PATH, its own state folder and no DISPLAY: nothing ever goes down.
// Exit status: 0 all goals met, 1 a goal missed, 2 something could not be measured.

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

namespace fs = std::filesystem;

constexpr int runs = 5;
constexpr int fileCount = 10000;
constexpr int holderCount = 10;
constexpr int filesPerHolder = 100;
constexpr int roundsA = 21;
constexpr int crowdProcesses = 500;
constexpr int crowdDescriptorsEach = 200;
constexpr int crowdFiles = 10000;
constexpr double fuserGoal = 0.2;
constexpr double floorGoal = 1.1;
constexpr double testGoal = 1.2; // `--test`, which also names the holders, against `-r`
constexpr int emptyListRounds = 21;
constexpr double emptyListGoalMs = 0.5; // more than /bin/true
constexpr double rssGoalMB = 2.5;
constexpr int fileCountC = 100000;
constexpr double bytesPerFileGoal = 100;

const std::string checkListHeader = "; ********************************************\r\n"
                                    ";     Vesperon - Configuration File\r\n"
                                    "; ********************************************\r\n"
                                    "\r\n";
const std::string quietSettings =
    "[EventLog]\r\nWriteToNTEventLog=0\r\n[General]\r\nForceAppsToClose=0\r\n";
const std::string loggingSettings =
    "[EventLog]\r\nWriteToNTEventLog=1\r\n[General]\r\nForceAppsToClose=0\r\n";

// A run waits for its request to finish, so the stand-in's own time counts in every figure:
// it records with shell builtins only, into a file named in it.
std::string standIn(const std::string& record) {
    return "#!/bin/sh\n"
           "# Records its arguments instead of shutting anything down.\n"
           "printf '%s\\n' \"$@\" >'" +
           record + "'\n";
}

volatile std::sig_atomic_t interrupted = 0;

void onInterrupt(int) {
    interrupted = 1;
}

// Unwinding, not dying, on Ctrl-C: the holders and temporary folders are cleaned up on the way.
void stopIfInterrupted() {
    if (interrupted != 0) {
        throw std::runtime_error("interrupted");
    }
}

std::string errnoText(const std::string& what) {
    return what + ": " + std::strerror(errno);
}

void writeFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
    if (!out.flush()) {
        throw std::runtime_error("cannot write " + path);
    }
}

class TempFolder {
public:
    TempFolder() {
        std::string pattern = (fs::temp_directory_path() / "vesperon-bench-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) {
            throw std::runtime_error(errnoText("mkdtemp"));
        }
        path_ = pattern;
    }
    ~TempFolder() {
        std::error_code ignored;
        fs::remove_all(path_, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

struct Outcome {
    double ms = 0;
    int status = -1; // exit status, or 128 + signal
    long maxRssKiB = 0;
};

std::vector<char*> pointersTo(std::vector<std::string>& strings) {
    std::vector<char*> pointers;
    for (auto& s : strings) {
        pointers.push_back(s.data());
    }
    pointers.push_back(nullptr);
    return pointers;
}

// fork + execve + wait4, timed from before the fork to the reaping. fork rather than vfork:
// the child's peak RSS then starts from this (small) process's private pages, not its peak.
// Output goes to /dev/null unless `output` asks for standard output.
Outcome spawn(std::vector<std::string> argv, std::vector<std::string> env,
              const std::string& folder, std::string* output = nullptr) {
    auto cargv = pointersTo(argv);
    auto cenv = pointersTo(env);
    int execReport[2];
    int outPipe[2] = {-1, -1};
    if (::pipe2(execReport, O_CLOEXEC) != 0 ||
        (output != nullptr && ::pipe2(outPipe, O_CLOEXEC) != 0)) {
        throw std::runtime_error(errnoText("pipe"));
    }
    const int devNull = ::open("/dev/null", O_RDWR | O_CLOEXEC);

    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = ::fork();
    if (pid == 0) {
        if (::chdir(folder.c_str()) == 0 && ::dup2(devNull, 0) == 0 &&
            ::dup2(output != nullptr ? outPipe[1] : devNull, 1) == 1 && ::dup2(devNull, 2) == 2) {
            ::execve(cargv[0], cargv.data(), cenv.data());
        }
        const int error = errno;
        [[maybe_unused]] auto n = ::write(execReport[1], &error, sizeof error);
        ::_exit(127);
    }
    ::close(execReport[1]);
    ::close(devNull);
    if (output != nullptr) {
        ::close(outPipe[1]);
    }
    if (pid < 0) {
        ::close(execReport[0]);
        if (output != nullptr) {
            ::close(outPipe[0]);
        }
        throw std::runtime_error(errnoText("fork"));
    }
    if (output != nullptr) {
        char buffer[4096];
        ssize_t n;
        while ((n = ::read(outPipe[0], buffer, sizeof buffer)) > 0 || (n < 0 && errno == EINTR)) {
            if (n > 0) {
                output->append(buffer, static_cast<std::size_t>(n));
            }
        }
        ::close(outPipe[0]);
    }
    int status = 0;
    rusage usage{};
    while (::wait4(pid, &status, 0, &usage) < 0 && errno == EINTR) {
    }
    const auto end = std::chrono::steady_clock::now();

    int execError = 0;
    const ssize_t got = ::read(execReport[0], &execError, sizeof execError);
    ::close(execReport[0]);
    if (got == static_cast<ssize_t>(sizeof execError)) {
        throw std::runtime_error("cannot start " + argv[0] + ": " + std::strerror(execError));
    }
    stopIfInterrupted();

    Outcome outcome;
    outcome.ms = std::chrono::duration<double, std::milli>(end - start).count();
    outcome.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    outcome.maxRssKiB = usage.ru_maxrss;
    return outcome;
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t mid = values.size() / 2;
    return values.size() % 2 == 1 ? values[mid] : (values[mid - 1] + values[mid]) / 2;
}

struct Spread {
    double min = 0, median = 0, max = 0;
};

Spread spreadOf(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return {values.front(), median(values), values.back()};
}

// A copy of the executable in a fresh folder, set up the way the end-to-end tests run it.
class Installation {
public:
    explicit Installation(const std::string& executable) {
        fs::copy_file(executable, exe());
        fs::create_directory(folder_.file("bin"));
        writeFile(folder_.file("bin/shutdown"), standIn(folder_.file("shutdown-args")));
        fs::permissions(folder_.file("bin/shutdown"), fs::perms::owner_all);
        for (char** e = environ; *e != nullptr; ++e) {
            const std::string entry(*e);
            if (entry.rfind("DISPLAY=", 0) != 0 && entry.rfind("WAYLAND_DISPLAY=", 0) != 0 &&
                entry.rfind("PATH=", 0) != 0 && entry.rfind("VESPERON_STATE_DIR=", 0) != 0) {
                env_.push_back(entry);
            }
        }
        env_.push_back("PATH=" + folder_.file("bin") + ":/usr/bin:/bin");
        env_.push_back("VESPERON_STATE_DIR=" + folder_.file("state"));
    }

    std::string exe() const { return folder_.file("vesperon"); }
    std::string file(const std::string& name) const { return folder_.file(name); }
    const std::vector<std::string>& env() const { return env_; }
    const std::string& folder() const { return folder_.path(); }

    Outcome run(const std::vector<std::string>& extraEnv = {}) { return runThrough({}, extraEnv); }
    // `vesperon --test`, its report read as a terminal's pager would.
    Outcome runTest(std::string* report) { return runThrough({}, {}, report, "--test"); }

    // Runs `vesperon -r` as the last arguments of launcher (a measuring helper, say).
    Outcome runThrough(std::vector<std::string> launcher,
                       const std::vector<std::string>& extraEnv = {}, std::string* output = nullptr,
                       const std::string& switchText = "-r") {
        // Refuse to go on unless the recording stand-in is still the first `shutdown` on PATH.
        if (::access(folder_.file("bin/shutdown").c_str(), X_OK) != 0) {
            throw std::runtime_error("the shutdown stand-in is missing; not running " + exe());
        }
        auto env = env_;
        env.insert(env.end(), extraEnv.begin(), extraEnv.end());
        launcher.push_back(exe());
        launcher.push_back(switchText);
        return spawn(launcher, env, folder_.path(), output);
    }

    // Whether the stand-in was started (within the wait); forgets the record for the next run.
    bool takeStandInRecord(int waitMs) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs);
        const std::string record = folder_.file("shutdown-args");
        while (!fs::exists(record) && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        std::error_code ignored;
        return fs::remove(record, ignored);
    }

private:
    TempFolder folder_;
    std::vector<std::string> env_;
};

// Other processes, each holding its share of the files open until this is destroyed. They
// also die with the benchmark itself, however it ends.
class Holders {
public:
    Holders(const std::vector<std::string>& paths, int processes) {
        try {
            const std::size_t share = paths.size() / static_cast<std::size_t>(processes);
            for (int p = 0; p < processes; ++p) {
                start(paths, static_cast<std::size_t>(p) * share, share);
            }
        } catch (...) {
            release();
            throw;
        }
    }
    ~Holders() { release(); }
    Holders(const Holders&) = delete;
    Holders& operator=(const Holders&) = delete;

private:
    void start(const std::vector<std::string>& paths, std::size_t first, std::size_t count) {
        int ready[2];
        if (::pipe(ready) != 0) {
            throw std::runtime_error(errnoText("pipe"));
        }
        const pid_t parent = ::getpid();
        const pid_t pid = ::fork();
        if (pid == 0) {
            ::close(ready[0]);
            ::prctl(PR_SET_PDEATHSIG, SIGKILL);
            char answer = ::getppid() == parent ? 'k' : 'e';
            for (std::size_t i = first; i < first + count && answer == 'k'; ++i) {
                if (::open(paths[i].c_str(), O_RDONLY) < 0) {
                    answer = 'e';
                }
            }
            [[maybe_unused]] auto n = ::write(ready[1], &answer, 1);
            for (;;) {
                ::pause();
            }
        }
        ::close(ready[1]);
        if (pid < 0) {
            ::close(ready[0]);
            throw std::runtime_error(errnoText("fork"));
        }
        pids_.push_back(pid);
        char answer = 0;
        ssize_t n;
        while ((n = ::read(ready[0], &answer, 1)) < 0 && errno == EINTR) {
        }
        ::close(ready[0]);
        if (n != 1 || answer != 'k') {
            throw std::runtime_error("a holder process could not open its files");
        }
    }

    void release() {
        for (pid_t pid : pids_) {
            ::kill(pid, SIGKILL);
        }
        for (pid_t pid : pids_) {
            while (::waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
            }
        }
        pids_.clear();
    }

    std::vector<pid_t> pids_;
};

// ---- Workload A ---------------------------------------------------------------------------

// The exit status of a run held back by a file in use.
constexpr int withheld = 2;

struct ResultA {
    double quietMs = 0;
    double loggingMs = 0;
    double fuserMs = 0;
    double floorMs = 0;
    Spread toFuser;
    Spread toFloor;
    double testMs = 0;
    Spread testToRun;
    double crowdMs = 0;
    double crowdFloorMs = 0;
    Spread crowdToFloor;
    bool testNamedHolders = true; // every --test report named a holder for each held file
    bool floorSawHolders = true;  // the floor counted every held file in every round
    std::size_t fuserExecs = 0;
    bool fuserSawHolders = true; // exit status 0 from some exec of every pass
    int fuserFailure = 0;        // any exit status but 0 (found) and 1 (none in that chunk)
    bool standInStarted = true;
    int appStatus = -1;
};

// Splits the paths into argument lists that each fit the kernel's limit beside the environment.
std::vector<std::vector<std::string>> fuserCommands(const std::vector<std::string>& paths,
                                                    const std::vector<std::string>& env) {
    const std::string fuser = "/usr/bin/fuser";
    long budget = ::sysconf(_SC_ARG_MAX);
    if (budget <= 0) {
        budget = 128 * 1024;
    }
    budget -= 4096; // headroom, as xargs keeps
    long base = static_cast<long>(fuser.size() + 1 + 2 * sizeof(char*));
    for (const auto& e : env) {
        base += static_cast<long>(e.size() + 1 + sizeof(char*));
    }
    std::vector<std::vector<std::string>> commands;
    long used = budget; // forces a first command
    for (const auto& path : paths) {
        const long cost = static_cast<long>(path.size() + 1 + sizeof(char*));
        if (used + cost > budget) {
            commands.push_back({fuser});
            used = base;
        }
        commands.back().push_back(path);
        used += cost;
    }
    return commands;
}

ResultA workloadA(const std::string& executable) {
    TempFolder data;
    std::vector<std::string> paths;
    paths.reserve(fileCount);
    for (int i = 0; i < fileCount; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "f%05d.dat", i);
        paths.push_back(data.file(name));
        writeFile(paths.back(), "small file " + std::to_string(i) + "\n");
        stopIfInterrupted();
    }

    Installation app(executable);
    std::string list = checkListHeader;
    for (const auto& path : paths) {
        list += path + "\r\n";
    }
    writeFile(app.file("vesperon.cfg"), list);
    writeFile(app.file("vesperon.ini"), quietSettings);

    // Every tenth file is held, so in-use files are spread over the whole list.
    std::vector<std::string> held;
    for (int i = 0; i < holderCount * filesPerHolder; ++i) {
        held.push_back(
            paths[static_cast<std::size_t>(i) * fileCount / (holderCount * filesPerHolder)]);
    }
    Holders holders(held, holderCount);

    ResultA result;
    const auto commands = fuserCommands(paths, app.env());
    result.fuserExecs = commands.size();
    auto fuserPass = [&] {
        double ms = 0;
        bool saw = false;
        for (const auto& command : commands) {
            const Outcome o = spawn(command, app.env(), data.path());
            ms += o.ms;
            saw = saw || o.status == 0;
            if (o.status > 1) {
                result.fuserFailure = o.status;
            }
        }
        result.fuserSawHolders = result.fuserSawHolders && saw;
        return ms;
    };

    auto floorRun = [&] {
        std::string counted;
        const Outcome o =
            spawn({VESPERON_FLOOR, app.file("vesperon.cfg")}, app.env(), data.path(), &counted);
        result.floorSawHolders = result.floorSawHolders && o.status == 0 &&
                                 counted == std::to_string(held.size()) + "\n";
        return o.ms;
    };

    result.appStatus = app.run().status; // warm-up, also for the page cache
    fuserPass();
    floorRun();
    // Interleaved, so that whatever else the machine does weighs on all three alike.
    auto testRun = [&] {
        std::string report;
        const Outcome o = app.runTest(&report);
        std::size_t named = 0;
        for (auto at = report.find("\n              pid "); at != std::string::npos;
             at = report.find("\n              pid ", at + 1)) {
            ++named;
        }
        result.testNamedHolders =
            result.testNamedHolders && o.status == withheld && named == held.size();
        return o.ms;
    };
    testRun();
    std::vector<double> appMs, fuserMs, floorMs, testMs, toFuser, toFloor, testToRun;
    for (int i = 0; i < roundsA; ++i) {
        const Outcome o = app.run();
        result.appStatus = o.status != withheld ? o.status : result.appStatus;
        appMs.push_back(o.ms);
        fuserMs.push_back(fuserPass());
        floorMs.push_back(floorRun());
        testMs.push_back(testRun());
        toFuser.push_back(appMs.back() / fuserMs.back());
        toFloor.push_back(appMs.back() / floorMs.back());
        testToRun.push_back(testMs.back() / appMs.back());
    }
    result.testMs = median(testMs);
    result.testToRun = spreadOf(testToRun);
    result.quietMs = median(appMs);
    result.fuserMs = median(fuserMs);
    result.floorMs = median(floorMs);
    result.toFuser = spreadOf(toFuser);
    result.toFloor = spreadOf(toFloor);

    {
        // 500 more processes, 100,000 descriptors of 10,000 files that are not listed.
        TempFolder crowdData;
        std::vector<std::string> pool;
        for (int i = 0; i < crowdFiles; ++i) {
            char name[32];
            std::snprintf(name, sizeof name, "c%05d.dat", i);
            pool.push_back(crowdData.file(name));
            writeFile(pool.back(), "unlisted " + std::to_string(i) + "\n");
            stopIfInterrupted();
        }
        std::vector<std::string> crowdPaths;
        for (int i = 0; i < crowdProcesses * crowdDescriptorsEach; ++i) {
            crowdPaths.push_back(pool[static_cast<std::size_t>(i % crowdFiles)]);
        }
        Holders crowd(crowdPaths, crowdProcesses);
        app.run();
        floorRun();
        std::vector<double> crowdMs, crowdFloorMs, crowdToFloor;
        for (int i = 0; i < roundsA; ++i) {
            const Outcome o = app.run();
            result.appStatus = o.status != withheld ? o.status : result.appStatus;
            crowdMs.push_back(o.ms);
            crowdFloorMs.push_back(floorRun());
            crowdToFloor.push_back(crowdMs.back() / crowdFloorMs.back());
        }
        result.crowdMs = median(crowdMs);
        result.crowdFloorMs = median(crowdFloorMs);
        result.crowdToFloor = spreadOf(crowdToFloor);
    }

    writeFile(app.file("vesperon.ini"), loggingSettings);
    std::vector<double> loggingMs;
    app.run();
    for (int i = 0; i < runs; ++i) {
        const Outcome o = app.run();
        result.appStatus = o.status != withheld ? o.status : result.appStatus;
        loggingMs.push_back(o.ms);
    }
    result.loggingMs = median(loggingMs);

    result.standInStarted = app.takeStandInRecord(300);
    return result;
}

// ---- Workload B ---------------------------------------------------------------------------

struct ResultB {
    double appMs = 0;
    long appRssKiB = 0;
    double trueMs = 0;
    long trueRssKiB = 0;
    bool standInEveryRun = false;
    std::string windowLibrary; // a window library the loader maps at start, if any
    int appStatus = -1;
};

ResultB workloadB(const std::string& executable) {
    Installation app(executable);
    writeFile(app.file("vesperon.cfg"), checkListHeader);
    writeFile(app.file("vesperon.ini"), quietSettings);

    ResultB result;
    std::string loaded;
    spawn(
        {app.exe()},
        [&] {
            auto env = app.env();
            env.push_back("LD_TRACE_LOADED_OBJECTS=1"); // the loader lists, main never runs
            return env;
        }(),
        app.folder(), &loaded);
    for (const char* library : {"libfltk", "libX11", "libxcb", "libXft", "libfontconfig"}) {
        if (loaded.find(library) != std::string::npos) {
            result.windowLibrary = library;
        }
    }

    result.appStatus = app.run().status;
    result.standInEveryRun = app.takeStandInRecord(3000);
    std::vector<double> appMs, trueMs;
    for (int i = 0; i < emptyListRounds; ++i) {
        const Outcome o = app.run();
        appMs.push_back(o.ms);
        result.appRssKiB = std::max(result.appRssKiB, o.maxRssKiB);
        result.appStatus = std::max(result.appStatus, o.status);
        // Waiting here keeps the stand-in out of the next timed run.
        result.standInEveryRun = app.takeStandInRecord(3000) && result.standInEveryRun;

        const Outcome t = spawn({"/bin/true"}, app.env(), app.folder());
        trueMs.push_back(t.ms);
        result.trueRssKiB = std::max(result.trueRssKiB, t.maxRssKiB);
    }
    result.appMs = median(appMs);
    result.trueMs = median(trueMs);
    return result;
}

// ---- Workload C ---------------------------------------------------------------------------

struct ResultC {
    long emptyKiB = 0;
    long fullKiB = 0;
    double bytesPerFile = 0;
    int appStatus = -1;
};

ResultC workloadC(const std::string& executable) {
    TempFolder data;
    Installation app(executable);
    // Written as it goes: this process stays small, and so does what a fork copies of it.
    {
        std::ofstream list(app.file("vesperon.cfg"), std::ios::binary | std::ios::trunc);
        list << checkListHeader;
        for (int i = 0; i < fileCountC; ++i) {
            char name[32];
            std::snprintf(name, sizeof name, "/f%06d", i);
            const std::string path = data.path() + name;
            const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
            if (fd < 0 || ::close(fd) != 0) {
                throw std::runtime_error(errnoText("cannot create " + path));
            }
            list << path << "\r\n";
            stopIfInterrupted();
        }
        if (!list.flush()) {
            throw std::runtime_error("cannot write the 100,000-file check list");
        }
    }
    writeFile(app.file("vesperon.ini"), quietSettings);
    ResultC result;
    auto peakKiB = [&] {
        long peak = 0;
        for (int i = 0; i < 3; ++i) {
            std::string kib;
            const Outcome o = app.runThrough({VESPERON_PEAK_RSS}, {}, &kib);
            result.appStatus = std::max(result.appStatus, o.status);
            peak = std::max(peak, std::atol(kib.c_str()));
        }
        return peak;
    };
    result.fullKiB = peakKiB();
    writeFile(app.file("vesperon.cfg"), checkListHeader);
    result.emptyKiB = peakKiB();
    result.bytesPerFile = static_cast<double>(result.fullKiB - result.emptyKiB) * 1024.0 /
                          static_cast<double>(fileCountC);
    return result;
}

// ---- Report -------------------------------------------------------------------------------

double toMB(long kib) {
    return static_cast<double>(kib) / 1024.0;
}

std::string fixed(double value, int decimals) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.*f", decimals, value);
    return buffer;
}

void row(const std::string& label, const std::string& value, const std::string& note = {}) {
    std::printf("  %-34s %14s  %s\n", label.c_str(), value.c_str(), note.c_str());
}

} // namespace

int main(int argc, char** argv) {
    const std::string executable = argc > 1 ? argv[1] : VESPERON_EXECUTABLE;

    struct sigaction action {};
    action.sa_handler = onInterrupt;
    ::sigaction(SIGINT, &action, nullptr);
    ::sigaction(SIGTERM, &action, nullptr);

    try {
        // B first, while this process is still small: a forked child's peak RSS starts there.
        const ResultB b = workloadB(executable);
        const ResultC c = workloadC(executable);
        const ResultA a = workloadA(executable);

        auto spreadText = [](const Spread& r) {
            return fixed(r.median, 3) + "  (" + fixed(r.min, 3) + " - " + fixed(r.max, 3) + ")";
        };
        std::printf("vesperon run-mode benchmark: medians after one warm-up\n");
        std::printf("  %s\n", executable.c_str());
        std::printf("\nA: %d listed files, %d held open by %d other processes, %d interleaved "
                    "rounds\n",
                    fileCount, holderCount * filesPerHolder, holderCount, roundsA);
        row("vesperon -r, event log off", fixed(a.quietMs, 2) + " ms");
        row("vesperon -r, event log on", fixed(a.loggingMs, 2) + " ms", "(no goal)");
        row("fuser, same paths", fixed(a.fuserMs, 2) + " ms",
            a.fuserExecs == 1 ? "(1 exec, all paths as arguments)"
                              : "(" + std::to_string(a.fuserExecs) + " execs, summed)");
        row("floor, same list", fixed(a.floorMs, 2) + " ms");
        row("ratio vesperon/fuser", spreadText(a.toFuser), "median (min - max) of the rounds");
        row("ratio vesperon/floor", spreadText(a.toFloor), "median (min - max) of the rounds");
        row("vesperon --test", fixed(a.testMs, 2) + " ms", "(names every holder)");
        row("ratio --test/-r", spreadText(a.testToRun), "median (min - max) of the rounds");
        row("shutdown stand-in started", a.standInStarted ? "YES (wrong)" : "no (right)");
        std::printf("  with %d more processes holding %d descriptors of unlisted files:\n",
                    crowdProcesses, crowdProcesses * crowdDescriptorsEach);
        row("vesperon -r", fixed(a.crowdMs, 2) + " ms");
        row("floor, same list", fixed(a.crowdFloorMs, 2) + " ms");
        row("ratio vesperon/floor", spreadText(a.crowdToFloor), "median (min - max) of the rounds");

        std::printf("\nB: empty check list, median of %d rounds taking turns\n", emptyListRounds);
        row("vesperon -r", fixed(b.appMs, 2) + " ms",
            "peak RSS " + fixed(toMB(b.appRssKiB), 2) + " MB (" + std::to_string(b.appRssKiB) +
                " KiB)" +
                (b.windowLibrary.empty() ? ", no window library" : ", maps " + b.windowLibrary));
        row("/bin/true", fixed(b.trueMs, 2) + " ms",
            "peak RSS " + fixed(toMB(b.trueRssKiB), 2) + " MB (floor of the method)");
        row("vesperon - /bin/true", fixed(b.appMs - b.trueMs, 2) + " ms");
        row("shutdown stand-in started", b.standInEveryRun ? "every run (right)" : "NOT (wrong)");

        std::printf("\nC: %d listed files, none held\n", fileCountC);
        row("peak RSS, 100,000 files", fixed(toMB(c.fullKiB), 2) + " MB");
        row("peak RSS, empty list", fixed(toMB(c.emptyKiB), 2) + " MB");
        row("per listed file", fixed(c.bytesPerFile, 1) + " bytes");

        const bool faulty = a.standInStarted || a.appStatus != withheld || !a.fuserSawHolders ||
                            a.fuserFailure != 0 || !a.floorSawHolders || !a.testNamedHolders ||
                            !b.standInEveryRun || b.appStatus != 0 || c.appStatus != 0;
        const bool fuserMet = a.toFuser.median <= fuserGoal;
        const bool floorMet = a.toFloor.median <= floorGoal;
        const bool crowdMet = a.crowdToFloor.median <= floorGoal;
        const bool testMet = a.testToRun.median <= testGoal;
        const bool emptyListMet = b.appMs - b.trueMs <= emptyListGoalMs;
        const bool memoryMet = b.windowLibrary.empty() && toMB(b.appRssKiB) <= rssGoalMB;
        const bool perFileMet = c.bytesPerFile <= bytesPerFileGoal;

        std::printf("\nGoals\n");
        std::printf("  %s  A  vesperon/fuser <= %.2f            %.3f\n", fuserMet ? "PASS" : "MISS",
                    fuserGoal, a.toFuser.median);
        std::printf("  %s  A  vesperon/floor <= %.2f            %.3f\n", floorMet ? "PASS" : "MISS",
                    floorGoal, a.toFloor.median);
        std::printf("  %s  A  the same, 100,000 descriptors <= %.2f %.3f\n",
                    crowdMet ? "PASS" : "MISS", floorGoal, a.crowdToFloor.median);
        std::printf("  %s  A  vesperon --test / -r <= %.2f      %.3f\n", testMet ? "PASS" : "MISS",
                    testGoal, a.testToRun.median);
        std::printf("  %s  B  vesperon - /bin/true <= %.1f ms       %s ms\n",
                    emptyListMet ? "PASS" : "MISS", emptyListGoalMs,
                    fixed(b.appMs - b.trueMs, 2).c_str());
        std::printf("  %s  B  peak RSS <= %.1f MB, no window library  %s MB\n",
                    memoryMet ? "PASS" : "MISS", rssGoalMB, fixed(toMB(b.appRssKiB), 2).c_str());
        std::printf("  %s  C  memory per listed file <= %.0f bytes %.1f\n",
                    perFileMet ? "PASS" : "MISS", bytesPerFileGoal, c.bytesPerFile);
        if (faulty) {
            std::printf("\nWRONG BEHAVIOUR: exit status A %d (fuser %d, saw the holders: %s; "
                        "floor saw them: %s), B %d, C %d; figures above are not trustworthy\n",
                        a.appStatus, a.fuserFailure, a.fuserSawHolders ? "yes" : "no",
                        a.floorSawHolders ? "yes" : "no", b.appStatus, c.appStatus);
            return 2;
        }
        return fuserMet && floorMet && crowdMet && testMet && emptyListMet && memoryMet &&
                       perFileMet
                   ? 0
                   : 1;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "vesperon_run_mode_bench: %s\n", e.what());
        return 2;
    }
}
