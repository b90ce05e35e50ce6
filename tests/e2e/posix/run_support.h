#pragma once

#include "support/temp_dir.h"

#include <string>
#include <sys/types.h>
#include <vector>

namespace vesperon::test {

// The check list that a first run writes.
inline const std::string listHeader = "; ********************************************\r\n"
                                      ";     Vesperon - Configuration File\r\n"
                                      "; ********************************************\r\n"
                                      "\r\n";

// Another process that holds a file open (or only mapped, or locked) until it is destroyed,
// under the command name given (as prctl sets it), if any.
class Holder {
public:
    enum class Way { Open, MappedOnly, Locked };
    Holder(const std::string& path, Way way, const std::string& commandName = "");
    ~Holder();
    Holder(const Holder&) = delete;
    Holder& operator=(const Holder&) = delete;

private:
    pid_t pid_ = -1;
};

// A FUSE file system of the test's own holding one file, mounted in a mount namespace of its
// own where another process maps that file; stop() makes the server stop answering while
// both stay (as a hung NFS or FUSE server does). Everything ends with the object. Root only.
class StalledMount {
public:
    StalledMount();
    ~StalledMount();
    StalledMount(const StalledMount&) = delete;
    StalledMount& operator=(const StalledMount&) = delete;
    // Empty when it is up; otherwise why not.
    const std::string& missing() const { return missing_; }
    // The mapped file, as a path that any process can walk: through the mapper's root.
    std::string file() const;
    void stop();

private:
    TempDir dir_;
    std::string missing_;
    pid_t server_ = -1;
    pid_t mapper_ = -1;
    int control_ = -1;
};

// A fresh application folder holding a copy of the built executable, a recording
// stand-in for `shutdown` first on PATH, and its own registry state folder.
class Installation {
public:
    explicit Installation(const std::string& exeName = "vesperon");
    std::string exe() const { return dir.file(exeName_); }
    std::string file(const std::string& name) const { return dir.file(name); }
    // Writes the check list naming these files of the folder, each made with some data.
    void listFiles(const std::vector<std::string>& names) const;
    // Runs the executable as a scheduler would: no display, no terminal input, standard output
    // in the file "stdout" (of the last run), standard error appended to the file "stderr".
    // Returns its exit status.
    int run(const std::vector<std::string>& arguments);
    // run() while another process holds the named file of the folder.
    int runHolding(const std::string& name, const std::vector<std::string>& arguments = {"-r"},
                   Holder::Way way = Holder::Way::Open);

    // How start() hands the executable to the kernel: by its path, or through an open
    // descriptor (fexecve) with argv[0] as a PATH lookup leaves it, the file perhaps removed.
    enum class Exec { ByPath, ByDescriptor, ByDescriptorOfRemovedFile };
    // Starts it as run() does, without waiting, perhaps in a mount namespace of its own over an
    // empty /proc (root only); finish() waits and returns the exit status, or 128 + 9 when it
    // had not ended after 30 seconds and was killed.
    pid_t start(const std::vector<std::string>& arguments, Exec exec = Exec::ByPath,
                bool withoutProc = false);
    static int finish(pid_t pid);
    // The arguments the stand-in received, or nothing when it was not started.
    std::vector<std::string> shutdownArguments(int waitMilliseconds = 3000) const;
    std::string registryFile() const;

    TempDir dir;
    // The address-space limit runs get (0: none), as `ulimit -v` or a service's memory cap gives.
    unsigned long addressSpaceLimit = 0;
    // A shell command that runs first, as root in a mount namespace of the run's own, in the
    // folder (such as mounting a full file system over the state folder); empty: none.
    std::string mountSetup;

private:
    std::string exeName_;
};

} // namespace vesperon::test
