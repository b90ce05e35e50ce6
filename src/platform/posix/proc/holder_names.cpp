#include "platform/posix/proc/holder_names.h"

#include <algorithm>
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vesperon::platform::posix {

namespace {

using Hold = OpenFileScan::Hold;

const char* wayOf(Hold how) {
    switch (how) {
    case Hold::Read:
        return "open for reading";
    case Hold::Write:
        return "open for writing";
    case Hold::ReadWrite:
        return "open for reading and writing";
    case Hold::Mapped:
        return "mapped";
    case Hold::Executable:
        return "executable";
    case Hold::Registered:
        return "io_uring of pid ";
    case Hold::LoopDevice:
        return "loop device /dev/loop";
    case Hold::Swap:
        return "swap";
    }
    return "held";
}

// The kernel's own holds have no process of their own.
bool byTheKernel(Hold how) {
    return how == Hold::LoopDevice || how == Hold::Swap;
}

std::string userName(uid_t uid) {
    std::vector<char> buffer(16384);
    passwd entry{};
    passwd* found = nullptr;
    if (::getpwuid_r(uid, &entry, buffer.data(), buffer.size(), &found) == 0 && found != nullptr) {
        return found->pw_name;
    }
    return std::to_string(uid);
}

} // namespace

const HolderNames::Process& HolderNames::process(pid_t pid) {
    auto known = known_.find(pid);
    if (known != known_.end()) {
        return known->second;
    }
    // What /proc says of a process that may have ended since the pass: "?" then.
    Process p{"?", "?"};
    const std::string folder = procRoot_ + "/" + std::to_string(pid);
    struct stat info {};
    if (::stat(folder.c_str(), &info) == 0) {
        p.user = userName(info.st_uid);
    }
    const int fd = ::open((folder + "/comm").c_str(), O_RDONLY | O_CLOEXEC);
    if (fd >= 0) {
        char name[64];
        const ssize_t n = ::read(fd, name, sizeof name);
        if (n > 0) {
            p.command.assign(name, static_cast<std::size_t>(n));
            p.command.erase(p.command.find_last_not_of('\n') + 1);
        }
        ::close(fd);
    }
    return known_.emplace(pid, std::move(p)).first->second;
}

std::vector<FileHolder> HolderNames::name(const std::vector<OpenFileScan::Holding>& holdings) {
    std::vector<OpenFileScan::Holding> sorted;
    std::vector<FileHolder> holders;
    for (const auto& h : holdings) {
        if (byTheKernel(h.how)) {
            FileHolder kernel;
            kernel.how = wayOf(h.how);
            if (h.how == Hold::LoopDevice) {
                kernel.how += std::to_string(h.device);
            }
            holders.push_back(std::move(kernel));
        } else {
            sorted.push_back(h);
        }
    }
    std::stable_sort(sorted.begin(), sorted.end(),
                     [](const auto& a, const auto& b) { return a.pid < b.pid; });
    for (std::size_t at = 0; at < sorted.size();) {
        const pid_t pid = sorted[at].pid;
        FileHolder holder;
        holder.pid = static_cast<std::uint32_t>(pid);
        const bool runsIt = std::any_of(sorted.begin(), sorted.end(), [&](const auto& h) {
            return h.pid == pid && h.how == Hold::Executable;
        });
        for (; at < sorted.size() && sorted[at].pid == pid; ++at) {
            // A program's own file is mapped too; "executable" says it all.
            if (runsIt && sorted[at].how == Hold::Mapped) {
                continue;
            }
            holder.how += (holder.how.empty() ? "" : ", ") + std::string(wayOf(sorted[at].how));
            if (sorted[at].how == Hold::Registered) {
                holder.how += std::to_string(pid);
            }
        }
        const Process& p = process(pid);
        holder.user = p.user;
        holder.command = p.command;
        holders.push_back(std::move(holder));
    }
    return holders;
}

} // namespace vesperon::platform::posix
