// Registrations of plug-in packages: an Unregister call of a package removes its own entry
// whatever other packages registered under the same name, and what a package leaves
// registered is taken back before its library is unmapped.

#include "Env.h"

#include "EClasses.h"
#include "Exceptions.h"
#include "Packages.h"
#include "PropertyPages.h"
#include "TestEnvironment.h"
#include "WizardManager.h"
#include "../../packages/TestPackages.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

using TestPackages::File;

const QString SharedService = QStringLiteral("Общий сервис");

class PackageRegistrationsTest : public testing::Test {
protected:
    void SetUp() override
    {
        // The wizard registry outlives the packages, so that what they leave in it shows.
        WizardManager::Initialize();
        TestPackages::ClearLogs();
    }
    void TearDown() override { WizardManager::Finalize(); }

    // Every service entry, read through its text and its record: an entry left by an
    // unmapped package crashes here.
    static QStringList ServiceMenus()
    {
        QStringList menus;
        for (int i = 0; i < Env::Services->Count(); ++i)
            menus.append(Env::Services->Strings(i) + QLatin1Char('/')
                         + Env::Services->ObjectAs<EClasses::TServiceInfo>(i)->MenuName);
        return menus;
    }

    // A copy of the package in a directory of its own: a second mapping of the same code.
    QString Copy(const QString& Name)
    {
        const QString path = FCopies.path() + QLatin1Char('/') + Name + QStringLiteral(".bpl");
        EXPECT_TRUE(QFile::copy(File(Name), path));
        return path;
    }

    QTemporaryDir FCopies{TestSupport::TempDir() + QStringLiteral("/copies-XXXXXX")};
};

TEST_F(PackageRegistrationsTest, AnUnregisterCallRemovesTheEntryOfItsOwnPackage)
{
    const QString servicePackages = SharedService + QStringLiteral("/Пакеты");
    const quintptr alpha = LoadPackage(File(QStringLiteral("pkg_alpha")));
    // The same file through another path is the same mapping: initialised once.
    const quintptr alphaAgain = LoadPackage(QStringLiteral(VELNOR_TEST_PACKAGE_DIR "/../bpl/pkg_alpha.bpl"));
    EXPECT_EQ(alphaAgain, alpha);
    const quintptr beta = LoadPackage(File(QStringLiteral("pkg_beta")));
    const quintptr alphaCopy = LoadPackage(Copy(QStringLiteral("pkg_alpha")));
    ASSERT_NE(alphaCopy, alpha);
    EXPECT_EQ(ServiceMenus(), QStringList(3, servicePackages));

    testing::internal::CaptureStderr();
    // The copy's wizard was refused (the first of a name stays); its unregistration must not
    // take the original's.
    UnloadPackage(alphaCopy);
    EXPECT_EQ(ServiceMenus(), QStringList(2, servicePackages));
    EXPECT_EQ(WizardManager::CallWizard(QStringLiteral("pkg_alpha")), 9);
    UnloadPackage(beta);
    EXPECT_EQ(ServiceMenus(), QStringList(1, servicePackages));
    EXPECT_EQ(Env::Services->Owner(0), alpha);
    UnloadPackage(alphaAgain);
    UnloadPackage(alpha);
    EXPECT_TRUE(ServiceMenus().isEmpty());
    EXPECT_EQ(WizardManager::CallWizard(QStringLiteral("pkg_alpha")), 0);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "") << "every package took back what it registered";
    EXPECT_EQ(TestPackages::Log(), QStringLiteral("+pkg_alpha +pkg_beta +pkg_alpha -pkg_alpha ~pkg_alpha -pkg_beta ~pkg_beta -pkg_alpha ~pkg_alpha"));
}

TEST_F(PackageRegistrationsTest, WhatAPackageLeavesRegisteredIsTakenBackAndNamedOnStandardError)
{
    TForm programForm;
    Env::RegisterEntityService(SharedService, 0, QStringLiteral("Программа"), nullptr);
    const QString path = File(QStringLiteral("pkg_forgets"));
    const QString initFailsPath = File(QStringLiteral("pkg_initforgets"));

    testing::internal::CaptureStderr();
    const quintptr handle = LoadPackage(path);
    EXPECT_EQ(Env::Services->Count(), 3);
    EXPECT_EQ(PropertyPages::Pages->IndexOf(QStringLiteral("Забытая страница")), 0);
    EXPECT_EQ(Env::ClassNames->IndexOf(QStringLiteral("TForgottenEntity")), 0);
    UnloadPackage(handle);
    EXPECT_THROW(LoadPackage(initFailsPath), EPackageError);
    const QString errors = QString::fromStdString(testing::internal::GetCapturedStderr());

    // Only the program's own entry stays; the lists of each registry stay parallel.
    EXPECT_EQ(ServiceMenus(), QStringList{SharedService + QStringLiteral("/Программа")});
    EXPECT_EQ(Env::Services->Owner(0), 0u);
    EXPECT_TRUE(PropertyPages::Pages->IsEmpty());
    EXPECT_TRUE(PropertyPages::PagesProc->IsEmpty());
    for (TStringList* list : {Env::ClassNames, Env::ClassForms, Env::ClassString, Env::ClassTypes})
        EXPECT_TRUE(list->IsEmpty());
    EXPECT_EQ(WizardManager::CallWizard(QStringLiteral("pkg_forgets")), 0);
    EXPECT_EQ(WizardManager::CallWizard(QStringLiteral("pkg_initforgets")), 0);
    EXPECT_EQ(TestPackages::Log(), QStringLiteral("+pkg_forgets -pkg_forgets ~pkg_forgets +pkg_initforgets -pkg_initforgets ~pkg_initforgets"))
        << "the leftovers were taken back before the libraries were unmapped";

    QStringList lines = errors.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 2) << errors.toStdString();
    for (const QString& package : {path, initFailsPath}) {
        const QString line = lines.takeFirst();
        EXPECT_TRUE(line.contains(package)) << line.toStdString();
        for (const char* left : {"мастер \"pkg_", "сервис \"Общий сервис\"", "сервис \"Забытый сервис\"",
                                 "страница свойств \"Забытая страница\"", "класс \"TForgottenEntity\""})
            EXPECT_TRUE(line.contains(QString::fromUtf8(left))) << line.toStdString() << " lacks " << left;
    }
    Env::UnregisterEntityService(SharedService);
    EXPECT_TRUE(Env::Services->IsEmpty());
}

} // namespace
