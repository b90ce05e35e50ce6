#include "check/listed_file.h"

#include <gtest/gtest.h>

namespace vesperon {
namespace {

TEST(StripCharsTest, SearchesAgainFromTheStartAfterEachRemoval) {
    std::string s = "aabbX";
    EXPECT_EQ(StripChars(s, "ab"), "X");
    EXPECT_EQ(s, "X");
}

} // namespace
} // namespace vesperon
