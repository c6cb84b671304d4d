#include "Packages.h"

#include "Exceptions.h"
#include "TestEnvironment.h"
#include "WizardManager.h"
#include "../packages/TestPackages.h"

#include <QFile>

#include <gtest/gtest.h>

namespace {

using TestPackages::File;
using TestPackages::Log;
using TestPackages::Mapped;

// The message of the EPackageError that Load raises (fails the test when it raises none).
template <class F>
QString PackageError(F Load)
{
    try {
        Load();
    } catch (const EPackageError& error) {
        return error.Message();
    }
    ADD_FAILURE() << "no EPackageError";
    return QString();
}

class PackagesTest : public testing::Test {
protected:
    // The test packages register wizards: keep the registry alive to look them up after an unload.
    void SetUp() override
    {
        WizardManager::Initialize();
        TestPackages::ClearLogs();
    }
    void TearDown() override { WizardManager::Finalize(); }

    static qint32 CallWizard(const QString& Name) { return WizardManager::CallWizard(Name); }
};

TEST_F(PackagesTest, LoadRunsTheInitialisationAndUnloadTakesThePackageAway)
{
    const QString path = File(QStringLiteral("pkg_alpha"));
    ASSERT_FALSE(Mapped(path));
    const quintptr handle = LoadPackage(path);
    EXPECT_NE(handle, 0u);
    EXPECT_TRUE(Mapped(path));
    EXPECT_EQ(Log(), QStringLiteral("+pkg_alpha"));
    EXPECT_EQ(CallWizard(QStringLiteral("pkg_alpha")), 9);

    UnloadPackage(handle);
    // "~": the package's static objects were destroyed, the library is unmapped.
    EXPECT_EQ(Log(), QStringLiteral("+pkg_alpha -pkg_alpha ~pkg_alpha"));
    EXPECT_FALSE(Mapped(path));
    EXPECT_EQ(CallWizard(QStringLiteral("pkg_alpha")), 0);
    EXPECT_FALSE(PackageError([&] { UnloadPackage(handle); }).isEmpty());
}

TEST_F(PackagesTest, APackageLoadedTwiceIsInitialisedOnceAndFinalisedWithItsLastUnload)
{
    const QString path = File(QStringLiteral("pkg_beta"));
    const quintptr first = LoadPackage(path);
    const quintptr second = LoadPackage(path);
    EXPECT_EQ(first, second);
    EXPECT_EQ(Log(), QStringLiteral("+pkg_beta"));

    UnloadPackage(second);
    EXPECT_EQ(Log(), QStringLiteral("+pkg_beta"));
    EXPECT_TRUE(Mapped(path));
    EXPECT_EQ(CallWizard(QStringLiteral("pkg_beta")), 8);

    UnloadPackage(first);
    EXPECT_EQ(Log(), QStringLiteral("+pkg_beta -pkg_beta ~pkg_beta"));
    EXPECT_FALSE(Mapped(path));
}

TEST_F(PackagesTest, FilesThatAreNoPackagesRaiseAndLeaveNothingLoaded)
{
    const QString text = TestSupport::TempDir() + QStringLiteral("/notes.bpl");
    QFile file(text);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("not a library\n");
    file.close();
    EXPECT_TRUE(PackageError([&] { LoadPackage(text); }).contains(text));
    EXPECT_TRUE(PackageError([&] { LoadPackage(TestSupport::TempDir() + QStringLiteral("/absent.bpl")); }).contains(QStringLiteral("absent.bpl")));
}

TEST_F(PackagesTest, ARenamedPackageFileLoadsAndACrashWhileLoadingOrUnloadingNamesThePackage)
{
    const QString renamed = TestSupport::TempDir() + QStringLiteral("/renamed-copy.bpl");
    QFile::remove(renamed);
    ASSERT_TRUE(QFile::copy(File(QStringLiteral("pkg_alpha")), renamed));
    const quintptr handle = LoadPackage(renamed);
    EXPECT_EQ(CallWizard(QStringLiteral("pkg_alpha")), 9);
    UnloadPackage(handle);
    EXPECT_EQ(Log(), QStringLiteral("+pkg_alpha -pkg_alpha ~pkg_alpha"));
    EXPECT_FALSE(Mapped(renamed));

    // The program cannot survive the crash, but says first which package it was.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_DEATH(LoadPackage(File(QStringLiteral("pkg_crashes"))),
                 "velnor07: .* pkg_crashes \\(.*/pkg_crashes\\.bpl\\) .*SIGSEGV");
    EXPECT_DEATH(UnloadPackage(LoadPackage(File(QStringLiteral("pkg_finicrashes")))),
                 "velnor07: .* pkg_finicrashes \\(.*/pkg_finicrashes\\.bpl\\) .*SIGSEGV");
}

TEST_F(PackagesTest, EntryPointsOfALibraryThePackageDependsOnAreNotTaken)
{
    const QString path = File(QStringLiteral("pkg_stray"));
    // The lookup through the package's handle alone would find them in its dependency.
    void* library = dlopen(QFile::encodeName(path).constData(), RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(library, nullptr);
    EXPECT_NE(dlsym(library, "velnor_package_init"), nullptr);
    dlclose(library);

    const QString error = PackageError([&] { LoadPackage(path); });
    EXPECT_TRUE(error.contains(QStringLiteral("velnor_package_name"))) << error.toStdString();
    EXPECT_FALSE(Mapped(path));
}

TEST_F(PackagesTest, AnInitialisationThatThrowsIsTakenBackAndUnloaded)
{
    const QString path = File(QStringLiteral("pkg_initfails"));
    const QString error = PackageError([&] { LoadPackage(path); });
    // The package's message survives the package it came from.
    EXPECT_TRUE(error.contains(QStringLiteral("пакет отказался начинать работу"))) << error.toStdString();
    EXPECT_TRUE(error.contains(path));
    EXPECT_EQ(Log(), QStringLiteral("+pkg_initfails -pkg_initfails ~pkg_initfails"));
    EXPECT_EQ(CallWizard(QStringLiteral("pkg_initfails")), 0);
    EXPECT_FALSE(Mapped(path));
}

TEST_F(PackagesTest, AFinalisationThatThrowsKeepsThePackageLoaded)
{
    const QString path = File(QStringLiteral("pkg_finifails"));
    const quintptr handle = LoadPackage(path);
    int handlerRuns = 0;
    AddPackageUnloadHandler(handle, [&handlerRuns] { ++handlerRuns; });
    const QString error = PackageError([&] { UnloadPackage(handle); });
    EXPECT_TRUE(error.contains(QStringLiteral("пакет не готов завершиться"))) << error.toStdString();
    EXPECT_TRUE(Mapped(path));
    EXPECT_EQ(CallWizard(QStringLiteral("pkg_finifails")), 13);
    EXPECT_EQ(handlerRuns, 0) << "the package is still there";

    UnloadPackage(handle);
    EXPECT_EQ(Log(), QStringLiteral("+pkg_finifails -pkg_finifails ~pkg_finifails"));
    EXPECT_FALSE(Mapped(path));
    EXPECT_EQ(handlerRuns, 1);
}

TEST_F(PackagesTest, TheLoadingPackageIsKnownAndItsUnloadHandlersRunBeforeItIsUnmapped)
{
    const QString path = File(QStringLiteral("pkg_alpha"));
    const quintptr handle = LoadPackage(path);
    EXPECT_EQ(LoadingPackage(), 0u);
    EXPECT_EQ(PackageFileName(handle), path);
    auto handler = [&](const QString& Name) {
        return [&, Name] {
            EXPECT_EQ(LoadingPackage(), handle);
            EXPECT_TRUE(Mapped(path));
            TestPackages::Append(Name);
        };
    };
    AddPackageUnloadHandler(handle, handler(QStringLiteral("first")));
    AddPackageUnloadHandler(handle, [] { throw Exception(QStringLiteral("обработчик сломался")); });
    AddPackageUnloadHandler(handle, handler(QStringLiteral("last")));

    testing::internal::CaptureStderr();
    UnloadPackage(handle);
    const QString errors = QString::fromStdString(testing::internal::GetCapturedStderr());
    EXPECT_EQ(Log(), QStringLiteral("+pkg_alpha -pkg_alpha last first ~pkg_alpha"));
    EXPECT_TRUE(errors.contains(path + QStringLiteral(": обработчик сломался"))) << errors.toStdString();
    EXPECT_EQ(TestPackages::LoadingLog(), QStringLiteral("pkg_alpha.bpl pkg_alpha.bpl"));
    EXPECT_EQ(LoadingPackage(), 0u);
    EXPECT_EQ(PackageFileName(handle), QString());
    EXPECT_FALSE(PackageError([&] { AddPackageUnloadHandler(handle, [] {}); }).isEmpty());

    // The finalisation that follows a failed initialisation also knows its package.
    EXPECT_FALSE(PackageError([] { LoadPackage(File(QStringLiteral("pkg_initfails"))); }).isEmpty());
    EXPECT_TRUE(TestPackages::LoadingLog().endsWith(QStringLiteral("pkg_initfails.bpl pkg_initfails.bpl")));
}

} // namespace
