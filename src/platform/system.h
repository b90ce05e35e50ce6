#pragma once

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

namespace vesperon::platform {

// A bound on the time one whole run may take, where the edition keeps one. Once armed, a run
// still going at its end is ended from another thread: the expiry handler runs, kept apart
// from guard() as guard() is from it, and the process ends with the status it returns. Not
// armed (the default), it does nothing and guard() only runs the change.
class RunBound {
public:
    virtual ~RunBound() = default;
    // Runs change with the expiry handler kept out.
    template <class Change> void guard(Change&& change) {
        const std::lock_guard<RunBound> held(*this);
        change();
    }
    virtual void lock() {}
    virtual void unlock() {}
    virtual void setExpiry(const std::function<int()>& /*handler*/) {}
    // The run has decided: from now on nothing is ended.
    virtual void disarm() {}
    virtual std::chrono::seconds limit() const { return std::chrono::seconds(0); }
};

// What the running process knows about itself.
class System {
public:
    virtual ~System() = default;
    // Full path of the running executable, in the edition's own path style.
    virtual std::string executablePath() = 0;
    // Everything after the program name on the command line.
    virtual std::string argumentText() = 0;
    // The folder that the build named for the settings file and the check list (a package's
    // /etc/vesperon); empty: they live beside the executable.
    virtual std::string configurationFolder() { return {}; }
    // Linux: the folder for what runs keep between them (the turn lock of a build with a
    // configuration folder); empty where the edition has none.
    virtual std::string stateFolder() { return {}; }
    // Seconds since 1970-01-01 00:00 UTC, as monitoring systems count time.
    virtual std::int64_t unixTimeSeconds() { return static_cast<std::int64_t>(std::time(nullptr)); }
    // The local date and time, to whole seconds (fractions dropped), as seconds since a fixed day.
    virtual std::int64_t localTimeWholeSeconds() = 0;
    virtual void sleepMilliseconds(int milliseconds) = 0;
    // Text in the system's own code page (Windows: the ANSI code page) as UTF-8, and back;
    // nullopt when a character has no counterpart. Linux keeps bytes as they are.
    virtual std::optional<std::string> legacyToUtf8(std::string_view bytes) = 0;
    virtual std::optional<std::string> utf8ToLegacy(std::string_view text) = 0;
    // The bound on this run (an unarmed one where the edition keeps none).
    virtual RunBound& runBound() {
        static RunBound none;
        return none;
    }
    // One line on standard error, when the process has one; dropped otherwise.
    virtual void writeStandardError(const std::string& line) {
        std::fputs((line + "\n").c_str(), stderr);
    }
};

} // namespace vesperon::platform
