#include "ParamManager.h"

#include <gtest/gtest.h>

namespace {

using ParamManager::TParamManager;

TEST(ParamManager, StringParametersIgnoreLetterCaseAndAnEmptyValueRemovesThem)
{
    TParamManager params;
    params.SetStringParam(QStringLiteral("Alias"), QStringLiteral("NAVIGATE"));
    params.SetStringParam(QStringLiteral("Путь"), QStringLiteral("/opt"));
    params.SetStringParam(QStringLiteral("Connection"), QStringLiteral("host=db port=5432"));
    EXPECT_EQ(params.GetStringParam(QStringLiteral("ALIAS")), QStringLiteral("NAVIGATE"));
    EXPECT_EQ(params.GetStringParam(QStringLiteral("alias")), QStringLiteral("NAVIGATE"));
    EXPECT_EQ(params.GetStringParam(QStringLiteral("пУТЬ")), QStringLiteral("/opt"));
    EXPECT_EQ(params.GetStringParam(QStringLiteral("Connection")), QStringLiteral("host=db port=5432"));
    EXPECT_EQ(params.GetStringParam(QStringLiteral("Unknown")), QString());

    params.SetStringParam(QStringLiteral("ALIAS"), QStringLiteral("OTHER"));
    params.SetStringParam(QStringLiteral("путь"), QString());
    EXPECT_EQ(params.GetStringParam(QStringLiteral("Путь")), QString());
    TStringList list;
    params.GetParameterList(&list);
    EXPECT_EQ(list.ToQStringList(), (QStringList{QStringLiteral("ALIAS=OTHER"), QStringLiteral("CONNECTION=host=db port=5432")}));
}

TEST(ParamManager, ObjectAndStringParametersOfOneNameAreSeparateEntries)
{
    TParamManager params;
    TObject first;
    TObject second;
    params.SetObjectParam(QStringLiteral("Session"), &first);
    params.SetStringParam(QStringLiteral("SESSION"), QStringLiteral("текст"));
    params.SetObjectParam(QStringLiteral("session"), &second);
    EXPECT_EQ(params.GetObjectParam(QStringLiteral("Session")), &second);
    EXPECT_EQ(params.GetStringParam(QStringLiteral("Session")), QStringLiteral("текст"));
    EXPECT_EQ(params.GetObjectParam(QStringLiteral("Unknown")), nullptr);

    TStringList list;
    list.Add(QStringLiteral("kept"));
    params.GetParameterList(&list);
    EXPECT_EQ(list.ToQStringList(), (QStringList{QStringLiteral("kept"), QStringLiteral("SESSION"), QStringLiteral("SESSION=текст")}));
    EXPECT_EQ(list.Objects(1), &second);
    EXPECT_EQ(list.Objects(2), nullptr);
    params.GetParameterList(nullptr);
}

TEST(ParamManager, ANameContainingEqualsCannotBeReadBack)
{
    TParamManager params;
    params.SetStringParam(QStringLiteral("a=b"), QStringLiteral("value"));
    EXPECT_EQ(params.GetStringParam(QStringLiteral("a=b")), QString());
}

} // namespace
