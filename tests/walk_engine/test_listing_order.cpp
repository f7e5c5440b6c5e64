#include "walk_engine/listing_order.h"
#include "support/qt_printers.h"

#include <gtest/gtest.h>

using namespace ferrowax;

namespace {

std::vector<QByteArray> sorted(const std::vector<QByteArray>& names)
{
    std::vector<QByteArrayView> views(names.begin(), names.end());
    sortForListing(views);
    std::vector<QByteArray> result;
    for (const QByteArrayView view : views)
        result.push_back(view.toByteArray());
    return result;
}

TEST(ListingOrder, IgnoresCaseAndBreaksTiesByBytes)
{
    EXPECT_EQ(sorted({"b.txt", "A.txt", "a.txt", "C", "B.TXT"}),
        (std::vector<QByteArray>{"A.txt", "a.txt", "B.TXT", "b.txt", "C"}));
}

TEST(ListingOrder, AgreesWithComparingLoweredNamesForAnyAsciiName)
{
    // Long shared prefixes, case differences on either side of byte 8 and
    // 16, and the characters next to the letters in ASCII.
    std::vector<QByteArray> names{"IMG_20230101_120000.jpg", "img_20230101_120000.JPG", "IMG_20230101_115959.jpg",
        "Img_20230101_12000.jpg", "@at", "[bracket", "`tick", "{brace", "Zulu", "zulu", "ZULU-longer-than-16",
        "zulu-longer-than-16", "a", "A", "aa", "aB", "Ab", "abcdefghIJKLMNOPq", "ABCDEFGHijklmnopQ", "abcdefgh"};
    std::vector<QByteArray> expected = names;
    std::sort(expected.begin(), expected.end(), [](const QByteArray& a, const QByteArray& b) {
        if (const int order = a.toLower().compare(b.toLower()); order != 0)
            return order < 0;
        return a < b;
    });
    for (int rotation = 0; rotation < 5; ++rotation) {
        std::rotate(names.begin(), names.begin() + 3, names.end());
        EXPECT_EQ(sorted(names), expected);
    }
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
