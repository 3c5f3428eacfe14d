#include "debug/error_list.h"

#include <gtest/gtest.h>

namespace qvl {
namespace {

TEST(ErrorList, KeepsTheNewestEntriesInOrderUpToItsLimit) {
    ErrorList list;
    for (std::size_t i = 0; i < ErrorList::kLimit + 3; ++i) list.add(std::to_string(i));
    ASSERT_EQ(list.entries().size(), ErrorList::kLimit);
    EXPECT_EQ(list.entries().front(), "3");
    EXPECT_EQ(list.entries().back(), std::to_string(ErrorList::kLimit + 2));
}

}  // namespace
}  // namespace qvl
