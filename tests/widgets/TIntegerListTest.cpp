#include "widgets/TAlignOffset.h"

#include <gtest/gtest.h>

TEST(TIntegerList, IndexOutsideTheListRaisesWithTheIndexInTheMessage)
{
    TIntegerList list(3);
    list.SetValue(2, 7);
    EXPECT_EQ(list.Value(2), 7);
    try {
        list.Value(3);
        FAIL() << "no exception";
    } catch (const EIntegerList& error) {
        EXPECT_EQ(QString::fromStdString(error.what()), QStringLiteral("リストのインデックスが範囲を超えています (3)"));
    }
    EXPECT_THROW(list.SetValue(-1, 0), EIntegerList);
}

TEST(TIntegerList, AssignNeedsEqualCountsAndCopiesEveryValue)
{
    TIntegerList four(4), three(3);
    try {
        four.Assign(three);
        FAIL() << "no exception";
    } catch (const EIntegerList& error) {
        EXPECT_STREQ(error.what(), "Count of Values is mismatch.");
    }
    TAlignOffset source, target;
    source.SetAll(8, 8, 1, 8);
    int changes = 0;
    target.OnChange = [&] { ++changes; };
    target.Assign(source);
    EXPECT_EQ(target.Margins(), QMargins(8, 8, 1, 8));
    EXPECT_EQ(changes, 1);
}

TEST(TIntegerList, OnChangeFiresOnlyForRealChanges)
{
    TAlignOffset offset;
    int changes = 0;
    offset.OnChange = [&] { ++changes; };
    offset.SetLeft(0);
    EXPECT_EQ(changes, 0);
    offset.SetLeft(5);
    offset.SetBottom(2);
    EXPECT_EQ(changes, 2);
    EXPECT_EQ(offset.Left(), 5);
    EXPECT_EQ(offset.Bottom(), 2);
}
