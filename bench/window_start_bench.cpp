// Times the interactive start, from starting `vesperon` without a switch to its configuration
// window drawn on the display (the first pure-blue pixel of the "Configuration File:" caption,
// read back from the X server), and, apart from that, loading the window module in a fresh
// process with only the C library mapped: goal under 5 ms.
//   window_start_bench [vesperon-executable [other-executable]]
// A second executable (an FLTK-linked build, say) takes turns with the first, and the
// difference is printed. Needs DISPLAY: bench/run starts an Xvfb when there is none.
// Every start is a copy of the executable beside a copy of the module in a temporary
// folder, with its own state folder and a recording stand-in for `shutdown` first on PATH;
// no switch is passed, so nothing is requested.
// Exit status: 0 goal met, 1 goal missed, 2 something could not be measured.

#include <X11/Xlib.h>
#include <X11/Xutil.h>
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
#include <memory>
#include <spawn.h>
#include <stdexcept>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int rounds = 21;
constexpr double moduleLoadGoalMs = 5.0;
constexpr unsigned long captionBlue = 0x0000FF;

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

double msSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

pid_t start(const std::vector<std::string>& argv, const std::vector<std::string>& env,
            posix_spawn_file_actions_t* actions) {
    std::vector<char*> cargv, cenv;
    for (const auto& a : argv) {
        cargv.push_back(const_cast<char*>(a.c_str()));
    }
    for (const auto& e : env) {
        cenv.push_back(const_cast<char*>(e.c_str()));
    }
    cargv.push_back(nullptr);
    cenv.push_back(nullptr);
    pid_t pid = -1;
    const int error = ::posix_spawn(&pid, cargv[0], actions, nullptr, cargv.data(), cenv.data());
    if (error != 0) {
        throw std::runtime_error("cannot start " + argv[0] + ": " + std::strerror(error));
    }
    return pid;
}

// A folder holding the executable and the module, started as a user would start it.
class Installation {
public:
    Installation(const std::string& executable, const std::string& module) {
        std::string pattern = (fs::temp_directory_path() / "vesperon-bench-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) {
            throw std::runtime_error("mkdtemp failed");
        }
        folder_ = pattern;
        fs::copy_file(executable, folder_ / "vesperon");
        fs::copy_file(module, folder_ / fs::path(module).filename());
        fs::create_directory(folder_ / "bin");
        std::ofstream(folder_ / "bin/shutdown")
            << "#!/bin/sh\necho \"$@\" >> \"" << (folder_ / "shutdown-args").string() << "\"\n";
        fs::permissions(folder_ / "bin/shutdown", fs::perms::owner_all);
        for (char** e = environ; *e != nullptr; ++e) {
            if (std::strncmp(*e, "PATH=", 5) != 0 &&
                std::strncmp(*e, "VESPERON_STATE_DIR=", 19) != 0) {
                env_.emplace_back(*e);
            }
        }
        env_.push_back("PATH=" + (folder_ / "bin").string() + ":/usr/bin:/bin");
        env_.push_back("VESPERON_STATE_DIR=" + (folder_ / "state").string());
        ::posix_spawn_file_actions_init(&actions_);
        ::posix_spawn_file_actions_addchdir_np(&actions_, folder_.c_str());
        ::posix_spawn_file_actions_addopen(&actions_, 1, "/dev/null", O_WRONLY, 0);
        ::posix_spawn_file_actions_addopen(&actions_, 2, "/dev/null", O_WRONLY, 0);
    }
    ~Installation() {
        ::posix_spawn_file_actions_destroy(&actions_);
        std::error_code ignored;
        fs::remove_all(folder_, ignored);
    }
    Installation(const Installation&) = delete;
    Installation& operator=(const Installation&) = delete;

    pid_t start() { return ::start({(folder_ / "vesperon").string()}, env_, &actions_); }
    bool requested() const { return fs::exists(folder_ / "shutdown-args"); }

private:
    fs::path folder_;
    std::vector<std::string> env_;
    posix_spawn_file_actions_t actions_;
};

int ignoreXError(Display*, XErrorEvent*) {
    return 0; // a window read before it is viewable, or one that went away
}

// Watches the display for windows mapped at its top level.
class DisplayWatch {
public:
    DisplayWatch() : display_(XOpenDisplay(nullptr)) {
        if (display_ == nullptr) {
            throw std::runtime_error("cannot open the display; set DISPLAY");
        }
        XSetErrorHandler(ignoreXError);
        XSelectInput(display_, DefaultRootWindow(display_), SubstructureNotifyMask);
        XSync(display_, True);
    }
    ~DisplayWatch() { XCloseDisplay(display_); }
    DisplayWatch(const DisplayWatch&) = delete;
    DisplayWatch& operator=(const DisplayWatch&) = delete;

    // Milliseconds from start to the caption drawn in a newly mapped window.
    double timeToCaption(Installation& app) {
        XSync(display_, True); // forget windows of earlier rounds
        const auto started = Clock::now();
        const pid_t pid = app.start();
        Window window = 0;
        double ms = -1;
        while (ms < 0 && msSince(started) < 10000) {
            while (window == 0 && XPending(display_) > 0) {
                XEvent event;
                XNextEvent(display_, &event);
                if (event.type == MapNotify) {
                    window = event.xmap.window;
                }
            }
            if (window != 0 && captionDrawn(window)) {
                ms = msSince(started);
            } else {
                std::this_thread::sleep_for(std::chrono::microseconds(200));
            }
            if (::waitpid(pid, nullptr, WNOHANG) == pid) {
                throw std::runtime_error("vesperon ended before it drew its window");
            }
        }
        ::kill(pid, SIGTERM);
        ::waitpid(pid, nullptr, 0);
        if (ms < 0) {
            throw std::runtime_error("no window drawn within 10 s");
        }
        return ms;
    }

private:
    // The caption of the frame at (8, 8) is drawn in pure blue.
    bool captionDrawn(Window window) {
        XImage* image = XGetImage(display_, window, 8, 8, 120, 16, AllPlanes, ZPixmap);
        if (image == nullptr) {
            return false;
        }
        bool found = false;
        for (int y = 0; y < image->height && !found; ++y) {
            for (int x = 0; x < image->width && !found; ++x) {
                found = XGetPixel(image, x, y) == captionBlue;
            }
        }
        XDestroyImage(image);
        return found;
    }

    Display* display_;
};

double moduleLoadMs(const std::string& module) {
    int out[2];
    if (::pipe(out) != 0) {
        throw std::runtime_error("pipe failed");
    }
    posix_spawn_file_actions_t actions;
    ::posix_spawn_file_actions_init(&actions);
    ::posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    const pid_t pid = start({MODULE_LOAD_PROBE, module}, {}, &actions);
    ::posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);
    char text[32] = {};
    const ssize_t n = ::read(out[0], text, sizeof text - 1);
    ::close(out[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    if (n <= 0 || status != 0) {
        throw std::runtime_error("module_load_probe could not load " + module);
    }
    return std::atof(text) / 1000.0;
}

} // namespace

int main(int argc, char** argv) {
    const std::string module = VESPERON_MODULE;
    std::vector<std::string> executables{argc > 1 ? argv[1] : VESPERON_EXECUTABLE};
    if (argc > 2) {
        executables.push_back(argv[2]);
    }
    try {
        DisplayWatch screen;
        std::vector<std::unique_ptr<Installation>> apps;
        for (const auto& exe : executables) {
            apps.push_back(std::make_unique<Installation>(exe, module));
        }
        std::vector<std::vector<double>> startMs(apps.size());
        std::vector<double> loadMs;
        for (auto& app : apps) {
            screen.timeToCaption(*app); // warm-up, also for the page cache
        }
        for (int round = 0; round < rounds; ++round) {
            for (std::size_t i = 0; i < apps.size(); ++i) {
                startMs[i].push_back(screen.timeToCaption(*apps[i]));
            }
            loadMs.push_back(moduleLoadMs(module));
        }
        std::printf("vesperon interactive start: median of %d rounds taking turns\n", rounds);
        for (std::size_t i = 0; i < apps.size(); ++i) {
            std::printf("  %-58s %8.2f ms\n", ("start to drawn window: " + executables[i]).c_str(),
                        median(startMs[i]));
            if (apps[i]->requested()) {
                std::printf("WRONG BEHAVIOUR: the interactive start requested a shutdown\n");
                return 2;
            }
        }
        if (apps.size() == 2) {
            std::printf("  %-58s %8.2f ms\n", "difference, first - second",
                        median(startMs[0]) - median(startMs[1]));
        }
        const double load = median(loadMs);
        std::printf("  %-58s %8.2f ms\n", "loading the module in a fresh process", load);
        std::printf("\nGoal\n  %s  loading the module < %.0f ms       %.2f ms\n",
                    load < moduleLoadGoalMs ? "PASS" : "MISS", moduleLoadGoalMs, load);
        return load < moduleLoadGoalMs ? 0 : 1;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "window_start_bench: %s\n", e.what());
        return 2;
    }
}
