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

// The first index of S found by comparing every entry, as the list's look-up must answer.
int FirstByScan(const TStringList& List, const QString& S)
{
    for (int i = 0; i < List.Count(); ++i)
        if (TStringList::SameText(List.Strings(i), S))
            return i;
    return -1;
}

// A list long enough to look texts up through its index answers like a scan after every kind
// of change: appends of duplicates in other letter cases, inserts and deletes that shift the
// entries, renames, exchanges, deletions from the end and a refill.
TEST(StringList, LongListFindsTheFirstMatchAfterEveryKindOfChange)
{
    const QStringList probes{QStringLiteral("ёЛКА"), QStringLiteral("ЁЛКА"), QStringLiteral("Straße"),
        QStringLiteral("ΣΟΦΟΣ"), QStringLiteral("σοφος"), QStringLiteral("x7"), QStringLiteral("X7"), QStringLiteral("нет")};
    TStringList list;
    for (int i = 0; i < 40; ++i)
        list.Add(QStringLiteral("x%1").arg(i));
    auto expectLikeAScan = [&list, &probes](const char* Step) {
        for (const QString& probe : probes)
            EXPECT_EQ(list.IndexOf(probe), FirstByScan(list, probe)) << Step << ": " << probe.toStdString();
    };
    expectLikeAScan("filled");
    list.Add(QStringLiteral("Ёлка"));
    list.Add(QStringLiteral("ЁЛКА"));
    list.Add(QStringLiteral("σοφοσ"));
    EXPECT_EQ(list.IndexOf(QStringLiteral("ёлка")), 40);
    EXPECT_EQ(list.IndexOf(QStringLiteral("ΣΟΦΟΣ")), 42);
    expectLikeAScan("appended duplicates");
    list.Insert(3, QStringLiteral("ёлКа"));
    EXPECT_EQ(list.IndexOf(QStringLiteral("ЁЛКА")), 3);
    EXPECT_EQ(list.IndexOf(QStringLiteral("X7")), 8);
    expectLikeAScan("inserted before");
    list.Delete(3);
    list.Delete(0);
    EXPECT_EQ(list.IndexOf(QStringLiteral("ЁЛКА")), 39);
    expectLikeAScan("deleted");
    list.SetString(39, QStringLiteral("Straße"));
    EXPECT_EQ(list.IndexOf(QStringLiteral("ёлка")), 40);
    EXPECT_EQ(list.IndexOf(QStringLiteral("STRASSE")), -1);
    expectLikeAScan("renamed");
    list.Exchange(39, 40);
    list.Add(QStringLiteral("x7"));
    EXPECT_EQ(list.IndexOf(QStringLiteral("ёлка")), 39);
    expectLikeAScan("exchanged");
    list.Add(QStringLiteral("Единственный"));
    EXPECT_EQ(list.IndexOf(QStringLiteral("ЕДИНСТВЕННЫЙ")), list.Count() - 1);
    list.Delete(list.Count() - 1);
    list.Delete(list.Count() - 1);
    EXPECT_EQ(list.IndexOf(QStringLiteral("ЕДИНСТВЕННЫЙ")), -1);
    EXPECT_EQ(list.IndexOf(QStringLiteral("единственный")), -1);
    EXPECT_EQ(list.IndexOf(QStringLiteral("X7")), 6);
    expectLikeAScan("deleted from the end");
    list.SetText(QStringLiteral("a\r\nb"));
    EXPECT_EQ(list.IndexOf(QStringLiteral("x7")), -1);
    expectLikeAScan("refilled");
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
