#include "ContextManager.h"

#include "Env.h"
#include "TestEnvironment.h"

#include <gtest/gtest.h>

namespace {

using ContextManager::GetContextByName;
using ContextManager::TContext;

// Each test starts with the registries as after package start-up: "_default" only.
class ContextManagerTest : public testing::Test {
protected:
    void SetUp() override
    {
        ContextManager::Finalize();
        ContextManager::Initialize();
    }

    static void ExpectRegistriesParallel()
    {
        ASSERT_EQ(Env::ContextsNames->Count(), Env::ContextsIDs->Count());
        for (int i = 0; i < Env::ContextsNames->Count(); ++i) {
            auto* context = Env::ContextsNames->ObjectAs<TContext>(i);
            ASSERT_NE(context, nullptr);
            EXPECT_EQ(Env::ContextsIDs->Objects(i), context);
            EXPECT_EQ(Env::ContextsNames->Strings(i), context->Name);
            EXPECT_EQ(Env::ContextsIDs->Strings(i), QString::number(context->ID));
        }
    }
};

TEST_F(ContextManagerTest, StartUpDeclaresTheDefaultContext)
{
    TContext* context = GetContextByName(QStringLiteral("_default"));
    ASSERT_NE(context, nullptr);
    EXPECT_EQ(context->ID, 0);
    EXPECT_EQ(context->ParentContext, nullptr);
    EXPECT_TRUE(context->ChildContexts->IsEmpty());
    EXPECT_EQ(GetContextByName(QStringLiteral("_DEFAULT")), context);
    EXPECT_EQ(Env::ContextsIDs->ToQStringList(), QStringList{QStringLiteral("0")});
    EXPECT_EQ(GetContextByName(QStringLiteral("unknown")), nullptr);
    EXPECT_TRUE(TestSupport::Dialogs().Calls().empty());
}

TEST_F(ContextManagerTest, EveryConstructorRegistersTheContextUnderItsNameAndId)
{
    auto* anonymous = new TContext;
    EXPECT_EQ(anonymous->ID, -1);
    EXPECT_EQ(Env::ContextsNames->IndexOfObject(anonymous), 1);
    EXPECT_EQ(Env::ContextsNames->Strings(1), QString());
    EXPECT_EQ(Env::ContextsIDs->Strings(1), QStringLiteral("-1"));

    auto* big = new TContext(Q_INT64_C(9000000000), QStringLiteral("Склады"));
    auto* child = new TContext(12, QStringLiteral("Ячейки"), big);
    EXPECT_EQ(child->ParentContext, big);
    EXPECT_EQ(big->ChildContexts->ToQStringList(), QStringList{QStringLiteral("Ячейки")});
    EXPECT_EQ(Env::ContextsIDs->IndexOf(QStringLiteral("9000000000")), 2);
    EXPECT_EQ(GetContextByName(QStringLiteral("ячейки")), child);
    ExpectRegistriesParallel();
}

TEST_F(ContextManagerTest, RegisteringWithAParentChecksItsNameAndId)
{
    ContextManager::RegisterContextWithParent(5, QStringLiteral("b"), 0, QStringLiteral("_default"));
    TContext* root = GetContextByName(QStringLiteral("_default"));
    TContext* b = GetContextByName(QStringLiteral("b"));
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->ID, 5);
    EXPECT_EQ(b->ParentContext, root);
    EXPECT_EQ(root->ChildContexts->ToQStringList(), QStringList{QStringLiteral("b")});
    EXPECT_EQ(root->ChildContexts->Objects(0), b);
    EXPECT_TRUE(TestSupport::Dialogs().Calls().empty());

    ContextManager::RegisterContextWithParent(6, QStringLiteral("c"), 7, QStringLiteral("_default"));
    ContextManager::RegisterContextWithParent(8, QStringLiteral("d"), 0, QStringLiteral("Нет"));
    EXPECT_EQ(TestSupport::Dialogs().Messages(),
              (std::vector<QString>{QStringLiteral("У контекста другой идентификатор"), QStringLiteral("Нет контекста с именем Нет")}));
    EXPECT_EQ(GetContextByName(QStringLiteral("c")), nullptr);
    EXPECT_EQ(GetContextByName(QStringLiteral("d")), nullptr);
    EXPECT_EQ(Env::ContextsNames->Count(), 2);
    ExpectRegistriesParallel();
}

TEST_F(ContextManagerTest, DuplicateNamesStayRegisteredAndTheFirstOneIsUsed)
{
    ContextManager::RegisterContext(1, QStringLiteral("Отдел"));
    ContextManager::RegisterContext(2, QStringLiteral("ОТДЕЛ"));
    EXPECT_EQ(Env::ContextsNames->Count(), 3);
    TContext* first = GetContextByName(QStringLiteral("отдел"));
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->ID, 1);

    ContextManager::RegisterContextWithParent(3, QStringLiteral("x"), 2, QStringLiteral("Отдел"));
    EXPECT_EQ(TestSupport::Dialogs().Messages(), std::vector<QString>{QStringLiteral("У контекста другой идентификатор")});
    ContextManager::RegisterContextWithParent(3, QStringLiteral("x"), 1, QStringLiteral("Отдел"));
    EXPECT_EQ(GetContextByName(QStringLiteral("x"))->ParentContext, first);

    // Unregistering takes the entry of that ID and name out of both registries and out of its
    // parent's children; the objects stay alive for whoever still points at them.
    ContextManager::UnregisterContext(2, QStringLiteral("x"));
    ContextManager::UnregisterContext(1, QStringLiteral("x"));
    EXPECT_EQ(Env::ContextsNames->Count(), 4);
    ContextManager::UnregisterContext(1, QStringLiteral("отдел"));
    EXPECT_EQ(GetContextByName(QStringLiteral("Отдел"))->ID, 2);
    ContextManager::UnregisterContext(3, QStringLiteral("x"));
    EXPECT_EQ(GetContextByName(QStringLiteral("x")), nullptr);
    EXPECT_TRUE(first->ChildContexts->IsEmpty());
    EXPECT_EQ(first->Name, QStringLiteral("Отдел"));
    EXPECT_EQ(Env::ContextsNames->ToQStringList(), (QStringList{QStringLiteral("_default"), QStringLiteral("ОТДЕЛ")}));
    ExpectRegistriesParallel();
}

TEST_F(ContextManagerTest, ChildListsAndParentsChangeOnlyAsAsked)
{
    auto* parent = new TContext(1, QStringLiteral("p"));
    auto* first = new TContext(2, QStringLiteral("a"), parent);
    auto* second = new TContext(3, QStringLiteral("b"), parent);
    auto* stranger = new TContext(4, QStringLiteral("s"));

    first->SetParentContext(nullptr);
    EXPECT_EQ(first->ParentContext, parent);

    parent->DeleteChildContext(stranger);
    EXPECT_EQ(parent->ChildContexts->Count(), 2);
    parent->DeleteChildContext(first);
    EXPECT_EQ(parent->ChildContexts->ToQStringList(), QStringList{QStringLiteral("b")});
    EXPECT_EQ(first->ParentContext, parent);

    // Moving to another parent does not leave the old parent's children.
    second->SetParentContext(stranger);
    EXPECT_EQ(second->ParentContext, stranger);
    EXPECT_EQ(parent->ChildContexts->Objects(0), second);
    EXPECT_EQ(stranger->AddChildContext(first), 1);
    EXPECT_EQ(stranger->ChildContexts->ToQStringList(), (QStringList{QStringLiteral("b"), QStringLiteral("a")}));
}

TEST_F(ContextManagerTest, ShutdownFreesTheRegistriesButNotTheContexts)
{
    TContext* survivor = GetContextByName(QStringLiteral("_default"));
    ContextManager::Finalize();
    EXPECT_EQ(Env::ContextsNames, nullptr);
    EXPECT_EQ(Env::ContextsIDs, nullptr);
    EXPECT_EQ(survivor->Name, QStringLiteral("_default"));
    EXPECT_TRUE(survivor->ChildContexts->IsEmpty());
    ContextManager::Initialize();
    EXPECT_NE(GetContextByName(QStringLiteral("_default")), survivor);
}

} // namespace
