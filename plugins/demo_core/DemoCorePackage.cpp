// The entry points of demo_core.bpl: the reference data of the sample application.

#include "ContextManager.h"
#include "DemoClientExport.h"
#include "DemoCoreClasses.h"
#include "DemoCoreServices.h"
#include "DemoSequencer.h"
#include "DemoSettings.h"
#include "DemoUtilities.h"
#include "Env.h"
#include "LoggerMain.h"
#include "Packages.h"
#include "PropertyPages.h"
#include "SequencerManger.h"

namespace {

const QStringList CoreTables = {QStringLiteral("KLIENTY"), QStringLiteral("TOVARY"), QStringLiteral("POSTAVSHCHIKI"),
    QStringLiteral("SKLADY"), QStringLiteral("OSTATKI")};

DemoSequencer::TKeySequencer Sequencer;

void InitializeUnits()
{
    Env::Initialize();
    PropertyPages::Initialize();
    SequencerManger::Initialize();
    ContextManager::Initialize();
    LoggerMain::Initialize();
}

void FinalizeUnits()
{
    LoggerMain::Finalize();
    ContextManager::Finalize();
    SequencerManger::Finalize();
    PropertyPages::Finalize();
    Env::Finalize();
}

void InitPackage()
{
    InitializeUnits();
    DemoCoreClasses::RegisterClasses();
    SequencerManger::RegisterSequencer(&Sequencer);
    DemoSequencer::RegisterSequences(CoreTables);
    DemoCoreServices::RegisterServices();
    DemoSettings::RegisterSettings();
    DemoUtilities::RegisterUtilities();
    DemoClientExport::RegisterService();
}

// Also runs after an initialisation that stopped half way: each step copes with what was
// never registered.
void FiniPackage()
{
    DemoClientExport::UnregisterService();
    DemoUtilities::UnregisterUtilities();
    DemoSettings::UnregisterSettings();
    DemoCoreServices::UnregisterServices();
    DemoSequencer::UnregisterSequences(CoreTables);
    if (SequencerManger::Sequencer == &Sequencer)
        SequencerManger::UnregisterSequencer();
    DemoCoreClasses::UnregisterClasses();
    FinalizeUnits();
}

} // namespace

VELNOR_PACKAGE(demo_core, InitPackage, FiniPackage)
