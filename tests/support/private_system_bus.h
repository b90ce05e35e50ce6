#pragma once

#include "support/environment_guard.h"
#include "support/temp_dir.h"

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <functional>
#include <string>
#include <sys/types.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <utility>
#include <vector>

namespace vesperon::test {

// A D-Bus daemon with python3-dbusmock's login manager, the system bus while the object lives.
class PrivateSystemBus {
public:
    PrivateSystemBus() {
        if (::access("/usr/bin/dbus-daemon", X_OK) != 0 ||
            ::access("/usr/bin/systemd-inhibit", X_OK) != 0 ||
            std::system("/usr/bin/python3 -c 'import dbusmock' 2>/dev/null") != 0) {
            missing_ = "dbus-daemon, systemd-inhibit or python3-dbusmock is not installed";
            return;
        }
        const std::string address = "unix:path=" + dir_.file("system.sock");
        ::setenv("DBUS_SYSTEM_BUS_ADDRESS", address.c_str(), 1);
        // The session bus's rules let anyone own any name, as the mock needs.
        start({"/usr/bin/dbus-daemon", "--nofork", "--session", "--address=" + address});
        if (!waitFor([&] { return dir_.exists("system.sock"); })) {
            missing_ = "the private bus did not start";
            return;
        }
        start({"/usr/bin/python3", "-m", "dbusmock", "--system", "--template", "logind"});
        if (!waitFor([] {
                return call("org.freedesktop.login1.Manager.ListInhibitors >/dev/null 2>&1");
            })) {
            missing_ = "the login manager mock did not start";
        }
    }
    ~PrivateSystemBus() {
        releaseLocks();
        for (auto it = children_.rbegin(); it != children_.rend(); ++it) {
            ::kill(*it, SIGTERM);
            ::waitpid(*it, nullptr, 0);
        }
    }
    PrivateSystemBus(const PrivateSystemBus&) = delete;
    PrivateSystemBus& operator=(const PrivateSystemBus&) = delete;

    // Empty when the bus and the mock are up; otherwise why not (the test then skips).
    const std::string& missing() const { return missing_; }

    // Another process takes an inhibitor lock and holds it until releaseLocks(): while cat
    // waits for input, which ends when the pipe closes.
    bool takeLock(const std::string& what, const std::string& mode,
                  const std::string& who = "backup.sh", const std::string& why = "nightly backup") {
        int input[2];
        if (::pipe2(input, O_CLOEXEC) != 0) {
            return false;
        }
        holders_.push_back({start({"/usr/bin/systemd-inhibit", "--what=" + what, "--who=" + who,
                                   "--why=" + why, "--mode=" + mode, "cat"},
                                  input[0]),
                            input[1]});
        ::close(input[0]);
        return waitFor(locksListed);
    }
    void releaseLocks() {
        for (const auto& [pid, input] : holders_) {
            ::close(input);
            ::waitpid(pid, nullptr, 0);
        }
        holders_.clear();
        // The mock lets a lock go once it sees the holder's descriptor close.
        waitFor([] { return !locksListed(); });
    }
    // From now on the login manager answers ListInhibitors with an error, or with that many
    // delay locks on shutdown whose reasons are as long as a sentence.
    bool refuseListing() {
        return listInhibitorsAs("raise dbus.exceptions.DBusException(\"no\", "
                                "name=\"org.freedesktop.DBus.Error.AccessDenied\")");
    }
    bool listDelayLocks(int count) {
        return listInhibitorsAs("ret = [(\"shutdown\", \"player %d\" % i, \"Keeps the machine up "
                                "while the recording of the evening news is written to disk, "
                                "as every recorder does %d\" % i, \"delay\", 0, 4000 + i) "
                                "for i in range(" +
                                std::to_string(count) + ")]");
    }

private:
    // Calls a method of the login manager through dbus-send; the call's output follows.
    static bool call(const std::string& methodAndOutput) {
        const std::string command = "dbus-send --system --print-reply "
                                    "--dest=org.freedesktop.login1 /org/freedesktop/login1 " +
                                    methodAndOutput;
        return std::system(command.c_str()) == 0;
    }
    static bool locksListed() {
        return call("org.freedesktop.login1.Manager.ListInhibitors 2>/dev/null | grep -q struct");
    }
    static bool listInhibitorsAs(const std::string& code) {
        return call("org.freedesktop.DBus.Mock.AddMethod string:org.freedesktop.login1.Manager "
                    "string:ListInhibitors string: string:'a(ssssuu)' string:'" +
                    code + "' >/dev/null");
    }
    static bool waitFor(const std::function<bool()>& ready) {
        for (int i = 0; i < 100; ++i) {
            if (ready()) {
                return true;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        return false;
    }
    // Quiet, with the given descriptor (or none) as input; ended with the bus.
    pid_t start(const std::vector<std::string>& argv, int input = -1) {
        const pid_t pid = ::fork();
        if (pid == 0) {
            const int quiet = ::open("/dev/null", O_RDWR);
            ::dup2(input < 0 ? quiet : input, 0);
            ::dup2(quiet, 1);
            ::dup2(quiet, 2);
            std::vector<char*> args;
            for (const auto& a : argv) {
                args.push_back(const_cast<char*>(a.c_str()));
            }
            args.push_back(nullptr);
            ::execv(args[0], args.data());
            ::_exit(127);
        }
        if (input < 0) {
            children_.push_back(pid);
        }
        return pid;
    }

    EnvironmentGuard savedAddress_{"DBUS_SYSTEM_BUS_ADDRESS"};
    TempDir dir_;
    std::string missing_;
    std::vector<pid_t> children_;
    std::vector<std::pair<pid_t, int>> holders_; // and the input that keeps each going
};

} // namespace vesperon::test
