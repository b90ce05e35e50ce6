#pragma once

#include "platform/system.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace vesperon::platform::posix {

// The bound on a whole run: a thread of its own that waits for the deadline.
class PosixRunBound final : public RunBound {
public:
    PosixRunBound() = default;
    ~PosixRunBound() override;
    PosixRunBound(const PosixRunBound&) = delete;
    PosixRunBound& operator=(const PosixRunBound&) = delete;
    // Starts the clock; limit: VESPERON_RUN_BOUND (whole seconds, for the tests) when set.
    void arm(std::chrono::seconds limit);
    void guard(const std::function<void()>& change) override;
    void setExpiry(std::function<int()> handler) override;
    void disarm() override;
    std::chrono::seconds limit() const override { return limit_; }

private:
    void watch(std::chrono::steady_clock::time_point deadline);

    std::mutex mutex_;
    std::condition_variable stopped_;
    // Shared with the thread that ends the process should the expiry itself hang.
    std::shared_ptr<std::atomic<bool>> done_ = std::make_shared<std::atomic<bool>>(false);
    std::function<int()> handler_;
    std::chrono::seconds limit_{0};
    std::thread watcher_;
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
