// The shared main of every test program: an offscreen QApplication, private registry and
// alias files, the scripted dialog host, and the framework initialised as the shell does.

#include "TestEnvironment.h"
#include "Velkit07.h"

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

namespace TestSupport {

namespace {

std::unique_ptr<QTemporaryDir> PrivateDir;
TScriptedDialogHost ScriptedHost;

class TResetDialogs : public testing::EmptyTestEventListener {
    void OnTestStart(const testing::TestInfo&) override { ScriptedHost.Reset(); }
};

} // namespace

TScriptedDialogHost& Dialogs()
{
    return ScriptedHost;
}

QString TempDir()
{
    return PrivateDir->path();
}

QString RegistryFile()
{
    return TempDir() + QStringLiteral("/registry.reg");
}

QString AliasFile()
{
    return TempDir() + QStringLiteral("/aliases.ini");
}

QString PostgresConnection()
{
    return qEnvironmentVariable("VELNOR_TEST_PG");
}

} // namespace TestSupport

int main(int argc, char** argv)
{
    testing::InitGoogleTest(&argc, argv);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");

    TestSupport::PrivateDir = std::make_unique<QTemporaryDir>(QDir::tempPath() + QStringLiteral("/velnor-test-XXXXXX"));
    qputenv("VELNOR_REGISTRY", TestSupport::RegistryFile().toUtf8());
    qputenv("VELNOR_ALIASES", TestSupport::AliasFile().toUtf8());
    qputenv("XDG_CONFIG_HOME", TestSupport::TempDir().toUtf8());
    qputenv("XDG_RUNTIME_DIR", TestSupport::TempDir().toUtf8());

    QApplication application(argc, argv);
    SetDialogHost(&TestSupport::ScriptedHost);
    testing::UnitTest::GetInstance()->listeners().Append(new TestSupport::TResetDialogs);

    Velkit07::Initialize();
    const int result = RUN_ALL_TESTS();
    Velkit07::Finalize();
    SetDialogHost(nullptr);
    TestSupport::PrivateDir.reset();
    return result;
}
