#include "EClasses.h"

#include "NavigatorManager.h"
#include "SchemaNavigator.h"
#include "TestEnvironment.h"

#include <gtest/gtest.h>

namespace {

using EClasses::FindClassPath;
using EClasses::TNavigationInfo;

// Every level of Info as the navigator's level texts ("_A_B"), from level 0.
std::vector<QString> LevelTexts(const TNavigationInfo& Info)
{
    std::vector<QString> levels;
    for (qint32 level = 0; level < Info.LevelCount; ++level)
        levels.push_back(Info.GetLevelList(level));
    return levels;
}

const QString A = QStringLiteral("A");
const QString B = QStringLiteral("B");
const QString C = QStringLiteral("C");
const QString D = QStringLiteral("D");
const QString Z = QStringLiteral("Z");

TEST(NavigationInfo, LevelsRecordEachClassOnceAndOutOfRangeLevelsAreReported)
{
    TNavigationInfo info(3);
    ASSERT_EQ(info.Levels->Count(), 3);
    info.AddClassInfo(1, A);
    info.AddClassInfo(1, B);
    info.AddClassInfo(1, QStringLiteral("a"));
    info.AddClassInfo(2, B);
    EXPECT_EQ(LevelTexts(info), (std::vector<QString>{QString(), QStringLiteral("_A_B"), QStringLiteral("_B")}));
    EXPECT_TRUE(info.CheckClassInfo(1, QStringLiteral("b")));
    EXPECT_FALSE(info.CheckClassInfo(0, A));
    EXPECT_TRUE(TestSupport::Dialogs().Calls().empty());

    info.AddClassInfo(3, A);
    info.AddClassInfo(-1, A);
    EXPECT_FALSE(info.CheckClassInfo(3, A));
    EXPECT_EQ(info.GetLevelList(3), QString());
    EXPECT_EQ(info.GetLevelList(-1), QString());
    EXPECT_EQ(TestSupport::Dialogs().Messages(),
        (std::vector<QString>{QStringLiteral("Ошибка добавления в дерево поиска"),
            QStringLiteral("Ошибка добавления в дерево поиска"), QStringLiteral("Ошибка доcтупа к уровню 3")}));
    // The access message is spelt with a Latin "c".
    EXPECT_TRUE(TestSupport::Dialogs().Messages().back().contains(QStringLiteral("до") + QLatin1Char('c')));

    TNavigationInfo empty(0);
    EXPECT_TRUE(empty.Levels->IsEmpty());
    EXPECT_FALSE(empty.CheckClassInfo(0, A));
    TNavigationInfo negative(-2);
    EXPECT_TRUE(negative.Levels->IsEmpty());
}

class ClassPathTest : public testing::Test {
protected:
    EntityTests::TSchemaNavigator Navigator;
};

TEST_F(ClassPathTest, RecordsEveryClassOnAChainLevelByLevelDeepestFirst)
{
    Navigator.Link(A, B);
    Navigator.Link(A, C);
    Navigator.Link(B, D);
    Navigator.Link(C, D);

    TNavigationInfo info(5);
    EXPECT_TRUE(FindClassPath(A, D, 1, 4, &info));
    EXPECT_EQ(LevelTexts(info), (std::vector<QString>{QString(), QStringLiteral("_A"), QStringLiteral("_B_C"),
                                    QStringLiteral("_D"), QString()}));

    // Two steps are too few to reach D.
    TNavigationInfo shallow(5);
    EXPECT_FALSE(FindClassPath(A, D, 1, 2, &shallow));
    EXPECT_EQ(LevelTexts(shallow), std::vector<QString>(5));

    // The target itself needs no schema; a class without links or unknown leads nowhere.
    TNavigationInfo same(5);
    EXPECT_TRUE(FindClassPath(Z, Z, 2, 2, &same));
    EXPECT_EQ(same.GetLevelList(2), QStringLiteral("_Z"));
    TNavigationInfo dead(5);
    EXPECT_FALSE(FindClassPath(D, A, 1, 4, &dead));
    EXPECT_FALSE(FindClassPath(Z, A, 1, 4, &dead));
    EXPECT_EQ(LevelTexts(dead), std::vector<QString>(5));
    // Class names of the path compare exactly; the schema lookup ignores letter case.
    TNavigationInfo lower(5);
    EXPECT_FALSE(FindClassPath(A, QStringLiteral("d"), 1, 4, &lower));
    EXPECT_TRUE(FindClassPath(QStringLiteral("a"), D, 1, 4, &lower));
    EXPECT_EQ(lower.GetLevelList(1), QStringLiteral("_a"));
    EXPECT_TRUE(TestSupport::Dialogs().Calls().empty());
}

TEST_F(ClassPathTest, CyclesEndAtTheLevelLimit)
{
    Navigator.Link(A, B);
    Navigator.Link(B, A);
    TNavigationInfo unreachable(5);
    EXPECT_FALSE(FindClassPath(A, Z, 1, 4, &unreachable));
    EXPECT_EQ(LevelTexts(unreachable), std::vector<QString>(5));

    // With a way out of the cycle, the cycle's classes are recorded wherever a chain passes.
    Navigator.Link(B, Z);
    TNavigationInfo near(5);
    EXPECT_TRUE(FindClassPath(A, Z, 1, 4, &near));
    EXPECT_EQ(LevelTexts(near), (std::vector<QString>{QString(), QStringLiteral("_A"), QStringLiteral("_B"),
                                    QStringLiteral("_Z"), QString()}));
    TNavigationInfo deep(7);
    EXPECT_TRUE(FindClassPath(A, Z, 1, 6, &deep));
    EXPECT_EQ(LevelTexts(deep), (std::vector<QString>{QString(), QStringLiteral("_A"), QStringLiteral("_B"),
                                    QStringLiteral("_A_Z"), QStringLiteral("_B"), QStringLiteral("_Z"), QString()}));
}

TEST_F(ClassPathTest, LevelsBeyondTheInfoAreReportedNotRecorded)
{
    Navigator.Link(A, B);
    TNavigationInfo small(2);
    EXPECT_TRUE(FindClassPath(A, B, 1, 4, &small));
    EXPECT_EQ(small.GetLevelList(1), QStringLiteral("_A"));
    EXPECT_EQ(TestSupport::Dialogs().Messages(), std::vector<QString>{QStringLiteral("Ошибка добавления в дерево поиска")});
}

TEST(ClassPathWithoutNavigator, FindsNothingButTheTargetItself)
{
    ASSERT_EQ(NavigatorManager::CurrentNavigator, nullptr);
    TNavigationInfo info(5);
    EXPECT_FALSE(FindClassPath(A, B, 1, 4, &info));
    EXPECT_TRUE(FindClassPath(B, B, 1, 4, &info));
    EXPECT_EQ(info.GetLevelList(1), QStringLiteral("_B"));
}

} // namespace
