#include "auxiliary/process_list_window.h"
#include "platform/posix/proc/posix_process_listing.h"

#include <algorithm>
#include <climits>
#include <gtest/gtest.h>
#include <unistd.h>

namespace vesperon {
namespace {

TEST(PosixProcessListing, ListsTheExecutableOfEachProcess) {
    char self[PATH_MAX];
    const ssize_t n = ::readlink("/proc/self/exe", self, sizeof self);
    ASSERT_GT(n, 0);
    platform::posix::PosixProcessListing listing;
    const auto lines = listProcesses(listing);
    EXPECT_NE(std::find(lines.begin(), lines.end(), std::string(self, static_cast<std::size_t>(n))),
              lines.end());
    EXPECT_EQ(std::count(lines.begin(), lines.end(), ""), 0) << "unreadable processes give no line";
}

TEST(PosixProcessListing, MissingProcFolderListsNothing) {
    platform::posix::PosixProcessListing listing("/nonexistent-proc");
    EXPECT_TRUE(listProcesses(listing).empty());
}

} // namespace
} // namespace vesperon
