#include "support/private_system_bus.h"

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <functional>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace vesperon::test {

namespace {

// Calls a method of the login manager through dbus-send; the call's output follows.
bool loginManager(const std::string& callAndOutput) {
    const std::string command = "dbus-send --system --print-reply --dest=org.freedesktop.login1 "
                                "/org/freedesktop/login1 " +
                                callAndOutput;
    return std::system(command.c_str()) == 0;
}

bool locksListed() {
    return loginManager(
        "org.freedesktop.login1.Manager.ListInhibitors 2>/dev/null | grep -q struct");
}

bool waitFor(const std::function<bool()>& ready) {
    for (int i = 0; i < 100; ++i) {
        if (ready()) {
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
}

} // namespace

PrivateSystemBus::PrivateSystemBus() {
    if (::access("/usr/bin/dbus-daemon", X_OK) != 0 ||
        ::access("/usr/bin/systemd-inhibit", X_OK) != 0 ||
        std::system("/usr/bin/python3 -c 'import dbusmock' 2>/dev/null") != 0) {
        missing_ = "dbus-daemon, systemd-inhibit or python3-dbusmock is not installed";
        return;
    }
    ::setenv("DBUS_SYSTEM_BUS_ADDRESS", address().c_str(), 1);
    // The session bus's rules let anyone own any name, as the mock needs.
    daemons_.push_back(
        start({"/usr/bin/dbus-daemon", "--nofork", "--session", "--address=" + address()}));
    if (!waitFor([&] { return dir_.exists("system.sock"); })) {
        missing_ = "the private bus did not start";
        return;
    }
    daemons_.push_back(
        start({"/usr/bin/python3", "-m", "dbusmock", "--system", "--template", "logind"}));
    if (!waitFor([] {
            return loginManager("org.freedesktop.login1.Manager.ListInhibitors >/dev/null 2>&1");
        })) {
        missing_ = "the login manager mock did not start";
    }
}

PrivateSystemBus::~PrivateSystemBus() {
    releaseLocks();
    for (auto it = daemons_.rbegin(); it != daemons_.rend(); ++it) {
        ::kill(*it, SIGTERM);
        ::waitpid(*it, nullptr, 0);
    }
}

pid_t PrivateSystemBus::start(const std::vector<std::string>& argv, int input) {
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
    return pid;
}

// The lock is held while cat waits for input, which ends when the pipe closes.
bool PrivateSystemBus::takeLock(const std::string& what, const std::string& mode,
                                const std::string& who, const std::string& why) {
    int input[2];
    if (::pipe2(input, O_CLOEXEC) != 0) {
        return false;
    }
    lockHolders_.push_back({start({"/usr/bin/systemd-inhibit", "--what=" + what, "--who=" + who,
                                   "--why=" + why, "--mode=" + mode, "cat"},
                                  input[0]),
                            input[1]});
    ::close(input[0]);
    return waitFor(locksListed);
}

void PrivateSystemBus::releaseLocks() {
    for (const auto& [pid, input] : lockHolders_) {
        ::close(input);
        ::waitpid(pid, nullptr, 0);
    }
    lockHolders_.clear();
    // The mock lets a lock go once it sees the holder's descriptor close.
    waitFor([] { return !locksListed(); });
}

namespace {

bool listInhibitorsAs(const std::string& code) {
    return loginManager("org.freedesktop.DBus.Mock.AddMethod "
                        "string:org.freedesktop.login1.Manager string:ListInhibitors string: "
                        "string:'a(ssssuu)' string:'" +
                        code + "' >/dev/null");
}

} // namespace

bool PrivateSystemBus::refuseListing() {
    return listInhibitorsAs("raise dbus.exceptions.DBusException(\"no\", "
                            "name=\"org.freedesktop.DBus.Error.AccessDenied\")");
}

bool PrivateSystemBus::listDelayLocks(int count) {
    return listInhibitorsAs("ret = [(\"shutdown\", \"player %d\" % i, \"Keeps the machine up "
                            "while the recording of the evening news is written to disk, "
                            "as every recorder does %d\" % i, \"delay\", 1000, 4000 + i) "
                            "for i in range(" +
                            std::to_string(count) + ")]");
}

} // namespace vesperon::test
