#include "platform/listing_order.h"
#include "support/qt_printers.h"

#include <gtest/gtest.h>

using namespace ferrowax;

namespace {

std::vector<QByteArray> sorted(std::vector<QByteArray> names)
{
    sortForListing(names);
    return names;
}

TEST(ListingOrder, IgnoresCaseAndBreaksTiesByBytes)
{
    EXPECT_EQ(sorted({"b.txt", "A.txt", "a.txt", "C", "B.TXT"}),
        (std::vector<QByteArray>{"A.txt", "a.txt", "B.TXT", "b.txt", "C"}));
}

TEST(ListingOrder, FoldsCaseBeyondAscii)
{
    // "É" folds to "é", which sorts after every ASCII letter.
    EXPECT_EQ(sorted({"\xc3\xa9t\xc3\xa9", "zoo", "\xc3\x89T\xc3\x89", "Apple"}),
        (std::vector<QByteArray>{"Apple", "zoo", "\xc3\x89T\xc3\x89", "\xc3\xa9t\xc3\xa9"}));
}

TEST(ListingOrder, NamesThatAreNotUtf8SortDeterministically)
{
    const std::vector<QByteArray> names{"x\xff", "x\xfe", "X\xff", "a"};
    const std::vector<QByteArray> once = sorted(names);
    EXPECT_EQ(once.front(), "a");
    EXPECT_EQ(sorted({names.rbegin(), names.rend()}), once);
    EXPECT_EQ(once.size(), 4U);
}

} // namespace
