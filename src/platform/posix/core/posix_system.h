#pragma once

#include "platform/system.h"

#include <chrono>
#include <functional>
#include <mutex>
#include <pthread.h>
#include <string>

namespace vesperon::platform::posix {

// The bound on a whole run: a thread of its own waits for the deadline, or for disarm().
class PosixRunBound final : public RunBound {
public:
    PosixRunBound() = default;
    ~PosixRunBound() override;
    PosixRunBound(const PosixRunBound&) = delete;
    PosixRunBound& operator=(const PosixRunBound&) = delete;
    // Starts the clock; limit: VESPERON_RUN_BOUND (whole seconds, for the tests) when set.
    void arm(std::chrono::seconds limit);
    void lock() override { mutex_.lock(); }
    void unlock() override { mutex_.unlock(); }
    void setExpiry(const std::function<int()>& handler) override;
    void disarm() override;
    std::chrono::seconds limit() const override { return limit_; }

private:
    static void* watch(void* self);

    std::mutex mutex_;
    std::function<int()> handler_;
    std::chrono::seconds limit_{0};
    std::chrono::steady_clock::time_point deadline_;
    int wake_[2] = {-1, -1}; // disarm() closes the writing end
    pthread_t watcher_{};
    bool started_ = false;
    bool armed_ = false; // under mutex_ once started
};

class PosixSystem final : public System {
public:
    PosixSystem(int argc, char** argv);
    RunBound& runBound() override { return bound_; }
    PosixRunBound& bound() { return bound_; }
    // Found once, at start; empty when no absolute path can be found.
    std::string executablePath() override { return executable_; }
    // The arguments joined by single blanks, as a command line would read.
    std::string argumentText() override { return arguments_; }
    std::string configurationFolder() override;
    std::string stateFolder() override;
    std::int64_t localTimeWholeSeconds() override;
    void sleepMilliseconds(int milliseconds) override;
    // File names are bytes here: the system's own code page is whatever they hold.
    std::optional<std::string> legacyToUtf8(std::string_view bytes) override {
        return std::string(bytes);
    }
    std::optional<std::string> utf8ToLegacy(std::string_view text) override {
        return std::string(text);
    }

private:
    std::string executable_;
    std::string arguments_;
    PosixRunBound bound_;
};

} // namespace vesperon::platform::posix
