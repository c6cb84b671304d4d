#include "DemoPackages.h"

#include "ContextManager.h"
#include "EClasses.h"
#include "Env.h"
#include "LoggerMain.h"
#include "Menus.h"
#include "PropertyPages.h"
#include "SequencerManger.h"
#include "TestEnvironment.h"
#include "WizardManager.h"

#include <QFile>

#include <gtest/gtest.h>

#include <map>

namespace {

using DemoPackages::File;
using DemoPackages::Mapped;
using DemoPackages::TLoadedPackages;

const QString NewOrderWizard = QStringLiteral("Новый заказ");

// Names the sequencer is started with; registered only while no other sequencer is.
class TSpySequencer : public EClasses::TSequencer {
public:
    qint64 NextValue(const QString&) override { return 0; }
    qint64 CurrentValue(const QString&) override { return 0; }
    void StartSequences(TStringList* Names, TStringList* Values) override
    {
        Started = Names->ToQStringList().join(QLatin1Char(' ')) + QLatin1Char('|') + Values->ToQStringList().join(QLatin1Char(' '));
    }
    void InitializeSequence(const QString&, qint64) override {}
    void StopSequences() override {}
    QString Started;
};

class TProbeWizard : public EClasses::TEntityWizard {
public:
    qint32 Execute() override { return 77; }
};

// Entries of a list as "text=object address", in order.
QStringList Entries(const TStringList* List)
{
    QStringList entries;
    for (int i = 0; i < List->Count(); ++i)
        entries.append(List->Strings(i) + QLatin1Char('=') + QString::number(reinterpret_cast<quintptr>(List->Objects(i))));
    return entries;
}

// The registered sequence names and start values, read through a spy sequencer.
QString Sequences()
{
    TSpySequencer spy;
    SequencerManger::RegisterSequencer(&spy);
    SequencerManger::StartSequencer();
    SequencerManger::UnregisterSequencer();
    return spy.Started;
}

// Whether the name answers with the probe: true when no other wizard holds the name.
bool WizardNameFree(const QString& Name)
{
    TProbeWizard probe;
    WizardManager::RegisterWizard(Name, &probe);
    const bool free = WizardManager::CallWizard(Name) == 77;
    WizardManager::UnregisterWizard(Name);
    return free;
}

using TSnapshot = std::map<QString, QStringList>;

// Every registry the packages enter something into.
TSnapshot Registries()
{
    TSnapshot snapshot;
    snapshot["ClassNames"] = Entries(Env::ClassNames);
    snapshot["ClassForms"] = Entries(Env::ClassForms);
    snapshot["ClassString"] = Entries(Env::ClassString);
    snapshot["ClassTypes"] = Entries(Env::ClassTypes);
    snapshot["Services"] = Env::Services->ToQStringList();
    snapshot["Classificators"] = Env::Classificators->ToQStringList();
    snapshot["Navigators"] = Entries(Env::Navigators);
    snapshot["Pages"] = Entries(PropertyPages::Pages);
    snapshot["PagesProc"] = PropertyPages::PagesProc->ToQStringList();
    snapshot["Cartridges"] = Entries(Env::CopyService->Cartridges);
    snapshot["Contexts"] = Entries(Env::ContextsNames) + Entries(Env::ContextsIDs);
    snapshot["Singletons"] = QStringList{QString::number(reinterpret_cast<quintptr>(Env::EntityApplication)),
        QString::number(reinterpret_cast<quintptr>(Env::Help)), QString::number(reinterpret_cast<quintptr>(LoggerMain::Logger)),
        QString::number(reinterpret_cast<quintptr>(SequencerManger::Sequencer))};
    if (!SequencerManger::Sequencer)
        snapshot["Sequences"] = QStringList{Sequences()};
    snapshot["WizardNameFree"] = QStringList{WizardNameFree(NewOrderWizard) ? "free" : "taken"};
    return snapshot;
}

// The service registered under that name: its menu and its item's caption.
QString Service(const QString& Name)
{
    const int index = Env::Services->IndexOf(Name);
    if (index < 0)
        return QString();
    auto* info = Env::Services->ObjectAs<EClasses::TServiceInfo>(index);
    return info->MenuName + QLatin1Char('/') + info->MenuItem->Caption();
}

class PackageLoadTest : public testing::Test {
protected:
    // The wizard and logger units live only while a package uses them: keep them alive to
    // look into them after the packages are gone.
    void SetUp() override
    {
        WizardManager::Initialize();
        LoggerMain::Initialize();
    }
    void TearDown() override
    {
        LoggerMain::Finalize();
        WizardManager::Finalize();
    }
};

TEST_F(PackageLoadTest, BothPackagesRegisterTheirPartsAndTakeEverythingBackTwice)
{
    const TSnapshot before = Registries();
    EXPECT_EQ(before.at("WizardNameFree").front(), QStringLiteral("free"));
    for (int round = 1; round <= 2; ++round) {
        SCOPED_TRACE(round);
        TLoadedPackages packages;

        for (const char* name : {"TClientsClass", "TClientInstance", "TGoodsClass", "TGoodsInstance", "TSuppliersClass",
                 "TSupplierInstance", "TSupplierGoodsClass", "TWarehousesClass", "TStockContainer", "TStockInstance",
                 "TClientOrdersClass", "TOrderInstance", "TOrderLinesClass", "TOrderLineInstance", "TOrdersClass", "TNewOrdersClass",
                 "TStockGoodClass"}) {
            const int index = Env::ClassNames->IndexOf(QString::fromLatin1(name));
            ASSERT_GE(index, 0) << name;
            EXPECT_EQ(static_cast<TClass>(Env::ClassNames->Objects(index))->ClassName(), QString::fromLatin1(name));
            EXPECT_NE(Env::ClassForms->Objects(index), nullptr) << name;
        }
        EXPECT_EQ(Env::ClassNames->Count(), before.at("ClassNames").size() + 17);
        EXPECT_TRUE(EClasses::IsInstanceClass(DemoPackages::RegisteredClass(QStringLiteral("TOrderInstance"))));
        EXPECT_TRUE(EClasses::IsContainerClass(DemoPackages::RegisteredClass(QStringLiteral("TStockContainer"))));

        EXPECT_EQ(Service(QStringLiteral("Справочники")), QStringLiteral("Справочники/Справочники"));
        EXPECT_EQ(Service(QStringLiteral("Пересчитать суммы заказов")), QStringLiteral("Сервис/Пересчитать суммы заказов"));
        EXPECT_GE(Env::Classificators->IndexOf(QStringLiteral("Статусы заказов")), 0);
        EXPECT_GE(PropertyPages::Pages->IndexOf(QStringLiteral("Торговый дом")), 0);
        EXPECT_NE(Env::CopyService->GetCopyCartridge(QStringLiteral("Справочники")), nullptr);
        EXPECT_NE(Env::EntityApplication, nullptr);
        EXPECT_NE(Env::Help, nullptr);
        EXPECT_NE(LoggerMain::Logger, nullptr);
        EXPECT_NE(SequencerManger::Sequencer, nullptr);
        EXPECT_FALSE(WizardNameFree(NewOrderWizard));
        ASSERT_NE(ContextManager::GetContextByName(QStringLiteral("Склад")), nullptr);
        EXPECT_EQ(ContextManager::GetContextByName(QStringLiteral("Склад"))->ID, 10);
        EXPECT_EQ(ContextManager::GetContextByName(QStringLiteral("Склад"))->ParentContext->Name, QStringLiteral("_default"));
        // A reconnect registers the contexts anew: one entry each, one child of "_default".
        EXPECT_EQ(Env::ContextsNames->ToQStringList().count(QStringLiteral("Склад")), 1);
        EXPECT_EQ(Env::ContextsNames->ToQStringList().count(QStringLiteral("Склад: товар")), 1);
        EXPECT_EQ(ContextManager::GetContextByName(QStringLiteral("_default"))->ChildContexts->Count(), 1);

        packages.Unload();
        EXPECT_FALSE(Mapped(File(QStringLiteral("demo_sales"))));
        EXPECT_FALSE(Mapped(File(QStringLiteral("demo_core"))));
        EXPECT_EQ(Registries(), before);
    }
}

TEST_F(PackageLoadTest, TheLoggerWritesItsOwnLogInTheProgramFolder)
{
    const QString programPath = Env::ProgramPath;
    Env::ProgramPath = TestSupport::TempDir();
    QFile::remove(TestSupport::TempDir() + QStringLiteral("/demo_core.log"));
    {
        TLoadedPackages packages;
        LoggerMain::Logger->PostToLog(Env::CopyService);
        Env::EntityApplication->StopApplication();
        LoggerMain::Logger->PostToErrorLog(nullptr);
    }
    Env::ProgramPath = programPath;
    QFile log(TestSupport::TempDir() + QStringLiteral("/demo_core.log"));
    ASSERT_TRUE(log.open(QIODevice::ReadOnly | QIODevice::Text));
    const QStringList lines = QString::fromUtf8(log.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 3);
    EXPECT_TRUE(lines[0].endsWith(QStringLiteral(" TCopyService")));
    EXPECT_TRUE(lines[1].endsWith(QStringLiteral(" Приложение остановлено")));
    EXPECT_TRUE(lines[2].endsWith(QStringLiteral(" Ошибка: ")));
}

TEST_F(PackageLoadTest, TheHelperAnswersKnownAndUnknownTopics)
{
    TLoadedPackages packages;
    TestSupport::Dialogs().Reset();
    Env::Help->ShowHelp(QStringLiteral("TGoodsClass"));
    Env::Help->ShowHelp(QStringLiteral("TNothing"));
    EXPECT_EQ(TestSupport::Dialogs().Messages(), (std::vector<QString>{QStringLiteral("Товары: ассортимент с ценами и поставщиками."),
                                                     QStringLiteral("Справка по теме «TNothing» отсутствует")}));
}

} // namespace
