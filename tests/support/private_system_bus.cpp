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

const char* python = "/usr/bin/python3";

const char* busConfig =
    R"(<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>system</type>
  <listen>unix:path=@SOCKET@</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
    <allow own="*"/>
  </policy>
</busconfig>
)";

// Takes a lock through the mock's Inhibit and keeps the descriptor that holds it.
const char* lockTaker = R"(import dbus, sys, time
manager = dbus.Interface(dbus.SystemBus().get_object('org.freedesktop.login1',
    '/org/freedesktop/login1'), 'org.freedesktop.login1.Manager')
held = manager.Inhibit(sys.argv[1], 'backup.sh', 'nightly backup', sys.argv[2])
print('taken', flush=True)
time.sleep(3600)
)";

bool waitFor(const std::function<bool()>& ready) {
    for (int i = 0; i < 100; ++i) {
        if (ready()) {
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
}

void stop(pid_t pid) {
    ::kill(pid, SIGTERM);
    ::waitpid(pid, nullptr, 0);
}

} // namespace

PrivateSystemBus::PrivateSystemBus() {
    if (::access("/usr/bin/dbus-daemon", X_OK) != 0 ||
        std::system("/usr/bin/python3 -c 'import dbusmock' 2>/dev/null") != 0) {
        missing_ = "dbus-daemon or python3-dbusmock is not installed";
        return;
    }
    std::string config = busConfig;
    config.replace(config.find("@SOCKET@"), 8, dir_.file("system.sock"));
    dir_.write("bus.conf", config);
    dir_.write("take-lock.py", lockTaker);
    if (const char* old = std::getenv("DBUS_SYSTEM_BUS_ADDRESS")) {
        hadAddress_ = true;
        savedAddress_ = old;
    }
    ::setenv("DBUS_SYSTEM_BUS_ADDRESS", address().c_str(), 1);
    daemons_.push_back(
        start({"/usr/bin/dbus-daemon", "--nofork", "--config-file=" + dir_.file("bus.conf")}));
    if (!waitFor([&] { return dir_.exists("system.sock"); })) {
        missing_ = "the private bus did not start";
        return;
    }
    daemons_.push_back(start({python, "-m", "dbusmock", "--system", "--template", "logind"}));
    const bool up = waitFor([&] {
        return std::system("dbus-send --system --print-reply --dest=org.freedesktop.login1 "
                           "/org/freedesktop/login1 org.freedesktop.login1.Manager.ListInhibitors "
                           ">/dev/null 2>&1") == 0;
    });
    if (!up) {
        missing_ = "the login manager mock did not start";
    }
}

PrivateSystemBus::~PrivateSystemBus() {
    releaseLocks();
    for (auto it = daemons_.rbegin(); it != daemons_.rend(); ++it) {
        stop(*it);
    }
    if (hadAddress_) {
        ::setenv("DBUS_SYSTEM_BUS_ADDRESS", savedAddress_.c_str(), 1);
    } else {
        ::unsetenv("DBUS_SYSTEM_BUS_ADDRESS");
    }
}

pid_t PrivateSystemBus::start(const std::vector<std::string>& argv) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        const int quiet = ::open("/dev/null", O_RDWR);
        ::dup2(quiet, 0);
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

bool PrivateSystemBus::takeLock(const std::string& what, const std::string& mode) {
    int out[2];
    if (::pipe(out) != 0) {
        return false;
    }
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(out[1], 1);
        ::close(out[0]);
        ::execl(python, python, dir_.file("take-lock.py").c_str(), what.c_str(), mode.c_str(),
                static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::close(out[1]);
    lockHolders_.push_back(pid);
    // The whole line, so that the holder writes nothing more into a closed pipe and dies.
    std::string line;
    char c = 0;
    while (line.size() < 16 && ::read(out[0], &c, 1) == 1 && c != '\n') {
        line += c;
    }
    ::close(out[0]);
    return line == "taken";
}

void PrivateSystemBus::releaseLocks() {
    for (pid_t pid : lockHolders_) {
        stop(pid);
    }
    lockHolders_.clear();
    // The mock lets a lock go once it sees the holder's descriptor close.
    waitFor([] {
        return std::system("dbus-send --system --print-reply --dest=org.freedesktop.login1 "
                           "/org/freedesktop/login1 org.freedesktop.login1.Manager.ListInhibitors "
                           "2>/dev/null | grep -q struct") != 0;
    });
}

bool PrivateSystemBus::refuseListing() {
    return std::system("dbus-send --system --print-reply --dest=org.freedesktop.login1 "
                       "/org/freedesktop/login1 org.freedesktop.DBus.Mock.AddMethod "
                       "string:org.freedesktop.login1.Manager string:ListInhibitors string: "
                       "string:'a(ssssuu)' string:'raise dbus.exceptions.DBusException(\"no\", "
                       "name=\"org.freedesktop.DBus.Error.AccessDenied\")' >/dev/null") == 0;
}

} // namespace vesperon::test
