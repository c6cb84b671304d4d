#include "StringList.h"

#include "Exceptions.h"

#include <gtest/gtest.h>

namespace {

TEST(StringList, LookupIgnoresLetterCaseIncludingCyrillicAndFindsTheFirst)
{
    TStringList list;
    list.Add(QStringLiteral("Навигатор"));
    list.Add(QStringLiteral("beta"));
    list.Add(QStringLiteral("НАВИГАТОР"));
    EXPECT_EQ(list.IndexOf(QStringLiteral("навигатор")), 0);
    EXPECT_EQ(list.IndexOf(QStringLiteral("BETA")), 1);
    EXPECT_EQ(list.IndexOf(QStringLiteral("gamma")), -1);
}

TEST(StringList, SortedListIgnoresExistingKeysAndFindsByBinarySearch)
{
    TStringList list;
    list.SetSorted(true);
    TObject first;
    TObject second;
    EXPECT_EQ(list.AddObject(QStringLiteral("7"), &first), 0);
    list.Add(QStringLiteral("12"));
    list.Add(QStringLiteral("-1"));
    EXPECT_EQ(list.AddObject(QStringLiteral("7"), &second), list.IndexOf(QStringLiteral("7")));
    ASSERT_EQ(list.Count(), 3);
    EXPECT_EQ(list.Objects(list.IndexOf(QStringLiteral("7"))), &first);
    EXPECT_EQ(list.Strings(0), QStringLiteral("-1"));
    EXPECT_EQ(list.Strings(1), QStringLiteral("12"));
    EXPECT_EQ(list.Strings(2), QStringLiteral("7"));
}

TEST(StringList, DeletingFreesObjectsOnlyWhenTheListOwnsThem)
{
    struct TCounted : TObject {
        explicit TCounted(int& Count) : FCount(Count) {}
        ~TCounted() override { ++FCount; }
        int& FCount;
    };
    int freed = 0;
    TCounted kept(freed);
    {
        TStringList borrowed;
        borrowed.AddObject(QStringLiteral("a"), &kept);
        borrowed.Delete(0);
    }
    EXPECT_EQ(freed, 0);
    {
        TStringList owning(true);
        owning.AddObject(QStringLiteral("a"), new TCounted(freed));
        owning.AddObject(QStringLiteral("b"), new TCounted(freed));
        owning.Delete(0);
        EXPECT_EQ(freed, 1);
    }
    EXPECT_EQ(freed, 2);
}

TEST(StringList, NameValueAccessSplitsAtTheFirstEquals)
{
    TStringList list;
    list.Add(QStringLiteral("ALIAS=demo=x"));
    list.Add(QStringLiteral("PLAIN"));
    EXPECT_EQ(list.Names(0), QStringLiteral("ALIAS"));
    EXPECT_EQ(list.Values(QStringLiteral("alias")), QStringLiteral("demo=x"));
    EXPECT_EQ(list.Names(1), QString());
    EXPECT_EQ(list.IndexOfName(QStringLiteral("PLAIN")), -1);
}

TEST(StringList, TextEndsEveryLineWithCrLfAndReadsAnyLineBreak)
{
    TStringList list;
    list.SetText(QStringLiteral("select ID\r\nfrom T\nwhere X\r"));
    ASSERT_EQ(list.Count(), 3);
    EXPECT_EQ(list.Text(), QStringLiteral("select ID\r\nfrom T\r\nwhere X\r\n"));
    list.SetText(QString());
    EXPECT_EQ(list.Count(), 0);
    EXPECT_EQ(list.Text(), QString());
}

TEST(StringList, IndexOutsideTheListRaisesListError)
{
    TStringList list;
    EXPECT_THROW(list.Strings(0), EListError);
    EXPECT_THROW(list.Delete(-1), EListError);
}

} // namespace
