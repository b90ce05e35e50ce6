#include "eventlog/entry_split.h"

#include <gtest/gtest.h>

namespace vesperon {
namespace {

const std::string header = "HEAD\r\n";
using Entries = std::vector<std::string>;

TEST(EntrySplit, WholeBlocksInOrderEachEntryWithinTheLimit) {
    const std::size_t limit = header.size() + 6;
    EXPECT_EQ(splitIntoEntries(header, {"aa", "bbbb", "cc", "dddddd", "e"}, limit),
              (Entries{header + "aabbbb", header + "cc", header + "dddddd", header + "e"}));
    EXPECT_EQ(splitIntoEntries(header, {}, limit), Entries{header});
}

TEST(EntrySplit, BlockTooLongForAnyEntryIsCutOverEntriesOfItsOwn) {
    const std::string huge(25, 'h');
    EXPECT_EQ(splitIntoEntries(header, {"a", huge, "b"}, header.size() + 10),
              (Entries{header + "a", header + huge.substr(0, 10), header + huge.substr(10, 10),
                       header + huge.substr(20), header + "b"}));
    // A limit that leaves no room after the header still moves on, one character at a time.
    EXPECT_EQ(splitIntoEntries(header, {"xy"}, 3), (Entries{header + "x", header + "y"}));
}

} // namespace
} // namespace vesperon
