#include "Velkit07.h"

#include "ContextManager.h"
#include "DatabaseManager.h"
#include "DebugForm.h"
#include "DirectoryForm.h"
#include "Env.h"
#include "ModuleManager.h"
#include "NavigatorSettings.h"
#include "NUtilities.h"
#include "ObjectManager.h"
#include "ParamManager.h"
#include "PropertyPages.h"
#include "SequencerManger.h"
#include "TestNav.h"
#include "UnitLifetime.h"

namespace Velkit07 {

namespace {

// The units of the package in their initialisation order; finalisation runs in reverse.
// Units that only plug-in packages use are not listed: each package initialises them itself.
struct TUnitEntry {
    void (*Initialize)();
    void (*Finalize)();
};

const TUnitEntry PackageUnits[] = {
    {Env::Initialize, Env::Finalize},
    {NUtilities::Initialize, NUtilities::Finalize},
    {PropertyPages::Initialize, PropertyPages::Finalize},
    {ParamManager::Initialize, ParamManager::Finalize},
    {SequencerManger::Initialize, SequencerManger::Finalize},
    {ContextManager::Initialize, ContextManager::Finalize},
    {DebugForm::Initialize, DebugForm::Finalize},
    {DirectoryForm::Initialize, DirectoryForm::Finalize},
    {DatabaseManager::Initialize, DatabaseManager::Finalize},
    {ObjectManager::Initialize, ObjectManager::Finalize},
    {ModuleManager::Initialize, ModuleManager::Finalize},
    {NavigatorSettings::Initialize, NavigatorSettings::Finalize},
    {TestNav::Initialize, TestNav::Finalize},
};

// Finalises the units before End, the last first.
void FinalizeUnitsBefore(const TUnitEntry* End)
{
    for (const TUnitEntry* unit = End; unit != std::begin(PackageUnits);)
        (--unit)->Finalize();
}

// A unit whose initialisation raises (the debug switch reads the registry) leaves none of
// the units before it initialised.
void InitializeUnits()
{
    for (const TUnitEntry* unit = std::begin(PackageUnits); unit != std::end(PackageUnits); ++unit) {
        try {
            unit->Initialize();
        } catch (...) {
            FinalizeUnitsBefore(unit);
            throw;
        }
    }
}

void FinalizeUnits()
{
    FinalizeUnitsBefore(std::end(PackageUnits));
}

TUnitLifetime Lifetime(InitializeUnits, FinalizeUnits);

} // namespace

void Initialize()
{
    Lifetime.Initialize();
}

void Finalize()
{
    Lifetime.Finalize();
}

} // namespace Velkit07
