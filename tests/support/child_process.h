#pragma once

#include <csignal>
#include <fcntl.h>
#include <fstream>
#include <functional>
#include <string>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

namespace vesperon::test {

// A forked process that runs setUp, reports back, then waits; killed and reaped on scope exit.
class Child {
public:
    // leaderEnds: the first thread ends once set up, while any thread it started runs on.
    explicit Child(const std::function<bool()>& setUp, bool leaderEnds = false) {
        int ready[2];
        if (::pipe2(ready, O_CLOEXEC) != 0) {
            return;
        }
        pid_ = ::fork();
        if (pid_ == 0) {
            char ok = setUp() ? '1' : '0';
            (void)!::write(ready[1], &ok, 1);
            if (leaderEnds) {
                ::syscall(SYS_exit, 0); // this thread only, without unwinding into the test
            }
            for (;;) {
                ::pause();
            }
        }
        ::close(ready[1]);
        char ok = '0';
        ready_ = pid_ > 0 && ::read(ready[0], &ok, 1) == 1 && ok == '1';
        ::close(ready[0]);
        for (int wait = 0; leaderEnds && ready_ && wait < 200 && !leaderEnded(); ++wait) {
            ::usleep(10000);
        }
    }
    ~Child() {
        if (pid_ > 0) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
    }
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;
    bool ready() const { return ready_; }
    pid_t pid() const { return pid_; }

private:
    bool leaderEnded() const {
        std::ifstream stat("/proc/" + std::to_string(pid_) + "/stat");
        std::string line;
        return std::getline(stat, line) && line.find(") Z ") != std::string::npos;
    }

    pid_t pid_ = -1;
    bool ready_ = false;
};

} // namespace vesperon::test
