#pragma once

#include <string>
#include <vector>

namespace vesperon::test {

// The calls of write, fsync, close and rename that the unit tests' code makes (the tests
// link with --wrap for each), recorded while a recorder lives; the first call of the kind
// named failing fails with EIO (a close still closes). One recorder at a time.
class SyscallRecorder {
public:
    explicit SyscallRecorder(std::string failing = "");
    ~SyscallRecorder();
    SyscallRecorder(const SyscallRecorder&) = delete;
    SyscallRecorder& operator=(const SyscallRecorder&) = delete;

    const std::vector<std::string>& calls() const { return calls_; }
    // Whether the call of that kind goes ahead; records it.
    bool allow(const char* kind);

private:
    std::string failing_;
    std::vector<std::string> calls_;
};

} // namespace vesperon::test
